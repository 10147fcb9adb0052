#!/usr/bin/env bash
# Whole-process speed of quillon-analyse on a generated recording: median wall
# and CPU time of RUNS runs, the ratio of the recording's length to each, and
# the largest resident size.
# Usage: bench/analyse-bench.sh
#   QUILLON_BUILD_DIR=build RUNS=11 AUDIO_SECONDS=60 RATE=22050 CHANNELS=1 FORMAT=aiff
# FORMAT is any file type sox writes (aiff, wav, flac, ogg); the recording is
# made in a temporary folder under /tmp and removed afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${QUILLON_BUILD_DIR:-build}
TOOL=$BUILD_DIR/tools/quillon-analyse
RUNS=${RUNS:-11}
AUDIO_SECONDS=${AUDIO_SECONDS:-60}
RATE=${RATE:-22050}
CHANNELS=${CHANNELS:-1}
FORMAT=${FORMAT:-aiff}

[ -x "$TOOL" ] || { echo "analyse-bench: build $TOOL first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
recording=$work/recording.$FORMAT
# A bright, steady open A string a little sharp, 16-bit.
sox -q -n -r "$RATE" -c "$CHANNELS" -b 16 "$recording" synth "$AUDIO_SECONDS" sawtooth 110.5 vol 0.3

"$TOOL" "$recording" >/dev/null  # warm-up: page cache, FFT wisdom
for _ in $(seq "$RUNS"); do
  /usr/bin/time -f '%e %U %S %M' "$TOOL" "$recording" 2>&1 >/dev/null | tail -1
done >"$work/times"
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
wall=$(awk '{ print $1 }' "$work/times" | median)
cpu=$(awk '{ print $2 + $3 }' "$work/times" | median)
rss=$(awk '{ print $4 }' "$work/times" | sort -n | tail -1)
awk -v runs="$RUNS" -v audio="$AUDIO_SECONDS" -v wall="$wall" -v cpu="$cpu" -v rss="$rss" \
  -v what="$RATE Hz, $CHANNELS channel(s), $FORMAT" 'BEGIN {
  printf "quillon-analyse, %d s recording (%s), %d runs\n", audio, what, runs
  printf "median wall %.3f s  (%.0f x real time)\n", wall, audio / wall
  printf "median CPU  %.3f s  (%.0f x real time, %.2f ms CPU per second of audio)\n",
    cpu, audio / cpu, 1000 * cpu / audio
  printf "largest resident size %.1f MB\n", rss / 1024
}'
