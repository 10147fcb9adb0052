#!/usr/bin/env bash
# The browser tests of the app's page (browser/browser-test.js) on a recorded
# note made here with sox: a plucked A2, 8 cents sharp, 44.1 kHz.
#   browser.sh WEB_BUILD_DIR SCREEN_PROBE [TEST]
#   (TEST: microphone, settings or refused; all when left out)
set -euo pipefail
BUILD=$1
PROBE=$2
HERE=$(cd "$(dirname "$0")" && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
sox -q -n -r 44100 -c 1 -b 16 "$WORK/note.wav" synth 3 pluck \
  "$(awk 'BEGIN { printf "%.3f", 110 * 2 ^ (8 / 1200) }')"
QUILLON_BROWSER_TEST=${3:-} node "$HERE/browser/browser-test.js" "$BUILD" "$WORK/note.wav" "$PROBE" A 8
