#!/usr/bin/env bash
# Builds the programs the web tests run under Node (tests/web/CMakeLists.txt)
# and the site the browser tests open (target quillon_site) with Emscripten
# into BUILD_DIR; the site's images are those the native build drew into
# IMAGES_DIR:
#   build-wasm.sh SOURCE_DIR BUILD_DIR IMAGES_DIR
set -euo pipefail
SOURCE=$1
BUILD=$2
IMAGES=$3
# Debian's Emscripten finds its JavaScript dependencies only through this.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
# Configured every time (a second or two): a target added since the last
# configuration is otherwise unknown to the build.
emcmake cmake -S "$SOURCE" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release \
  -DQUILLON_IMAGES_DIR="$IMAGES" >/dev/null
cmake --build "$BUILD" --parallel 2 --target quillon-analyse-wasm quillon-libcxx-compat-check quillon_site
