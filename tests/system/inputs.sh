#!/usr/bin/env bash
# Choosing the input device, on a real PulseAudio server (PULSE_SERVER, with
# the null sink "nullsink" whose monitor is the default source) and a real X
# display (DISPLAY). A second null sink gets a remap source "Interface-Mic"
# on its monitor, and the first one a remap source "Room-Mic" (SDL lists no
# monitors, only sources like these).
#   --list-inputs lists both;
#   quillon --input Interface-Mic names an A played into the second sink, and
#   never the D played into the first;
#   unloading Interface-Mic while it listens leaves the app alive, saying so
#   once, and naming the D from the default source within a few seconds;
#   loading it again takes the app back to it.
#   inputs.sh QUILLON PROBE
set -euo pipefail
APP=$1
PROBE=$2
export SDL_AUDIODRIVER=pulseaudio
source "$(dirname "$0")/lib.sh"

add_two_sources
"$APP" --list-inputs >"$WORK/inputs" 2>"$WORK/app0.log" || fail "--list-inputs failed"
grep -qx "Room-Mic" "$WORK/inputs" && grep -qx "Interface-Mic" "$WORK/inputs" ||
  fail "--list-inputs does not list both: $(tr '\n' '|' <"$WORK/inputs")"

# The guitar's A string into the second sink, its D string into the first.
tone a 110 second
tone d 146.83 nullsink

start_app --input Interface-Mic
wait_for_note A D
# And it stays on A (the D is playing all along).
for _ in $(seq 8); do
  [ "$(note)" = D ] && fail "read D while listening on Interface-Mic"
  sleep 0.25
done

# The chosen source goes away while the app listens.
unplug_interface_mic
wait_for_note D
kill -0 "$APP_PID" || fail "the app died"
[ "$(grep -c 'Input device' "$WORK/app1.log")" -eq 1 ] &&
  grep -q 'Input device "Interface-Mic" went away; listening on the system default' \
    "$WORK/app1.log" || fail "the loss is not said once"
# Plugged in again: the app goes back to it.
plug_interface_mic
wait_for_note A
grep -q 'Input device "Interface-Mic" is back; listening on it' "$WORK/app1.log" ||
  fail "the return is not said"
[ -f "$PREFERENCES" ] && grep -q InputDevice "$PREFERENCES" &&
  fail "--input was stored"
echo "inputs.sh: ok"
