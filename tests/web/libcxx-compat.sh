#!/usr/bin/env bash
# The browser build's stand-ins for missing library parts
# (platform/web/LibcxxCompat.h) give what the real library gives: the same
# program built natively and to WebAssembly prints the same lines.
#   libcxx-compat.sh NATIVE_CHECK WASM_CHECK.js
set -euo pipefail
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
"$1" >"$WORK/native"
node "$2" >"$WORK/wasm"
if ! diff "$WORK/native" "$WORK/wasm" >"$WORK/diff"; then
  echo "libcxx-compat: $(grep -c '^<' "$WORK/diff") of $(wc -l <"$WORK/native") lines differ" \
    "(< native, > WebAssembly):" >&2
  head -40 "$WORK/diff" >&2
  exit 1
fi
echo "libcxx-compat: $(wc -l <"$WORK/native") lines alike"
