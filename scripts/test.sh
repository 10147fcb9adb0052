#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test:
#   1. unit tests                      (build/)
#   2. system tests on a real PulseAudio server and a real X display (Xvfb)
#   3. the browser build: its tests under Node, and in headless chromium (build/web/)
#   4. the Debian package: built (build-deb/), unpacked and checked
#   5. unit tests under AddressSanitizer + UndefinedBehaviorSanitizer (build-asan/)
#   6. the audio-thread tests under ThreadSanitizer (build-tsan/)
#   7. each libFuzzer target for QUILLON_FUZZ_SECONDS (default 60) (build-fuzz/)
# Set QUILLON_QUICK=1 to run only stages 1 to 4.
#
# No test is ever run twice, except those labelled "realtime" (they play or
# capture real sound or drive a real window, so they depend on the machine
# keeping pace): each runs alone, and a failed one up to twice more. A pass on
# a rerun prints "FLAKY: <test> passed on attempt N" and counts as flaky, not
# passed; a test that fails every attempt counts as failed. The last line is
#   quillon: N passed, N failed, N flaky
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
JOBS=$(nproc)
FUZZ_SECONDS=${QUILLON_FUZZ_SECONDS:-60}
ATTEMPTS=3

./scripts/install-deps.sh
./scripts/install-web-deps.sh

passed=0
failed=0
flaky=0
count_ctest() {  # adds the totals of a ctest log to passed/failed
  local line total nfail
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -1 || true)
  [ -n "$line" ] || return 0
  total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
  nfail=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
  passed=$((passed + total - nfail))
  failed=$((failed + nfail))
}
count_package() {  # adds the totals of scripts/check-package.sh's last line
  local line
  line=$(grep -E '^package: [0-9]+ passed, [0-9]+ failed$' "$1" | tail -1 || true)
  if [ -z "$line" ]; then
    failed=$((failed + 1))
    return 0
  fi
  passed=$((passed + $(sed -E 's/^package: ([0-9]+) passed.*/\1/' <<<"$line")))
  failed=$((failed + $(sed -E 's/.* ([0-9]+) failed$/\1/' <<<"$line")))
}
# Runs each realtime test of build/ that the label options given select
# (e.g. -L browser) on its own, up to ATTEMPTS times; what a test needs set
# up first (a fixture) must have been run already.
run_realtime_tests() {
  local names name pattern attempt log
  names=$(cd build && ctest -N -FS '.*' -L realtime "$@" | sed -nE 's/^ *Test +#[0-9]+: //p')
  while IFS= read -r name; do
    [ -n "$name" ] || continue
    pattern="^$(sed 's/[][\.^$*+?(){}|]/\\&/g' <<<"$name")\$"
    for attempt in $(seq "$ATTEMPTS"); do
      log="$LOGDIR/realtime-$name-$attempt.log"
      if (cd build && ctest -R "$pattern" -FS '.*' --output-on-failure --timeout 600) >"$log" 2>&1; then
        if grep -qE '100% tests passed, 0 tests failed out of 1$' "$log"; then
          grep -E '^ *1/1 Test' "$log" || true
          if [ "$attempt" -eq 1 ]; then
            passed=$((passed + 1))
          else
            echo "FLAKY: $name passed on attempt $attempt"
            flaky=$((flaky + 1))
          fi
          continue 2
        fi
      fi
      cat "$log"
      echo "--- $name failed on attempt $attempt of $ATTEMPTS"
    done
    echo "FAILED: $name (all $ATTEMPTS attempts)"
    failed=$((failed + 1))
    status=1
  done <<<"$names"
}
status=0
stage() { echo; echo "=== $*"; }

LOGDIR=$(mktemp -d)
SERVERS_DIR=$(mktemp -d)
PA_PID=""
XVFB_PID=""
PACAT_PID=""
cleanup() {
  for pid in $PACAT_PID $PA_PID $XVFB_PID; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in $PACAT_PID $PA_PID $XVFB_PID; do
    while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
  done
  rm -rf "$SERVERS_DIR"
}
trap cleanup EXIT

# Tests never touch the user's own preferences, documents or caches: a home
# of their own, in the servers' folder, made again with it.
private_home() {
  export HOME="$SERVERS_DIR/home"
  export XDG_CONFIG_HOME="$HOME/.config" XDG_CACHE_HOME="$HOME/.cache" XDG_DOCUMENTS_DIR="$HOME/Documents"
  mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_DOCUMENTS_DIR"
}
private_home

stage "build"
QUILLON_BUILD_DIR=build ./scripts/build.sh

stage "unit tests"
(cd build && ctest -L unit -LE realtime -j"$JOBS" --output-on-failure --timeout 300) 2>&1 | tee "$LOGDIR/unit.log" || status=1
count_ctest "$LOGDIR/unit.log"

stage "system tests (PulseAudio null sink, Xvfb)"
# No rewinds: when a stream on the sink underruns on a busy machine (the quiet
# one below, for one), the sink would rewind and its monitor then repeat or
# skip a few samples of what the tests record.
pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
  --load="module-null-sink sink_name=nullsink rate=22050 channels=1 format=s16le norewinds=1" \
  --load="module-native-protocol-unix auth-anonymous=1 socket=$SERVERS_DIR/pulse.sock" \
  >"$SERVERS_DIR/pa.log" 2>&1 &
