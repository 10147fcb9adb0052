#!/usr/bin/env bash
# Runs the app in a real X window with the null sink's monitor as microphone,
# plays the guitar's D string 12 cents sharp into the sink and reads the
# window's pixels: the sharp light on, the others off; then clicks the note,
# auto and mode buttons and checks the buttons change as they should.
#   tuner-screen.sh QUILLON
set -euo pipefail
APP=$1
source "$(dirname "$0")/lib.sh"

# The standard guitar at 440 Hz; its D string 12 cents sharp.
tone d "$(awk 'BEGIN { printf "%.3f", 146.83 * 2 ^ (12 / 1200) }')" nullsink
start_app

# "R G B" of the window around landscape point (X, Y) (2 pixels a point):
# the mean of a 12 x 12-pixel box.
pixel() {
  /usr/bin/convert "$WORK/screen.png" -crop "12x12+$(($1 * 2 - 6))+$(($2 * 2 - 6))" +repage \
    -scale '1x1!' -format "%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]" info:
}
red() { set -- $(pixel "$1" "$2"); [ "$1" -gt 150 ] && [ "$1" -gt $(($2 + 30)) ]; }
bright() { set -- $(pixel "$1" "$2"); [ $(($1 + $2 + $3)) -gt 300 ]; }
# Waits up to 10 s until the auto button's pixel is (is_) or is not (not_)
# what it was at the start: the app redraws at its own pace, which on a busy
# machine can be slow.
auto_is() { shot screen >/dev/null; [ "$(pixel 440 270)" = "$auto_before" ]; }
auto_not() { shot screen >/dev/null; [ "$(pixel 440 270)" != "$auto_before" ]; }

# Light centres on the landscape screen: flat (18, 46), centre (239, 23),
# sharp (457, 46).
lit=""
for _ in $(seq 40); do
  sleep 0.5
  shot screen >/dev/null
  if red 457 46; then lit=yes; break; fi
done
[ -n "$lit" ] || fail "the sharp light never came on (sharp light pixel: $(pixel 457 46))"
red 18 46 && fail "the flat light is on too"
bright 239 23 && fail "the centre light is on too"

# The auto button (X 395-460, Y 235-275) starts selected; pressing the first
# note button (X 30-70) forces that string and deselects it.
auto_before=$(pixel 440 270)
click 50 255
wait_until auto_not || fail "the auto button still looks selected"
click 427 255
wait_until auto_is || fail "the auto button does not look selected again"

# Tone mode (mode button X 382-452, Y 187-213) hides the auto button and the
# needle; back in tuner mode the auto button returns.
click 417 200
wait_until auto_not || fail "the auto button is still shown in tone mode"
click 417 200
wait_until auto_is || fail "the auto button did not come back"
kill -0 "$APP_PID" || fail "the app died"
echo "ok"
