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

source bench/lib.sh

use_sound_server
use_display

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
