#!/usr/bin/env bash
# Touch to sound for notes the app synthesises (bench/TouchToSound.cpp), on
# SDL's dummy output (which takes samples at the pace of a real device) and
# on a PulseAudio server.
#
#   bench/touch-to-sound.sh [BUILD_DIR] [PRESSES]
#
# Uses the PulseAudio server in PULSE_SERVER when it is set; otherwise starts
# its own with a null sink, in a directory of its own, keeps a silent stream on
# it (an idle null sink takes its samples in blocks of up to 2 s, which no
# sound card does), and stops both again by their PIDs.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${1:-build}
PRESSES=${2:-30}
BENCH=$BUILD_DIR/bench/quillon_touch_to_sound
[ -x "$BENCH" ] || { echo "no $BENCH: build first" >&2; exit 1; }

echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
SDL_AUDIODRIVER=dummy "$BENCH" "$PRESSES"

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
  HOME=$WORK pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
    --load="module-null-sink sink_name=nullsink rate=22050 channels=1 format=s16le" \
    --load="module-native-protocol-unix auth-anonymous=1 socket=$WORK/pulse.sock" \
    >"$WORK/pa.log" 2>&1 &
  PIDS+=($!)
  export PULSE_SERVER=unix:$WORK/pulse.sock
  until pactl info >/dev/null 2>&1; do sleep 0.1; done
  pacat --playback -d nullsink --latency-msec=20 --raw --rate=22050 --channels=1 \
    --format=s16le /dev/zero &
  PIDS+=($!)
  sleep 2
fi
echo
SDL_AUDIODRIVER=pulseaudio "$BENCH" "$PRESSES"
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
