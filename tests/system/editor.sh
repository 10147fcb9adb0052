#!/usr/bin/env bash
# editor.sh CMAKE BUILD_DIR PROBE SHOT_DIR
#
# The tuning editor in the installed app, in a real X window with the
# PulseAudio null sink as its microphone (DISPLAY and PULSE_SERVER set by
# the caller): "Open C" (C2 G2 C3 G3 C4 E4) is made from the new tuning's
# guitar strings with clicks and keys and saved; after a restart it is
# listed, a click chooses it, the tuner shows its strings, and a plucked G2
# played into the sink is named. A screenshot of the editor goes to SHOT_DIR.
set -euo pipefail
CMAKE=$1
BUILD=$2
PROBE=$3
SHOTS=$4
source "$(dirname "$0")/lib.sh"

install_app "$CMAKE" "$BUILD"
NOTE=$PREFIX/share/quillon/G2p.caf
[ -f "$NOTE" ] || fail "no $NOTE"
mkdir -p "$SHOTS"

to_settings() {
  xdotool key i
  expect_geometry 640x960
  sleep 0.6 # the rest of the flip
}
# The editor's rows of strings: row N (1-8) is centred at y 151 + 32 (N - 1);
# its - button at x 62, + at 194.
row_y() { echo $((151 + 32 * ($1 - 1))); }

# --- First run: make "Open C" and save it.
start_app
to_settings
# End shows the foot of the list: "New tuning…", the last row, at y 448.
xdotool key End
click 160 448
sleep 0.3
# The new tuning's strings are a guitar's: E2 A2 D3 G3 B3 E4. The name has
# the focus.
xdotool type --delay 40 "Open C"
for _ in 1 2 3 4; do click 62 "$(row_y 1)"; done # E2 -> C2
xdotool key --delay 40 Tab Tab Down Down         # A2 -> G2
xdotool key --delay 40 Tab BackSpace BackSpace   # D3, typed over
xdotool type --delay 40 "c3"
xdotool key Tab
click 194 "$(row_y 5)" # B3 -> C4
sleep 0.5
cp "$(shot editor)" "$SHOTS/tuning-editor.png"
click 289 22 # Save
wait_until grep -qx "Open C = C2 G2 C3 G3 C4 E4" "$TUNINGS" || fail "Open C not written"
wait_until grep -qx "s TargetTuning=user:Open C" "$PREFERENCES" || fail "Open C not chosen"
# 1 chooses the first tuning again, so that the next run must find Open C.
xdotool key 1
wait_until grep -qx "s TargetTuning=guitar" "$PREFERENCES" || fail "guitar not chosen"
xdotool key Return
expect_geometry 960x640
stop_app
[ "$(cat "$TUNINGS")" = "Open C = C2 G2 C3 G3 C4 E4" ] || fail "the file holds more than Open C"

# --- Second run: Open C is listed last; a click chooses it.
start_app
to_settings
xdotool key End
sleep 0.3
cp "$(shot settings)" "$SHOTS/settings-your-tunings.png"
click 60 404 # "Open C", above "New tuning…"
wait_until grep -qx "s TargetTuning=user:Open C" "$PREFERENCES" || fail "Open C not listed or chosen"
xdotool key Return
expect_geometry 960x640
strings_shown() { [ "$(probe letters "$(shot tuner)")" = "C G C G C E" ]; }
wait_until strings_shown || fail "the tuner shows $(probe letters "$(shot tuner)"), not Open C"

# A plucked G2 is named.
pluck_until_note "$NOTE" G
stop_app
echo "editor.sh: ok (Open C made, kept, chosen, G2 named)"
