#!/usr/bin/env bash
# Plays the violin's A string with quillon-tone into the PulseAudio null sink,
# records the sink's monitor and checks that what came out is 440 Hz within
# one cent, as a clean sine.
#   tone.sh QUILLON_TONE MEASURE_TOOL
set -euo pipefail
TONE=$1
MEASURE=$2
: "${PULSE_SERVER:?needs a PulseAudio server with a null sink named nullsink}"

WORK=$(mktemp -d)
REC_PID=""
cleanup() {
  if [ -n "$REC_PID" ]; then
    kill "$REC_PID" 2>/dev/null || true
    wait "$REC_PID" 2>/dev/null || true
  fi
  rm -rf "$WORK"
}
trap cleanup EXIT

parecord --raw --latency-msec=50 -d nullsink.monitor --rate=22050 --channels=1 --format=s16le \
  >"$WORK/tone.raw" &
REC_PID=$!
bytes() { stat -c %s "$WORK/tone.raw"; }
# Waits up to 10 s until the recording holds more than $1 bytes.
recorded_beyond() {
  for _ in $(seq 200); do
    [ "$(bytes)" -gt "$1" ] && return 0
    sleep 0.05
  done
  echo "tone.sh: the recording stopped at $(bytes) bytes" >&2
  exit 1
}
# A new recording stream gets its first data late (how late depends on the
# machine's load): play once it runs.
recorded_beyond 0
"$TONE" --tuning violin 3
# And stop once half a second more (22050 bytes) has come in after the tone.
recorded_beyond $(($(bytes) + 22050))
kill "$REC_PID"
wait "$REC_PID" 2>/dev/null || true
REC_PID=""

echo "recorded $(stat -c %s "$WORK/tone.raw") bytes"
# Within one cent, and a clean sine (no dropouts, no clipping) while it holds.
"$MEASURE" "$WORK/tone.raw" 22050 440 1 2
