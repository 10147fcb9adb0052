# What the system tests of the app share, sourced by each script after it has
# set APP (the quillon to run) and, where it reads the screen, PROBE
# (quillon_screen_probe). Needs a real X display (DISPLAY) and a PulseAudio
# server with a null sink named "nullsink" (PULSE_SERVER).
#
# Every helper waits for a condition rather than a fixed time: on a busy
# machine the app answers at its own pace.
: "${DISPLAY:?needs an X display}"
: "${PULSE_SERVER:?needs a PulseAudio server with a null sink named nullsink}"
NAME=$(basename "$0")
WORK=$(mktemp -d)
# Preferences and tunings of its own, never the user's.
export XDG_CONFIG_HOME=$WORK/config
PREFERENCES=$XDG_CONFIG_HOME/quillon/preferences
TUNINGS=$XDG_CONFIG_HOME/quillon/tunings
PIDS=()     # players and recorders, stopped at the end
MODULES=()  # PulseAudio modules loaded, unloaded at the end
APP_PID=""
WID=""
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

# Says why, then what the app logged and what it stored.
fail() {
  echo "$NAME: $*" >&2
  local f
  for f in "$WORK"/app*.log "$WORK/probe.log" "$PREFERENCES" "$TUNINGS"; do
    [ -s "$f" ] && { echo "--- $f" >&2; cat "$f" >&2; }
  done
  exit 1
}

# Waits up to 10 s until the command succeeds.
wait_until() {
  for _ in $(seq 100); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

# The app under a prefix of its own, as `cmake --install` puts it: it must
# find its resources there. Sets PREFIX and APP.
install_app() {  # CMAKE BUILD_DIR
  PREFIX=$WORK/prefix
  "$1" --install "$2" --prefix "$PREFIX" >"$WORK/install.log" || fail "install failed"
  APP=$PREFIX/bin/quillon
  [ -x "$APP" ] || fail "no $APP"
}

load() { MODULES+=("$(pactl load-module "$@")"); }

# Plays a triangle wave (odd harmonics, as the analysis expects of a string)
# into a sink: tone NAME HZ SINK [SECONDS].
tone() {
  sox -q -n -r 22050 -c 1 -b 16 -e signed-integer "$WORK/$1.raw" synth "${4:-60}" triangle "$2" \
    vol 0.5
  pacat --playback -d "$3" --latency-msec=20 --raw --rate=22050 --channels=1 --format=s16le \
    "$WORK/$1.raw" &
  PIDS+=($!)
}

# Starts the app with the given arguments and finds its window, landscape.
start_app() {
  RUN=$((RUN + 1))
  "$APP" "$@" >"$WORK/app$RUN.log" 2>&1 &
  APP_PID=$!
  WID=$(timeout 10 xdotool search --sync --all --pid "$APP_PID" --name '^Quillon$' | head -1) ||
    true
  [ -n "$WID" ] || fail "no window (run $RUN)"
  expect_geometry 960x640
  xdotool windowfocus --sync "$WID"
}
# Quits as a user does, with Ctrl+Q in the window, and expects exit status 0.
stop_app() {
  xdotool windowfocus --sync "$WID"
  xdotool key ctrl+q
  wait_until eval '! kill -0 "$APP_PID" 2>/dev/null' || fail "Ctrl+Q did not quit (run $RUN)"
  local status=0
  wait "$APP_PID" || status=$?
  APP_PID=""
  [ "$status" -eq 0 ] || fail "exit status $status (run $RUN)"
}

geometry_is() { xdotool getwindowgeometry "$WID" | grep -q "Geometry: $1\$"; }
expect_geometry() {
  wait_until geometry_is "$1" || fail "window is not $1: $(xdotool getwindowgeometry "$WID")"
}

# A picture of the window, $WORK/NAME.png; prints its path.
shot() {
  xwd -silent -id "$WID" | /usr/bin/convert xwd:- "$WORK/$1.png"
  echo "$WORK/$1.png"
}
# A click at a point of the screen shown (2 window pixels a point).
click() { xdotool mousemove --window "$WID" $(($1 * 2)) $(($2 * 2)) click 1; }
probe() { "$PROBE" "$@" 2>>"$WORK/probe.log"; }

# The note the tuner shows now ("-" for none).
note() { probe note "$(shot tuner)"; }
# Reads the note every 0.25 s for up to 10 s until it is $1; fails at once on
# $2 (when given).
wait_for_note() {
  local read="" n
  for _ in $(seq 40); do
    n=$(note)
    read="$read $n"
    [ -n "${2:-}" ] && [ "$n" = "$2" ] && fail "read $2:$read"
    [ "$n" = "$1" ] && return 0
    sleep 0.25
  done
  fail "never read $1:$read"
}
# Plays the sound file $1 into the null sink until the tuner shows $2, up to
# six times (a capture stream on an idle sink may miss the first one).
pluck_until_note() {
  local player
  for _ in 1 2 3 4 5 6; do
    paplay -d nullsink "$1" &
    player=$!
    for _ in $(seq 12); do
      sleep 0.25
      if [ "$(note)" = "$2" ]; then
        wait "$player" || true
        return 0
      fi
    done
    wait "$player" || true
  done
  fail "never saw $2; last read $(note)"
}

# Two capture sources that SDL lists (it lists no monitors): "Room-Mic" on
# the null sink's monitor and "Interface-Mic" on a second null sink's,
# "second". The default source stays the null sink's monitor, as the other
# tests have it (a new source would become the default). Sets
# INTERFACE_MODULE, the module that unplugs Interface-Mic.
add_two_sources() {
  pactl set-default-source nullsink.monitor
  load module-null-sink sink_name=second rate=22050 channels=1 format=s16le norewinds=1
  load module-remap-source source_name=roommic master=nullsink.monitor \
    source_properties=device.description=Room-Mic
  plug_interface_mic
}
plug_interface_mic() {
  load module-remap-source source_name=interfacemic master=second.monitor \
    source_properties=device.description=Interface-Mic
  INTERFACE_MODULE=${MODULES[-1]}
}
unplug_interface_mic() {
  pactl unload-module "$INTERFACE_MODULE"
  unset 'MODULES[-1]'
}
