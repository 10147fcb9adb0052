#!/usr/bin/env bash
# Checks a Debian package of Quillon as a user's machine would meet it:
#   scripts/check-package.sh quillon_<version>_<arch>.deb
# It unpacks the package into a root of its own (dpkg-deb -x), checks that
# this machine has what it depends on, runs the installed programs from that
# root, and validates the package (lintian) and its desktop metadata
# (AppStream, the launcher entry, the icons, the manual pages). Each check
# prints "ok: …" or "FAILED: …"; the last line is
#   package: N passed, N failed
# and the exit status is 1 when any check failed.
set -uo pipefail
DEB=$(realpath "${1:?usage: check-package.sh PACKAGE.deb}")

passed=0
failed=0
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
# check NAME COMMAND...: runs COMMAND quietly; its output is shown if it fails.
check() {
  local name=$1
  shift
  if "$@" >"$WORK/check.log" 2>&1; then
    echo "ok: $name"
    passed=$((passed + 1))
  else
    echo "FAILED: $name"
    sed 's/^/    /' "$WORK/check.log"
    failed=$((failed + 1))
  fi
}

ROOT=$WORK/root
dpkg-deb -x "$DEB" "$ROOT" || { echo "FAILED: unpacking $DEB"; echo "package: 0 passed, 1 failed"; exit 1; }
VERSION=$(dpkg-deb -f "$DEB" Version)
BIN=$ROOT/usr/bin
SHARE=$ROOT/usr/share
APP_ID=io.github.quillon.Quillon
# The programs must stand on the unpacked tree alone: none of the user's
# settings, no library path, no sound server, no display.
export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/home/.config XDG_CACHE_HOME=$WORK/home/.cache
mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME"
unset LD_LIBRARY_PATH DISPLAY WAYLAND_DISPLAY PULSE_SERVER

depends_installed() {
  # dpkg-checkbuilddeps weighs versions and alternatives against what is
  # installed; it wants a control file, which says nothing here.
  printf 'Source: quillon\n\nPackage: quillon\nArchitecture: any\n' >"$WORK/control"
  local depends
  depends=$(dpkg-deb -f "$DEB" Depends)
  echo "Depends: $depends"
  [ -n "$depends" ] && dpkg-checkbuilddeps -d "$depends" "$WORK/control"
}
check "what the package depends on is installed" depends_installed

has_files() {
  local f
  for f in "$@"; do [ -f "$ROOT/$f" ] || { echo "missing: /$f"; return 1; }; done
}
check "programs, resources, launcher entry, metadata, manual pages, copyright" has_files \
  usr/bin/quillon usr/bin/quillon-analyse usr/bin/quillon-tone \
  usr/share/quillon/Background.png usr/share/quillon/quillon.png usr/share/quillon/A2g.caf \
  "usr/share/applications/$APP_ID.desktop" "usr/share/metainfo/$APP_ID.metainfo.xml" \
  usr/share/man/man1/quillon.1.gz usr/share/man/man1/quillon-analyse.1.gz \
  usr/share/man/man1/quillon-tone.1.gz usr/share/doc/quillon/copyright

answers() {  # answers PATTERN COMMAND...: exits 0 and prints PATTERN
  local pattern=$1
  shift
  "$@" >"$WORK/out" || return 1
  cat "$WORK/out"
  grep -qE "$pattern" "$WORK/out"
}
check "quillon --version" answers "^quillon $VERSION\$" "$BIN/quillon" --version
check "quillon-analyse --help" answers '^Usage: quillon-analyse' "$BIN/quillon-analyse" --help
check "quillon-tone --help" answers '^Usage: quillon-tone' "$BIN/quillon-tone" --help

# The app finds its images and notes in the unpacked tree, not in the build
# tree that made it: the package's programs know no build tree, and a
# missing bundle shows as a missing window icon in the log. Offscreen, on
# SDL's silent audio driver, for a few seconds; it must still be running.
app_finds_its_resources() {
  local status=0
  SDL_AUDIODRIVER=dummy timeout 5 "$BIN/quillon" --offscreen 2>"$WORK/app.err" || status=$?
  cat "$WORK/app.err"
  [ "$status" -eq 124 ] || { echo "quillon ended with status $status"; return 1; }
  ! grep -qE 'among the resources|cannot read image' "$WORK/app.err"
}
check "quillon runs on the resources it installs" app_finds_its_resources

icons_in_theme() {
  local icon size
  icon=$(sed -n 's/^Icon=//p' "$SHARE/applications/$APP_ID.desktop")
  echo "Icon=$icon"
  [ "$icon" = "$APP_ID" ] || return 1
  for size in 48 128 256; do
    file "$SHARE/icons/hicolor/${size}x$size/apps/$icon.png" | tee /dev/stderr |
      grep -q "PNG image data, $size x $size" || return 1
  done
}
check "launcher icon in the theme's sizes" icons_in_theme

check "desktop-file-validate" desktop-file-validate "$SHARE/applications/$APP_ID.desktop"
# validate-tree also checks that the metadata's launcher entry is installed.
check "appstreamcli validate-tree --no-net" appstreamcli validate-tree --no-net "$ROOT"

man_pages_render() {
  local page
  for page in "$SHARE"/man/man1/*.1.gz; do
    # man's own warnings (bad requests, lines it cannot fit) fail the check.
    LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" >"$WORK/man.txt" 2>"$WORK/man.err"
    cat "$WORK/man.err"
    [ ! -s "$WORK/man.err" ] || return 1
    # help2man found the usage and the options in the program's --help.
    grep -q '^SYNOPSIS' "$WORK/man.txt" && grep -q -- '--version' "$WORK/man.txt" ||
      { echo "$page: no synopsis or no options"; cat "$WORK/man.txt"; return 1; }
  done
}
check "manual pages" man_pages_render

check "lintian (no errors, no warnings)" lintian --fail-on error,warning --info "$DEB"

echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
