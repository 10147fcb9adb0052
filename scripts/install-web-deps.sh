#!/usr/bin/env bash
# Installs what the browser build and its tests need, with what
# scripts/install-deps.sh installs for the desktop program: Debian's
# Emscripten (the only WebAssembly toolchain reachable here), fontTools (cuts
# the signs the page needs out of DejaVu Sans) and chromium, and
# puppeteer-core from npm (tests/web/package.json, into
# tests/web/node_modules), which drives chromium in the browser tests.
# Idempotent: packages already present are left alone, and apt and npm are
# only touched when something is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

install_node_modules() {
  # The lock file pins every package; a tree installed from it is kept.
  if ! cmp -s tests/web/package-lock.json tests/web/node_modules/.quillon-lock 2>/dev/null; then
    echo "install-web-deps: installing puppeteer-core (npm ci)" >&2
    (cd tests/web && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
    cp tests/web/package-lock.json tests/web/node_modules/.quillon-lock
  fi
}

packages=(emscripten chromium python3-fonttools)
# npm comes with Node from some sources, and as a package of its own from Debian.
command -v npm >/dev/null || packages+=(npm)
./scripts/install-deps.sh "${packages[@]}"
install_node_modules
