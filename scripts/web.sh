#!/usr/bin/env bash
# Builds Quillon for the browser: a static site in build-web/site (the page,
# its script and WebAssembly, images, fonts, manifest, icon and a service
# worker). Installs what is missing first. With --serve [PORT] it then serves
# the site on http://localhost:PORT/ (default 8080), where browsers allow the
# microphone without HTTPS.
#
#   scripts/web.sh                 build
#   scripts/web.sh --serve [PORT]  build, then serve until Ctrl+C
set -euo pipefail
cd "$(dirname "$0")/.."

serve=""
port=8080
while [ $# -gt 0 ]; do
  case "$1" in
    --serve)
      serve=1
      if [ $# -gt 1 ] && [[ "$2" =~ ^[0-9]+$ ]]; then
        port="$2"
        shift
      fi
      ;;
    -h | --help)
      sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'
      exit 0
      ;;
    *)
      echo "web.sh: unknown argument: $1 (see --help)" >&2
      exit 2
      ;;
  esac
  shift
done

# The images are drawn by the native build's generator (cairo), so the
# desktop's packages are needed too; Emscripten and fontTools for the page.
./scripts/install-deps.sh
./scripts/install-web-deps.sh

# The bundle images, from the native build tree.
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build --target quillon_images_generate -j2

# Debian's Emscripten finds its own JavaScript modules only through NODE_PATH.
export NODE_PATH=/usr/share/nodejs
if [ ! -f build-web/CMakeCache.txt ]; then
  emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release \
    -DQUILLON_IMAGES_DIR="$PWD/build/resources" >/dev/null
fi
cmake --build build-web --target quillon_site -j2
echo "web.sh: the site is in build-web/site ($(du -sh build-web/site | cut -f1))"

if [ -n "$serve" ]; then
  echo "web.sh: serving on http://localhost:$port/ (Ctrl+C stops)"
  exec python3 -m http.server "$port" --bind 127.0.0.1 --directory build-web/site
fi
