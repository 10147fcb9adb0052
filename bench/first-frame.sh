#!/usr/bin/env bash
# Time from starting the app to its first picture in the window, on a first
# start (no FFT wisdom in the cache) and on a later start (wisdom kept), as
# the median of RUNS runs each.
#
#   bench/first-frame.sh [BUILD_DIR] [RUNS]
#
# The app runs under the X display in DISPLAY, else under an Xvfb of its own,
# with SDL's dummy audio (a silent microphone), and with preferences
# and cache in a temporary directory. A small preloaded library
# (first-frame-shim.c) notes the first SDL_RenderPresent; the app is unchanged.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${1:-build}
RUNS=${2:-7}
APP=$BUILD_DIR/Classes/quillon
[ -x "$APP" ] || { echo "no $APP: build first" >&2; exit 1; }

source bench/lib.sh

cc -O2 -shared -fPIC -o "$WORK/shim.so" bench/first-frame-shim.c -ldl
use_display

# One start of the app with the given cache directory; prints the first-frame
# time in ms. With KEEP_UNTIL_WISDOM=1 the app runs until the wisdom file is
# there (at most 20 s) before it is told to quit.
one_start() {
  local cache=$1 result=$WORK/first-frame
  rm -f "$result"
  (
    export XDG_CACHE_HOME=$cache XDG_CONFIG_HOME=$WORK/config SDL_AUDIODRIVER=dummy
    export LD_PRELOAD=$WORK/shim.so QUILLON_FIRST_FRAME_FILE=$result
    export QUILLON_T0_NS=$(date +%s%N)
    exec "$APP"
  ) >>"$WORK/app.log" 2>&1 &
  local pid=$!
  for ((t = 0; t < 200; t++)); do [ -s "$result" ] && break; sleep 0.05; done
  if [ "${KEEP_UNTIL_WISDOM:-0}" = 1 ]; then
    for ((t = 0; t < 400; t++)); do [ -s "$cache/quillon/fftwf-wisdom" ] && break; sleep 0.05; done
  fi
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  [ -s "$result" ] || { echo "no picture within 10 s; app log:" >&2; cat "$WORK/app.log" >&2; exit 1; }
  cat "$result"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

first=()
for ((r = 0; r < RUNS; r++)); do
  first+=("$(one_start "$WORK/cache-first-$r")")
done
kept=$WORK/cache-kept
KEEP_UNTIL_WISDOM=1 one_start "$kept" >/dev/null
later=()
for ((r = 0; r < RUNS; r++)); do
  later+=("$(one_start "$kept")")
done
echo "first start (no wisdom): median $(printf '%s\n' "${first[@]}" | median) ms  (${first[*]})"
echo "later start (wisdom):    median $(printf '%s\n' "${later[@]}" | median) ms  (${later[*]})"
