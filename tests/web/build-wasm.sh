#!/usr/bin/env bash
# Builds the analysis as a Node module (tests/web/AnalyseMain.cpp) with
# Emscripten into BUILD_DIR, configuring it there on first use:
#   build-wasm.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
SOURCE=$1
BUILD=$2
# Debian's Emscripten finds its JavaScript dependencies only through this.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  emcmake cmake -S "$SOURCE" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$BUILD" --parallel 2 --target quillon-analyse-wasm
