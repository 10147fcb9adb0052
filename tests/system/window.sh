#!/usr/bin/env bash
# Drives quillon_window_demo in a real X window with xdotool. Needs DISPLAY.
set -euo pipefail
DEMO=$1
if [ -z "${DISPLAY:-}" ]; then
  echo "window.sh: DISPLAY is not set" >&2
  exit 1
fi

WORK=$(mktemp -d)
OUT=$WORK/out
"$DEMO" >"$OUT" 2>"$WORK/err" &
PID=$!
cleanup() {
  kill "$PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
  echo "window.sh: $*" >&2
  echo "--- demo stdout" >&2; cat "$OUT" >&2
  echo "--- demo stderr" >&2; cat "$WORK/err" >&2
  exit 1
}
# Waits up to 10 s for a line of the demo's output.
expect_line() {
  for _ in $(seq 100); do
    grep -qxF "$1" "$OUT" && return 0
    kill -0 "$PID" 2>/dev/null || break
    sleep 0.1
  done
  fail "never saw \"$1\""
}
expect_geometry() {
  for _ in $(seq 100); do
    xdotool getwindowgeometry "$1" | grep -q "Geometry: $2\$" && return 0
    sleep 0.1
  done
  fail "window $1 is not $2: $(xdotool getwindowgeometry "$1")"
}

WID=$(timeout 10 xdotool search --sync --name '^Quillon window test$' | head -1)
[ -n "$WID" ] || fail "no window"
expect_geometry "$WID" 960x640
expect_line "timer fired on the main thread"

# Landscape at scale 2: the portrait point (x, y) is at window (2(480 - y), 2x).
# The middle of the screen is background: (160, 240) -> (480, 320).
xdotool mousemove --window "$WID" 480 320 click 1
expect_line "background touched at 160,240"
# Button A, centred at portrait (100, 100) -> (760, 200).
xdotool mousemove --window "$WID" 760 200 click 1
expect_line "button A pressed"

# The window turns upright (640 x 960) and takes its new title.
timeout 10 xdotool search --sync --name '^Quillon window test upright$' >/dev/null ||
  fail "title not changed"
expect_geometry "$WID" 640x960
# Upright at scale 2: button B, centred at portrait (240, 410) -> (480, 820).
xdotool mousemove --window "$WID" 480 820 click 1
expect_line "button B pressed"
# Background near the portrait top right: (300, 20) -> (600, 40).
xdotool mousemove --window "$WID" 600 40 click 1
expect_line "background touched at 300,20"

xdotool windowfocus --sync "$WID"
xdotool key k
expect_line "key k, modifiers 0"
# An animation is drawn frame by frame; once it is over, nothing more is drawn
# until something happens. Each 'f' reports the count, then is one picture.
frames() {
  for _ in $(seq 50); do
    [ "$(grep -c '^frames drawn' "$OUT")" -ge "$1" ] && break
    sleep 0.1
  done
  grep '^frames drawn' "$OUT" | awk '{print $3}' | sed -n "$1p"
}
xdotool key f
before=$(frames 1)
[ -n "$before" ] || fail "no frame count"
xdotool key a
expect_line "animating"
# Once the fade is over, each 'f' adds only its own picture. The fade lasts
# half a second; on a busy machine its last frame may come later.
after=""
n=1
last=$before
for _ in $(seq 20); do
  sleep 0.3
  xdotool key f
  n=$((n + 1))
  count=$(frames "$n")
  [ -n "$count" ] || fail "frame count $n missing"
  if [ "$n" -gt 2 ] && [ "$count" -eq $((last + 1)) ]; then
    after=$last
    break
  fi
  last=$count
done
[ -n "$after" ] || fail "still drawing 6 s after a half-second fade: $(grep '^frames drawn' "$OUT" | tr '\n' ' ')"
# Two pictures for the keys, the rest for the fade.
[ "$after" -ge $((before + 8)) ] || fail "the fade was not drawn frame by frame: $before $after"

xdotool key ctrl+q
for _ in $(seq 100); do
  kill -0 "$PID" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$PID" 2>/dev/null; then fail "Ctrl+Q did not quit"; fi
status=0
wait "$PID" || status=$?
[ "$status" -eq 0 ] || fail "exit status $status"
expect_line "quit with status 0"
[ "$(grep -c pressed "$OUT")" -eq 2 ] || fail "unexpected presses"
echo "window.sh: ok ($before -> $after frames over the fade)"
