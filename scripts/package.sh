#!/usr/bin/env bash
# Builds the Debian package quillon_<version>_<arch>.deb into the folder given
# (default: this repository's top folder) and prints its path last.
#
# It has a build tree of its own (build-deb/, or $QUILLON_PACKAGE_BUILD_DIR),
# made with Debian's compiler and linker flags and with the programs looking
# for their resources only where they are installed, and builds there only
# what the package holds (no tests, no benchmarks). CPack's DEB generator
# makes the package from the project's install rules, so the package holds
# exactly what `cmake --install` installs; dpkg-shlibdeps declares the
# libraries the programs link.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD_DIR=${QUILLON_PACKAGE_BUILD_DIR:-build-deb}
OUT_DIR=$(realpath "${1:-$ROOT}")

for tool in help2man dpkg-buildflags dpkg-shlibdeps file; do
  if ! command -v "$tool" >/dev/null; then
    echo "package.sh: $tool is missing (scripts/install-deps.sh installs it)" >&2
    exit 1
  fi
done

# Fortified functions, stack protector, full RELRO and immediate binding, as
# Debian builds its own packages. CMake reads these when it first configures.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CPPFLAGS=$(dpkg-buildflags --get CPPFLAGS)
CFLAGS="$(dpkg-buildflags --get CFLAGS) $CPPFLAGS"
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $CPPFLAGS"
LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
export CFLAGS CXXFLAGS LDFLAGS
# The manual pages carry the date of the last commit, not of the build.
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}
export SOURCE_DATE_EPOCH

cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DQUILLON_BENCH=OFF -DQUILLON_BUILD_TREE_RESOURCES=OFF \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)" --target quillon_package_contents

rm -rf "$BUILD_DIR/package"
(cd "$BUILD_DIR" && cpack -G DEB -B "$ROOT/$BUILD_DIR/package" >/dev/null)
debs=("$BUILD_DIR"/package/quillon_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  echo "package.sh: cpack made no package" >&2
  exit 1
fi
mkdir -p "$OUT_DIR"
mv -f "${debs[0]}" "$OUT_DIR/"
echo "$OUT_DIR/$(basename "${debs[0]}")"
