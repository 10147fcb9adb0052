#!/usr/bin/env bash
# The input device chosen in the settings, on a real PulseAudio server
# (PULSE_SERVER, with the null sink "nullsink" whose monitor is the default
# source) and a real X display (DISPLAY). Two listed sources: "Room-Mic" on
# nullsink's monitor, "Interface-Mic" on a second null sink's monitor (SDL
# lists no monitors, only sources like these). A D plays into nullsink, an A
# into the second sink.
#   The settings, opened by a click, list both under "Input", "System
#   default" checked; a click on Interface-Mic's row checks it, and the tuner
#   names the A, never the D.
#   After a restart the row is still checked and the A still named.
#   Unloading Interface-Mic while the tuner listens leaves the app alive,
#   saying so once, naming the D from the default source; the choice is kept,
#   and the settings show it checked, not connected.
# A shot of the settings with Interface-Mic chosen goes to SHOT_DIR.
#   input-settings.sh QUILLON PROBE SHOT_DIR
set -euo pipefail
APP=$1
PROBE=$2
SHOTS=$3
export SDL_AUDIODRIVER=pulseaudio

source "$(dirname "$0")/lib.sh"
mkdir -p "$SHOTS"

add_two_sources

# The settings list the devices in the sound system's order, under "System
# default": Interface-Mic's row is one below its line in --list-inputs.
"$APP" --list-inputs >"$WORK/inputs" || fail "--list-inputs failed"
[ "$(wc -l <"$WORK/inputs")" -eq 2 ] || fail "not two inputs: $(tr '\n' '|' <"$WORK/inputs")"
INTERFACE_ROW=$(($(grep -nx Interface-Mic "$WORK/inputs" | cut -d: -f1) + 1))

# The guitar's A string into the second sink, its D string into the first.
tone a 110 second 120
tone d 146.83 nullsink 120

# Which row of three under "Input" is checked, once the settings show.
checked_row() {
  geometry_is 640x960 || return 1
  probe input "$(shot settings)" 3
}
row_checked() { [ "$(checked_row)" = "$1" ]; }
# The info button of the landscape tuner screen; Done at the right of the
# settings' bar. The window turns halfway through each flip.
open_settings() {
  click 458 302
  wait_until geometry_is 640x960 || fail "the settings do not open"
}
close_settings() {
  click 288 22
  wait_until geometry_is 960x640 || fail "the settings do not close"
}
# Input row N (1 is "System default"), under the calibration.
input_row_y() { echo $((201 + 44 * ($1 - 1))); }

# And it stays on $1 for 2 s.
keeps_note() {
  for _ in $(seq 8); do
    [ "$(note)" = "$1" ] || fail "read $(note), not $1"
    sleep 0.25
  done
}

# --- First run: choose Interface-Mic with a click.
start_app
wait_for_note D # the system default
open_settings
wait_until row_checked 1 || fail "System default is not checked: $(checked_row)"
click 160 "$(input_row_y "$INTERFACE_ROW")"
wait_until grep -qx "s InputDevice=Interface-Mic" "$PREFERENCES" 2>/dev/null ||
  fail "Interface-Mic not stored"
wait_until row_checked "$INTERFACE_ROW" || fail "Interface-Mic is not checked: $(checked_row)"
cp "$WORK/settings.png" "$SHOTS/settings-input.png"
close_settings
wait_for_note A D
keeps_note A
stop_app

# --- Second run: the choice is kept.
start_app
wait_for_note A D
open_settings
wait_until row_checked "$INTERFACE_ROW" || fail "after a restart: $(checked_row) checked"
close_settings
wait_for_note A D

# The chosen source goes away while the tuner listens.
unplug_interface_mic
wait_for_note D
kill -0 "$APP_PID" || fail "the app died"
[ "$(grep -c 'Input device' "$WORK/app$RUN.log")" -eq 1 ] &&
  grep -q 'Input device "Interface-Mic" went away; listening on the system default' \
    "$WORK/app$RUN.log" || fail "the loss is not said once"
grep -qx "s InputDevice=Interface-Mic" "$PREFERENCES" || fail "the choice was lost"
# Still listed, last, checked and not connected.
open_settings
wait_until row_checked 3 || fail "the missing device is not shown checked: $(checked_row)"
close_settings
stop_app
echo "input-settings.sh: ok"