PA_PID=$!
export PULSE_SERVER=unix:$SERVERS_DIR/pulse.sock
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
# An idle null sink runs in blocks of up to 2 s; a quiet low-latency stream keeps it brisk.
pacat --playback -d nullsink --latency-msec=20 --raw --rate=22050 --channels=1 --format=s16le /dev/zero &
PACAT_PID=$!
# A display number nobody uses: Xvfb picks it and says which once it is ready.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$SERVERS_DIR/display" \
  >"$SERVERS_DIR/xvfb.log" 2>&1 &
XVFB_PID=$!
for _ in $(seq 100); do [ -s "$SERVERS_DIR/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -1 "$SERVERS_DIR/display")"
for _ in $(seq 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
sleep 2
# System tests that need no real time (none today) run once, like unit tests.
(cd build && ctest -L system -LE realtime --output-on-failure --timeout 600) 2>&1 | tee "$LOGDIR/system.log" || status=1
count_ctest "$LOGDIR/system.log"
run_realtime_tests -LE browser
cleanup
PA_PID="" XVFB_PID="" PACAT_PID=""
unset PULSE_SERVER DISPLAY
SERVERS_DIR=$(mktemp -d)
private_home

stage "browser build: under Node, and in headless chromium"
# The build defines these tests only where Emscripten is installed; none
# would mean the stage tests nothing, which is a failure, not a pass.
if [ -z "$(cd build && ctest -N -FS '.*' -L browser | sed -nE 's/^ *Test +#[0-9]+: //p')" ]; then
  echo "FAILED: build/ has no browser tests (is Emscripten installed? see scripts/install-web-deps.sh)"
  failed=$((failed + 1))
  status=1
fi
# First the build of build/web and the Node tests, once; then each test in
# chromium on its own, as real-time tests are.
(cd build && ctest -L web -LE realtime --output-on-failure --timeout 900) 2>&1 | tee "$LOGDIR/web.log" || status=1
count_ctest "$LOGDIR/web.log"
run_realtime_tests -L browser

stage "Debian package"
# Built as a user builds it, then unpacked and checked: dependencies, the
# programs run from the unpacked tree, lintian and the desktop metadata.
PACKAGE_DIR=$(mktemp -d)
if ./scripts/package.sh "$PACKAGE_DIR" >"$LOGDIR/package.log" 2>&1; then
  tail -1 "$LOGDIR/package.log"
  ./scripts/check-package.sh "$(tail -1 "$LOGDIR/package.log")" 2>&1 |
    tee "$LOGDIR/check-package.log" || status=1
  count_package "$LOGDIR/check-package.log"
else
  tail -40 "$LOGDIR/package.log"
  echo "FAILED: scripts/package.sh"
  failed=$((failed + 1))
  status=1
fi
rm -rf "$PACKAGE_DIR"

if [ "${QUILLON_QUICK:-0}" != "1" ]; then
  stage "unit tests under ASan + UBSan"
  QUILLON_BUILD_DIR=build-asan ./scripts/build.sh -DQUILLON_SANITIZE=ON -DQUILLON_BENCH=OFF
  (cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
     ctest -L unit -LE realtime -j"$JOBS" --output-on-failure --timeout 600) 2>&1 | tee "$LOGDIR/asan.log" || status=1
  count_ctest "$LOGDIR/asan.log"

  stage "audio-thread tests under TSan"
  QUILLON_BUILD_DIR=build-tsan ./scripts/build.sh -DQUILLON_TSAN=ON -DQUILLON_BENCH=OFF
  if TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
       build-tsan/tests/quillon_unit_tests --gtest_filter='*ThreadTest*' 2>&1 | tee "$LOGDIR/tsan.log"; then
    n=$(grep -cE '^\[       OK \]' "$LOGDIR/tsan.log" || true); passed=$((passed + n))
  else
    status=1; failed=$((failed + 1))
  fi

  stage "fuzzing (${FUZZ_SECONDS} s per target)"
  # Only the fuzz targets and the layers they link, nothing else of the tree.
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUILLON_FUZZ=ON -DQUILLON_BENCH=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
  cmake --build build-fuzz -j"$JOBS" --target quillon_fuzzers
  for fuzzer in build-fuzz/tests/*Fuzz; do
    [ -x "$fuzzer" ] || continue
    name=$(basename "$fuzzer")
    corpus=$(mktemp -d)
    # Seeds are written by the unit tests of the parser under test.
    if [ -d "build/fuzz-corpus/$name" ]; then cp -r "build/fuzz-corpus/$name/." "$corpus/"; fi
    echo "--- $name"
    if "$fuzzer" -max_total_time="$FUZZ_SECONDS" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
         "$corpus" >"$LOGDIR/$name.log" 2>&1; then
      passed=$((passed + 1)); tail -3 "$LOGDIR/$name.log"
    else
      failed=$((failed + 1)); status=1; tail -60 "$LOGDIR/$name.log"
    fi
    rm -rf "$corpus"
  done
fi

echo
echo "quillon: $passed passed, $failed failed, $flaky flaky"
exit $status
