#!/usr/bin/env bash
# The running app's cost while it listens: CPU (average share of one core)
# and resident memory, over 30 s in tuner mode with a tone on the microphone
# whose pitch drifts, so that the needle keeps moving.
#
#   bench/app-cpu.sh [BUILD_DIR] [SECONDS]
#
# Uses the PulseAudio server in PULSE_SERVER and the X display in DISPLAY when
# both are set; otherwise starts its own (a null sink "nullsink" whose monitor
# is the app's microphone, and Xvfb), and stops them again by their PIDs.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${1:-build}
SECONDS_MEASURED=${2:-30}
APP=$BUILD_DIR/Classes/quillon
[ -x "$APP" ] || { echo "no $APP: build first" >&2; exit 1; }

WORK=$(mktemp -d)
PIDS=()
cleanup() {
  for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do
    kill "${PIDS[$i]}" 2>/dev/null || true
    while kill -0 "${PIDS[$i]}" 2>/dev/null; do sleep 0.1; done
  done
  rm -rf "$WORK"
}
trap cleanup EXIT

if [ -z "${PULSE_SERVER:-}" ]; then
  export HOME=${HOME:-$WORK}
  pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
    --load="module-null-sink sink_name=nullsink rate=22050 channels=1 format=s16le" \
    --load="module-native-protocol-unix auth-anonymous=1 socket=$WORK/pulse.sock" \
    >"$WORK/pa.log" 2>&1 &
  PIDS+=($!)
  export PULSE_SERVER=unix:$WORK/pulse.sock
  until pactl info >/dev/null 2>&1; do sleep 0.1; done
  # Keeps the idle null sink brisk, so capture starts without a 2-s gap.
  pacat --playback -d nullsink --latency-msec=20 --raw --rate=22050 --channels=1 \
    --format=s16le /dev/zero &
  PIDS+=($!)
fi
if [ -z "${DISPLAY:-}" ]; then
  Xvfb :97 -screen 0 1280x1024x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
  PIDS+=($!)
  export DISPLAY=:97
  until xdotool getdisplaygeometry >/dev/null 2>&1; do sleep 0.1; done
fi

# The guitar's D string, drifting from 16 cents flat to 19 cents sharp.
SECONDS_PLAYED=$((SECONDS_MEASURED + 15))
sox -q -n -r 22050 -c 1 -b 16 -e signed-integer "$WORK/tone.raw" \
  synth "$SECONDS_PLAYED" triangle 145.5:148.5 vol 0.5
pacat --playback -d nullsink --raw --rate=22050 --channels=1 --format=s16le \
  "$WORK/tone.raw" &
PIDS+=($!)

# Preferences of its own: the standard guitar at 440 Hz.
XDG_CONFIG_HOME=$WORK/config "$APP" >"$WORK/app.log" 2>&1 &
APP_PID=$!
PIDS+=($APP_PID)
timeout 10 xdotool search --sync --name '^Quillon$' >/dev/null
sleep 3  # start-up, first analysis passes, caches warm

TICK=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$APP_PID/stat"; }
rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$APP_PID/status"; }

start_ticks=$(cpu_ticks)
start_ns=$(date +%s%N)
max_rss=0
sum_rss=0
for ((s = 0; s < SECONDS_MEASURED; s++)); do
  sleep 1
  r=$(rss_kb)
  sum_rss=$((sum_rss + r))
  ((r > max_rss)) && max_rss=$r
done
end_ticks=$(cpu_ticks)
end_ns=$(date +%s%N)
kill -0 "$APP_PID" || { echo "the app died:" >&2; cat "$WORK/app.log" >&2; exit 1; }

awk -v t="$((end_ticks - start_ticks))" -v hz="$TICK" -v ns="$((end_ns - start_ns))" \
  -v maxr="$max_rss" -v sumr="$sum_rss" -v n="$SECONDS_MEASURED" 'BEGIN {
    printf "cpu: %.2f %% of one core (average over %.1f s)\n", 100 * t / hz / (ns / 1e9), ns / 1e9
    printf "rss: %.1f MB max, %.1f MB mean\n", maxr / 1024, sumr / n / 1024
  }'
if [ -s "$WORK/app.log" ]; then
  echo "app log:"
  sed 's/^/  /' "$WORK/app.log"
fi
