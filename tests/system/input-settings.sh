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
: "${DISPLAY:?needs an X display}"
: "${PULSE_SERVER:?needs a PulseAudio server with a null sink named nullsink}"
export SDL_AUDIODRIVER=pulseaudio

WORK=$(mktemp -d)
PIDS=()
MODULES=()
APP_PID=""
RUN=0
DEFAULT_SOURCE=$(pactl get-default-source)
cleanup() {
  for p in "${PIDS[@]}" $APP_PID; do kill "$p" 2>/dev/null || true; done
  for p in "${PIDS[@]}" $APP_PID; do wait "$p" 2>/dev/null || true; done
  for ((i = ${#MODULES[@]} - 1; i >= 0; i--)); do
    pactl unload-module "${MODULES[$i]}" 2>/dev/null || true
  done
  pactl set-default-source "$DEFAULT_SOURCE" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
fail() {
  echo "input-settings.sh: $*" >&2
  for f in "$WORK"/app*.log; do
    [ -f "$f" ] && { echo "--- $f" >&2; cat "$f" >&2; }
  done
  [ -f "$PREFERENCES" ] && { echo "--- $PREFERENCES" >&2; cat "$PREFERENCES" >&2; }
  exit 1
}
load() { MODULES+=("$(pactl load-module "$@")"); }

export XDG_CONFIG_HOME=$WORK/config
PREFERENCES=$XDG_CONFIG_HOME/quillon/preferences
mkdir -p "$SHOTS"

pactl set-default-source nullsink.monitor
load module-null-sink sink_name=second rate=22050 channels=1 format=s16le norewinds=1
load module-remap-source source_name=roommic master=nullsink.monitor \
  source_properties=device.description=Room-Mic
load module-remap-source source_name=interfacemic master=second.monitor \
  source_properties=device.description=Interface-Mic
INTERFACE_MODULE=${MODULES[-1]}

# The settings list the devices in the sound system's order, under "System
# default": Interface-Mic's row is one below its line in --list-inputs.
"$APP" --list-inputs >"$WORK/inputs" || fail "--list-inputs failed"
[ "$(wc -l <"$WORK/inputs")" -eq 2 ] || fail "not two inputs: $(tr '\n' '|' <"$WORK/inputs")"
INTERFACE_ROW=$(($(grep -nx Interface-Mic "$WORK/inputs" | cut -d: -f1) + 1))

# Triangle waves (odd harmonics, as the analysis expects of a string): the
# guitar's A string into the second sink, its D string into the first.
tone() {
  sox -q -n -r 22050 -c 1 -b 16 -e signed-integer "$WORK/$1.raw" synth 120 triangle "$2" vol 0.5
  pacat --playback -d "$3" --latency-msec=20 --raw --rate=22050 --channels=1 --format=s16le \
    "$WORK/$1.raw" &
  PIDS+=($!)
}
tone a 110 second
tone d 146.83 nullsink

start_app() {
  RUN=$((RUN + 1))
  "$APP" >"$WORK/app$RUN.log" 2>&1 &
  APP_PID=$!
  WID=$(timeout 10 xdotool search --sync --all --pid "$APP_PID" --name '^Quillon$' | head -1) ||
    fail "no window (run $RUN)"
}
stop_app() {
  xdotool windowfocus --sync "$WID"
  xdotool key ctrl+q
  for _ in $(seq 100); do
    kill -0 "$APP_PID" 2>/dev/null || break
    sleep 0.1
  done
  local status=0
  wait "$APP_PID" || status=$?
  APP_PID=""
  [ "$status" -eq 0 ] || fail "exit status $status (run $RUN)"
}
shot() { xwd -silent -id "$WID" | /usr/bin/convert xwd:- "$WORK/$1.png"; }
geometry_is() { xdotool getwindowgeometry "$WID" | grep -q "Geometry: $1\$"; }
wait_until() {
  for _ in $(seq 100); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}
# Which row of three under "Input" is checked, once the settings show.
checked_row() {
  geometry_is 640x960 || return 1
  shot settings
  "$PROBE" input "$WORK/settings.png" 3 2>>"$WORK/probe.log"
}
row_checked() { [ "$(checked_row)" = "$1" ]; }
# Portrait points of the upright settings screen, 2 window pixels a point.
click() { xdotool mousemove --window "$WID" $(($1 * 2)) $(($2 * 2)) click 1; }
# The info button of the landscape tuner screen; Done at the right of the
# settings' bar. The window turns halfway through each flip.
open_settings() {
  xdotool mousemove --window "$WID" 916 604 click 1
  wait_until geometry_is 640x960 || fail "the settings do not open"
}
close_settings() {
  click 288 22
  wait_until geometry_is 960x640 || fail "the settings do not close"
}
# Input row N (1 is "System default"), under the calibration.
input_row_y() { echo $((201 + 44 * ($1 - 1))); }

note() {
  shot tuner
  "$PROBE" note "$WORK/tuner.png" 2>/dev/null
}
# Reads the note shown every 0.25 s for up to 10 s, until it is $1; fails at
# once on $2.
wait_for_note() {
  local read="" n
  for _ in $(seq 40); do
    n=$(note)
    read="$read $n"
    [ -n "$2" ] && [ "$n" = "$2" ] && fail "read $2 from the wrong source:$read"
    [ "$n" = "$1" ] && return 0
    sleep 0.25
  done
  fail "never read $1:$read"
}
# And it stays on $1 for 2 s.
keeps_note() {
  for _ in $(seq 8); do
    [ "$(note)" = "$1" ] || fail "read $(note), not $1"
    sleep 0.25
  done
}

# --- First run: choose Interface-Mic with a click.
start_app
wait_for_note D "" # the system default
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
pactl unload-module "$INTERFACE_MODULE"
unset 'MODULES[-1]'
wait_for_note D ""
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
