#!/usr/bin/env bash
# Drop-D's two Ds lie an octave apart. Plucks a D2 the way a real low string
# sounds (its fundamental 25 dB under its 2nd partial) into the null sink
# while the app listens in a real window, and reads the window: once the
# ring has come on, it must stay on the first button (the low D, the 6th
# string), never on the D3 string's. The first shot with a ring may fall in
# the quarter second of the attack, which the analysis reads on its own
# terms; it is shown but not judged.
#   low-string.sh QUILLON PROBE PLUCK
set -euo pipefail
APP=$1
PROBE=$2
PLUCK=$3
: "${DISPLAY:?needs an X display}"
: "${PULSE_SERVER:?needs a PulseAudio server with a null sink named nullsink}"

WORK=$(mktemp -d)
PIDS=()
cleanup() {
  for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${PIDS[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$WORK"
}
trap cleanup EXIT
fail() {
  echo "low-string.sh: $*" >&2
  echo "--- probe log (last shot)" >&2
  cat "$WORK/probe.log" >&2 || true
  echo "--- app log" >&2
  cat "$WORK/app.log" >&2 || true
  exit 1
}

# Preferences of its own: Drop-D.
export XDG_CONFIG_HOME=$WORK/config
mkdir -p "$XDG_CONFIG_HOME/quillon"
printf 'quillon-preferences 1\ns TargetTuning=dropd\n' >"$XDG_CONFIG_HOME/quillon/preferences"

# One pluck, ringing on for 20 s.
"$PLUCK" "$WORK/d2.raw" 73.42 25 20 60

"$APP" >"$WORK/app.log" 2>&1 &
APP_PID=$!
PIDS+=($APP_PID)
WID=$(timeout 10 xdotool search --sync --name '^Quillon$' | head -1) || fail "no window"
geometry=$(xdotool getwindowgeometry "$WID" | awk '/Geometry/ {print $2}')
[ "$geometry" = "960x640" ] || fail "window is $geometry, not 960x640 (landscape, scale 2)"
# A new capture stream on an idle null sink gets its first data up to 2 s
# late; pluck once the app hears.
sleep 2.5
pacat --playback -d nullsink --raw --rate=22050 --channels=1 --format=s16le "$WORK/d2.raw" &
PIDS+=($!)

shots=""
low=0
others=""
for _ in $(seq 40); do
  sleep 0.3
  xwd -silent -id "$WID" | /usr/bin/convert xwd:- "$WORK/shot.png"
  ringed=$("$PROBE" mark "$WORK/shot.png" dropd 2>"$WORK/probe.log")
  if [ -z "$shots" ] && [ "$ringed" = "-" ]; then continue; fi
  shots="$shots $ringed"
  [ "$shots" = " $ringed" ] && continue  # the attack
  case "$ringed" in
    1) low=$((low + 1)) ;;
    -) ;;
    *) others="$others $ringed" ;;
  esac
  [ "$low" -ge 8 ] && break
done
[ -n "$shots" ] || fail "no string was ever ringed"
[ -z "$others" ] || fail "the ring went to string(s)$others, not the low D (shots:$shots)"
[ "$low" -ge 8 ] || fail "the low D was ringed in only $low shots (shots:$shots)"
kill -0 "$APP_PID" || fail "the app died"
echo "ok (rings, shot by shot:$shots)"
