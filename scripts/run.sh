#!/usr/bin/env bash
# Installs what is missing, builds, and starts Quillon.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
if [ -x build/Classes/quillon ]; then
  exec build/Classes/quillon "$@"
fi
echo "quillon: the tuner app is not built yet; only the analysis core and tools exist so far." >&2
