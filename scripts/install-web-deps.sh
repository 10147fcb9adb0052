#!/usr/bin/env bash
# Installs the Debian packages the browser build and its tests need, beyond
# what scripts/install-deps.sh installs for the desktop program: Debian's
# Emscripten (the only WebAssembly toolchain reachable here), fontTools (cuts
# the signs the page needs out of DejaVu Sans) and chromium (the page's tests).
# Idempotent: packages already present are left alone, and apt is only
# touched when something is missing.
set -euo pipefail

PACKAGES=(emscripten chromium python3-fonttools)

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

echo "install-web-deps: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
