#!/usr/bin/env bash
# quillon's command line as a desktop user meets it: help and version on
# standard output with status 0, a usage error on standard error with status
# 2, a clear refusal (status 1) with no display, the input devices listed
# without one, and --offscreen running without one. Needs no sound server or
# display (SDL's dummy audio driver).
#   command-line.sh QUILLON VERSION
set -uo pipefail
APP=$1
VERSION=$2
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export XDG_CONFIG_HOME=$WORK/config XDG_CACHE_HOME=$WORK/cache SDL_AUDIODRIVER=dummy
unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER
failures=0
fail() {
  echo "FAIL: $*"
  for f in out err; do [ -s "$WORK/$f" ] && sed "s/^/    $f: /" "$WORK/$f"; done
  failures=$((failures + 1))
}
run() {  # run STATUS ARGS...: runs the app (at most 10 s), checks its status
  local want=$1 status
  shift
  timeout 10 "$APP" "$@" >"$WORK/out" 2>"$WORK/err"
  status=$?
  [ "$status" -eq "$want" ] || { fail "quillon $* exited $status, not $want"; return 1; }
}

run 0 --help && grep -q -- "--list-inputs" "$WORK/out" && [ ! -s "$WORK/err" ] ||
  fail "--help: the options, on standard output"
run 0 --version && [ "$(cat "$WORK/out")" = "quillon $VERSION" ] || fail "--version"
if run 2 --no-such-option; then
  [ "$(head -1 "$WORK/err")" = "quillon: unknown option '--no-such-option'" ] &&
    sed -n 2p "$WORK/err" | grep -q '^Usage: quillon' && [ ! -s "$WORK/out" ] ||
    fail "usage error: a line, then the usage, on standard error only"
fi
# No display: said in one line, before anything else starts.
run 1 --input Interface-Mic && [ "$(wc -l <"$WORK/err")" -eq 1 ] &&
  grep -q "no display" "$WORK/err" || fail "no refusal without a display"
run 0 --list-inputs && [ "$(cat "$WORK/out")" = "System audio capture device" ] ||
  fail "--list-inputs without a display"

# --offscreen runs without one, until told to quit.
"$APP" --offscreen >"$WORK/out" 2>"$WORK/err" &
pid=$!
sleep 1.5
if kill -0 "$pid" 2>/dev/null; then
  kill -TERM "$pid"
  wait "$pid"
  status=$?
  [ "$status" -eq 0 ] || fail "--offscreen: exit status $status after SIGTERM"
else
  wait "$pid"
  fail "--offscreen did not keep running (status $?)"
fi

[ "$failures" -eq 0 ] && echo "command-line.sh: ok"
exit $((failures > 0))
