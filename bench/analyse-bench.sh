#!/usr/bin/env bash
# Whole-process speed of quillon-analyse on a 60 s recording: median wall and
# CPU time of RUNS runs, and the ratio of the recording's length to each.
# Usage: bench/analyse-bench.sh  (QUILLON_BUILD_DIR=build, RUNS=11)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${QUILLON_BUILD_DIR:-build}
TOOL=$BUILD_DIR/tools/quillon-analyse
RUNS=${RUNS:-11}
SECONDS_OF_AUDIO=60

[ -x "$TOOL" ] || { echo "analyse-bench: build $TOOL first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
recording=$work/recording.aiff
# A bright, steady open A string a little sharp: plain AIFF, 16-bit mono, 22050 Hz.
sox -q -n -r 22050 -c 1 -b 16 "$recording" synth $SECONDS_OF_AUDIO sawtooth 110.5 vol 0.3

"$TOOL" "$recording" >/dev/null  # warm-up: page cache, FFT wisdom
TIMEFORMAT='%3R %3U %3S'
for _ in $(seq "$RUNS"); do
  { time "$TOOL" "$recording" >/dev/null; } 2>&1
done >"$work/times"
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
wall=$(awk '{ print $1 }' "$work/times" | median)
cpu=$(awk '{ print $2 + $3 }' "$work/times" | median)
awk -v runs="$RUNS" -v audio="$SECONDS_OF_AUDIO" -v wall="$wall" -v cpu="$cpu" 'BEGIN {
  printf "quillon-analyse, %d s recording, %d runs\n", audio, runs
  printf "median wall %.3f s  (%.0f x real time)\n", wall, audio / wall
  printf "median CPU  %.3f s  (%.0f x real time, %.2f ms CPU per second of audio)\n",
    cpu, audio / cpu, 1000 * cpu / audio
}'
