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
if [ -z "${DISPLAY:-}" ]; then
  echo "editor.sh: DISPLAY is not set" >&2
  exit 1
fi
if ! pactl info >/dev/null 2>&1; then
  echo "editor.sh: no PulseAudio server (PULSE_SERVER=${PULSE_SERVER:-})" >&2
  exit 1
fi

WORK=$(mktemp -d)
PID=""
cleanup() {
  if [ -n "$PID" ]; then kill "$PID" 2>/dev/null || true; fi
  rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
  echo "editor.sh: $*" >&2
  for f in "$WORK"/app*.err; do
    [ -f "$f" ] && { echo "--- $f" >&2; cat "$f" >&2; }
  done
  [ -f "$TUNINGS" ] && { echo "--- $TUNINGS" >&2; cat "$TUNINGS" >&2; }
  exit 1
}

PREFIX=$WORK/prefix
"$CMAKE" --install "$BUILD" --prefix "$PREFIX" >"$WORK/install.log" || fail "install failed"
APP=$PREFIX/bin/quillon
NOTE=$PREFIX/share/quillon/G2p.caf
[ -f "$NOTE" ] || fail "no $NOTE"
export XDG_CONFIG_HOME=$WORK/config
PREFERENCES=$XDG_CONFIG_HOME/quillon/preferences
TUNINGS=$XDG_CONFIG_HOME/quillon/tunings
mkdir -p "$SHOTS"

RUN=0
WID=""
start_app() {
  RUN=$((RUN + 1))
  "$APP" >"$WORK/app$RUN.out" 2>"$WORK/app$RUN.err" &
  PID=$!
  WID=$(timeout 10 xdotool search --sync --all --pid "$PID" --name '^Quillon$' | head -1) || true
  [ -n "$WID" ] || fail "no window (run $RUN)"
  expect_geometry 960x640
  xdotool windowfocus --sync "$WID"
}
stop_app() {
  xdotool windowfocus --sync "$WID"
  xdotool key ctrl+q
  for _ in $(seq 100); do
    kill -0 "$PID" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$PID" 2>/dev/null && fail "Ctrl+Q did not quit"
  local status=0
  wait "$PID" || status=$?
  PID=""
  [ "$status" -eq 0 ] || fail "exit status $status"
}
expect_geometry() {
  for _ in $(seq 100); do
    xdotool getwindowgeometry "$WID" | grep -q "Geometry: $1\$" && return 0
    sleep 0.1
  done
  fail "window is not $1: $(xdotool getwindowgeometry "$WID")"
}
shot() {
  xwd -id "$WID" -silent | /usr/bin/convert xwd:- "$WORK/$1.png"
  echo "$WORK/$1.png"
}
# Portrait points of the upright screens, at 2 window pixels a point.
click() {
  xdotool mousemove --window "$WID" $(($1 * 2)) $(($2 * 2)) click 1
}
probe() {
  "$PROBE" "$1" "$2" 2>>"$WORK/probe.log"
}
wait_until() {
  for _ in $(seq 100); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}
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
sleep 1
seen=""
for _ in 1 2 3 4 5 6; do
  paplay -d nullsink "$NOTE" &
  PLAYER=$!
  for _ in $(seq 12); do
    sleep 0.25
    if [ "$(probe note "$(shot tuner)")" = "G" ]; then
      seen=yes
      break
    fi
  done
  wait "$PLAYER" || true
  [ -n "$seen" ] && break
done
[ -n "$seen" ] || fail "never saw G; last read $(probe note "$(shot tuner)")"
stop_app
echo "editor.sh: ok (Open C made, kept, chosen, G2 named)"
