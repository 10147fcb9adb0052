#!/usr/bin/env bash
# The analysis built to WebAssembly gives the native analyser's passes: both
# replay the same recordings (synthesised here with sox) and must agree on
# every pass - its time and frames, the note selected (or none), and the
# cents to within 0.01.
#   analysis-node.sh QUILLON_ANALYSE WASM_MODULE
set -euo pipefail
NATIVE=$1
MODULE=$2
HERE=$(cd "$(dirname "$0")" && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

cents() {  # frequency of $1 Hz moved by $2 cents
  awk -v f="$1" -v c="$2" 'BEGIN { printf "%.3f", f * 2 ^ (c / 1200) }'
}

# A plucked A2, 8 cents sharp, after 0.4 s of silence (passes without a note).
sox -q -n -r 22050 -c 1 -b 16 "$WORK/a2.aiff" synth 3 pluck "$(cents 110 8)" pad 0.4
# Drop-D's low D, 6 cents flat, its fundamental 22 dB under the octave: the
# passes where the octave above wins and where the low string is read back.
d=$(cents 73.416 -6)
sox -q -n -r 22050 -c 5 -b 16 -e signed-integer "$WORK/d2.wav" synth 3 \
  sine "$d" sine "$(cents "$d" 1200)" sine "$(awk -v f="$d" 'BEGIN { print 3 * f }')" \
  sine "$(cents "$d" 2400)" sine "$(awk -v f="$d" 'BEGIN { print 5 * f }')"
sox -q "$WORK/d2.wav" -c 1 "$WORK/d2.aiff" remix 1v0.02,2v0.25,3v0.2,4v0.12,5v0.08 \
  fade q 0.02 3 2.5 pad 0.3
# A chromatic F#3, 12 cents flat. (At the capture rate, as all three: the
# native analyser brings any other rate to it with libsamplerate, which the
# browser build does not have.)
sox -q -n -r 22050 -c 1 -b 16 "$WORK/fs3.aiff" synth 2.5 pluck "$(cents 185.0 -12)" pad 0.2

status=0
check() {  # name, sound expected in most passes, analyser options...
  local name=$1 expected=$2
  shift 2
  "$NATIVE" --json "$@" "$WORK/$name.aiff" >"$WORK/$name.native"
  node "$HERE/analyse-wasm.js" "$MODULE" --json --pass-times "$@" "$WORK/$name.aiff" \
    >"$WORK/$name.wasm"
  node "$HERE/compare-passes.js" "$name" "$expected" "$WORK/$name.native" "$WORK/$name.wasm" ||
    status=1
}
check a2 A2g --tuning guitar
check d2 D2g --tuning dropd
check fs3 Fs3t --tuning chromatic
exit $status
