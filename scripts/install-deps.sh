#!/usr/bin/env bash
# Installs every Debian package Quillon needs to build, run and test, and
# those named as arguments (scripts/install-web-deps.sh names the browser
# build's).
# Idempotent: packages already present are left alone, and apt is only
# touched when something is missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config clang clang-format
  libfftw3-dev libsdl2-dev libcairo2-dev libsndfile1-dev libsamplerate0-dev libx11-dev
  fonts-liberation fonts-dejavu-core fontconfig
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  pulseaudio pulseaudio-utils xvfb xdotool x11-apps sox imagemagick time
  dpkg-dev file help2man man-db lintian appstream desktop-file-utils
)
PACKAGES+=("$@")

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi

echo "install-deps: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
