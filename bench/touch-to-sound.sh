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

source bench/lib.sh
if [ -z "${PULSE_SERVER:-}" ]; then
  use_sound_server
  sleep 2
fi
echo
SDL_AUDIODRIVER=pulseaudio "$BENCH" "$PRESSES"
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
