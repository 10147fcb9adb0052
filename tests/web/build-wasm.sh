#!/usr/bin/env bash
# Builds the programs the web tests run under Node (tests/web/CMakeLists.txt)
# with Emscripten into BUILD_DIR:
#   build-wasm.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
SOURCE=$1
BUILD=$2
# Debian's Emscripten finds its JavaScript dependencies only through this.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
# Configured every time (a second or two): a target added since the last
# configuration is otherwise unknown to the build.
emcmake cmake -S "$SOURCE" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" --parallel 2 --target quillon-analyse-wasm quillon-libcxx-compat-check quillon-audio-page
