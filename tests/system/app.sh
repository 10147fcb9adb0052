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
if [ -z "${DISPLAY:-}" ]; then
  echo "app.sh: DISPLAY is not set" >&2
  exit 1
fi
if ! pactl info >/dev/null 2>&1; then
  echo "app.sh: no PulseAudio server (PULSE_SERVER=${PULSE_SERVER:-})" >&2
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
  echo "app.sh: $*" >&2
  for f in "$WORK"/app*.err; do
    [ -f "$f" ] && { echo "--- $f" >&2; cat "$f" >&2; }
  done
  exit 1
}

# Installed under a prefix of its own, the app must find its bundle there.
PREFIX=$WORK/prefix
"$CMAKE" --install "$BUILD" --prefix "$PREFIX" >"$WORK/install.log" || fail "install failed"
APP=$PREFIX/bin/quillon
[ -x "$APP" ] || fail "no $APP"
[ -f "$PREFIX/share/applications/io.github.quillon.Quillon.desktop" ] || fail "no desktop entry"
[ -f "$PREFIX/share/icons/hicolor/256x256/apps/io.github.quillon.Quillon.png" ] || fail "no icon"
NOTE=$PREFIX/share/quillon/A2g.caf
[ -f "$NOTE" ] || fail "no $NOTE"
export XDG_CONFIG_HOME=$WORK/config
PREFERENCES=$XDG_CONFIG_HOME/quillon/preferences
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
}
stop_app() {
  # How a user quits: Ctrl+Q in the window.
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
  if grep -q "Failed to create audio input source" "$WORK/app$RUN.err"; then
    fail "the app could not listen"
  fi
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
click() {
  xdotool mousemove --window "$WID" "$1" "$2" click 1
}
probe() {
  "$PROBE" "$1" "$2" 2>>"$WORK/probe.log"
}
# Waits up to 10 s until the command succeeds: the app answers at its own
# pace, which on a busy machine can be slow.
wait_until() {
  for _ in $(seq 100); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}
# Whether the tuner screen in the window shows $1 note buttons and the
# calibration read-out $2 (which it does once a flip back is over).
tuner_shows() {
  local s
  s=$(shot "tuner-$1")
  [ "$(probe buttons "$s")" = "$1" ] && [ "$(probe calibration "$s")" = "$2" ]
}

# --- First run: tune an A.
start_app
sleep 1
seen=""
for _ in 1 2 3 4 5 6; do
  paplay -d nullsink "$NOTE" &
  PLAYER=$!
  for _ in $(seq 12); do
    sleep 0.25
    s=$(shot tuner)
    if [ "$(probe note "$s")" = "A" ]; then
      seen=yes
      cp "$s" "$SHOTS/tuner-screen.png"
      break
    fi
  done
  wait "$PLAYER" || true
  [ -n "$seen" ] && break
done
[ -n "$seen" ] || fail "never saw A; last read $(probe note "$(shot tuner)")"
[ "$(probe buttons "$(shot tuner)")" = 6 ] || fail "the guitar's six buttons are not shown"

# --- The settings screen (upright, 2 window pixels a point). The info button
# of the landscape screen sits at portrait (302, 22): window (916, 604). The
# screens swap as the flip starts; the window turns halfway through it.
click 916 604
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
click 320 238
# Each choice is stored as the app handles it.
wait_until grep -qx "s TargetTuning=banjo" "$PREFERENCES" ||
  fail "banjo not stored: $(cat "$PREFERENCES")"
wait_until grep -q "^i Calibration=" "$PREFERENCES" ||
  fail "no calibration stored: $(cat "$PREFERENCES")"
sleep 0.5  # only so that the picture shows the end of the scroll
cp "$(shot settings)" "$SHOTS/settings-screen.png"

# Done, at the right of the bar: portrait (288, 22).
click 576 44
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
grep -qx "s TargetTuning=banjo" "$PREFERENCES" || fail "banjo lost"
grep -qx "i Calibration=$CALIBRATION" "$PREFERENCES" || fail "calibration lost"
echo "app.sh: ok (A seen, banjo and $CALIBRATION Hz kept)"
