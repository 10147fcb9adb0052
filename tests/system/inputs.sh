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
: "${DISPLAY:?needs an X display}"
: "${PULSE_SERVER:?needs a PulseAudio server with a null sink named nullsink}"
export SDL_AUDIODRIVER=pulseaudio

WORK=$(mktemp -d)
PIDS=()
MODULES=()
DEFAULT_SOURCE=$(pactl get-default-source)
cleanup() {
  for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${PIDS[@]}"; do wait "$p" 2>/dev/null || true; done
  for ((i = ${#MODULES[@]} - 1; i >= 0; i--)); do
    pactl unload-module "${MODULES[$i]}" 2>/dev/null || true
  done
  pactl set-default-source "$DEFAULT_SOURCE" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
fail() {
  echo "inputs.sh: $*" >&2
  echo "--- app log" >&2
  cat "$WORK/app.log" >&2 || true
  exit 1
}
load() { MODULES+=("$(pactl load-module "$@")"); }

# A new source would become the default one; the default stays the first
# sink's monitor, as the other tests have it.
pactl set-default-source nullsink.monitor
load module-null-sink sink_name=second rate=22050 channels=1 format=s16le norewinds=1
load module-remap-source source_name=roommic master=nullsink.monitor \
  source_properties=device.description=Room-Mic
load module-remap-source source_name=interfacemic master=second.monitor \
  source_properties=device.description=Interface-Mic
INTERFACE_MODULE=${MODULES[-1]}

"$APP" --list-inputs >"$WORK/inputs" 2>"$WORK/app.log" || fail "--list-inputs failed"
grep -qx "Room-Mic" "$WORK/inputs" && grep -qx "Interface-Mic" "$WORK/inputs" ||
  fail "--list-inputs does not list both: $(tr '\n' '|' <"$WORK/inputs")"

# Triangle waves (odd harmonics, as the analysis expects of a string): the
# guitar's A string into the second sink, its D string into the first.
tone() {
  sox -q -n -r 22050 -c 1 -b 16 -e signed-integer "$WORK/$1.raw" synth 60 triangle "$2" vol 0.5
  pacat --playback -d "$3" --latency-msec=20 --raw --rate=22050 --channels=1 --format=s16le \
    "$WORK/$1.raw" &
  PIDS+=($!)
}
tone a 110 second
tone d 146.83 nullsink

export XDG_CONFIG_HOME=$WORK/config
"$APP" --input Interface-Mic >"$WORK/app.log" 2>&1 &
APP_PID=$!
PIDS+=($APP_PID)
WID=$(timeout 10 xdotool search --sync --all --pid "$APP_PID" --name '^Quillon$' | head -1) ||
  fail "no window"
note() {
  xwd -silent -id "$WID" | /usr/bin/convert xwd:- "$WORK/shot.png"
  "$PROBE" note "$WORK/shot.png" 2>/dev/null
}
# Reads the note shown every 0.25 s for up to 10 s, until it is $1; fails at
# once on $2. Prints what was read.
wait_for_note() {
  local read="" n
  for _ in $(seq 40); do
    n=$(note)
    read="$read $n"
    [ -n "$2" ] && [ "$n" = "$2" ] && fail "read $2 from the wrong source:$read"
    if [ "$n" = "$1" ]; then
      echo "$read"
      return 0
    fi
    sleep 0.25
  done
  fail "never read $1:$read"
}
wait_for_note A D >/dev/null
# And it stays on A (the D is playing all along).
for _ in $(seq 8); do
  [ "$(note)" = D ] && fail "read D while listening on Interface-Mic"
  sleep 0.25
done

# The chosen source goes away while the app listens.
pactl unload-module "$INTERFACE_MODULE"
unset 'MODULES[-1]'
wait_for_note D "" >/dev/null
kill -0 "$APP_PID" || fail "the app died"
[ "$(grep -c 'Input device' "$WORK/app.log")" -eq 1 ] &&
  grep -q 'Input device "Interface-Mic" went away; listening on the system default' \
    "$WORK/app.log" || fail "the loss is not said once"
# Plugged in again: the app goes back to it.
load module-remap-source source_name=interfacemic master=second.monitor \
  source_properties=device.description=Interface-Mic
wait_for_note A "" >/dev/null
grep -q 'Input device "Interface-Mic" is back; listening on it' "$WORK/app.log" ||
  fail "the return is not said"
[ -f "$XDG_CONFIG_HOME/quillon/preferences" ] &&
  grep -q InputDevice "$XDG_CONFIG_HOME/quillon/preferences" &&
  fail "--input was stored"
echo "inputs.sh: ok"
