#!/usr/bin/env bash
# app.sh CMAKE BUILD_DIR PROBE SHOT_DIR
#
# The installed quillon in a real X window, with the PulseAudio null sink as
# its microphone (DISPLAY and PULSE_SERVER set by the caller): a plucked A
# shows "A"; the settings screen takes "5-String Banjo" and a new
# calibration; both are still there after a restart. Screenshots of both
# screens go to SHOT_DIR.
set -euo pipefail
CMAKE=$1
BUILD=$2
PROBE=$3
SHOTS=$4
source "$(dirname "$0")/lib.sh"

install_app "$CMAKE" "$BUILD"
[ -f "$PREFIX/share/applications/io.github.quillon.Quillon.desktop" ] || fail "no desktop entry"
[ -f "$PREFIX/share/icons/hicolor/256x256/apps/io.github.quillon.Quillon.png" ] || fail "no icon"
NOTE=$PREFIX/share/quillon/A2g.caf
[ -f "$NOTE" ] || fail "no $NOTE"
mkdir -p "$SHOTS"

# Whether the tuner screen in the window shows $1 note buttons and the
# calibration read-out $2 (which it does once a flip back is over).
tuner_shows() {
  local s
  s=$(shot "tuner-$1")
  [ "$(probe buttons "$s")" = "$1" ] && [ "$(probe calibration "$s")" = "$2" ]
}

# --- First run: tune an A.
start_app
pluck_until_note "$NOTE" A
cp "$WORK/tuner.png" "$SHOTS/tuner-screen.png"
[ "$(probe buttons "$(shot tuner)")" = 6 ] || fail "the guitar's six buttons are not shown"

# --- The settings screen (upright). The info button of the landscape screen
# sits at portrait (302, 22), the landscape point (458, 302). The screens
# swap as the flip starts; the window turns halfway through it.
click 458 302
expect_geometry 640x960
# The window turns halfway through the 1 s flip; let the flip end before the
# list is scrolled.
sleep 0.6
# The slider's thumb rests at portrait (195, 106) for 440 Hz; drag it left.
xdotool mousemove --window "$WID" 390 213 mousedown 1
xdotool mousemove --window "$WID" 360 213
xdotool mousemove --window "$WID" 330 213 mouseup 1
# The list opens at its top; fifteen notches of the wheel over it take it to
# its end, where "5-String Banjo", the one row of its group, shows at
# portrait (160, 119), above Ukulele, Chromatic and "Your tunings". Events
# are handled in order, so the click lands on the scrolled list.
xdotool mousemove --window "$WID" 320 600 click --repeat 15 --delay 20 5
click 160 119
# Each choice is stored as the app handles it.
wait_until grep -qx "s TargetTuning=banjo" "$PREFERENCES" ||
  fail "banjo not stored: $(cat "$PREFERENCES")"
wait_until grep -q "^i Calibration=" "$PREFERENCES" ||
  fail "no calibration stored: $(cat "$PREFERENCES")"
sleep 0.5  # only so that the picture shows the end of the scroll
cp "$(shot settings)" "$SHOTS/settings-screen.png"

# Done, at the right of the bar: portrait (288, 22).
click 288 22
expect_geometry 960x640
# The window turned for the Done click, so the drag before it has been
# handled: the stored calibration is its last.
CALIBRATION=$(sed -n 's/^i Calibration=//p' "$PREFERENCES")
[ "$CALIBRATION" -ge 420 ] && [ "$CALIBRATION" -lt 440 ] || fail "calibration $CALIBRATION"
wait_until tuner_shows 5 "$CALIBRATION Hz" ||
  fail "the tuner screen does not show the banjo's five buttons and $CALIBRATION Hz"
stop_app

# --- Second run: both choices are still there.
start_app
wait_until tuner_shows 5 "$CALIBRATION Hz" ||
  fail "after a restart, the banjo's five buttons and $CALIBRATION Hz are not shown"
# And by keyboard: I to the settings, Return back.
xdotool windowfocus --sync "$WID"
xdotool key i
expect_geometry 640x960
xdotool key Return
expect_geometry 960x640
stop_app
grep -q "Failed to create audio input source" "$WORK"/app*.log && fail "the app could not listen"
grep -qx "s TargetTuning=banjo" "$PREFERENCES" || fail "banjo lost"
grep -qx "i Calibration=$CALIBRATION" "$PREFERENCES" || fail "calibration lost"
echo "app.sh: ok (A seen, banjo and $CALIBRATION Hz kept)"
