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
[ -f "$PREFIX/share/applications/quillon.desktop" ] || fail "no desktop entry"
[ -f "$PREFIX/share/icons/hicolor/256x256/apps/quillon.png" ] || fail "no icon"
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
# The flip takes a second; the window turns halfway.
flip_to_settings() {
  expect_geometry 640x960
  sleep 0.8
}
flip_to_tuner() {
  expect_geometry 960x640
  sleep 0.8
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
# of the landscape screen sits at portrait (302, 22): window (916, 604).
click 916 604
flip_to_settings
# The slider's thumb rests at portrait (195, 106) for 440 Hz; drag it left.
xdotool mousemove --window "$WID" 390 213 mousedown 1
xdotool mousemove --window "$WID" 360 213
xdotool mousemove --window "$WID" 330 213 mouseup 1
# The list opens at its top; fifteen notches of the wheel over it take it to
# its end, where "5-String Banjo", the one row of its group, shows at
# portrait (160, 214).
xdotool mousemove --window "$WID" 320 600 click --repeat 15 --delay 20 5
sleep 0.3
click 320 428
sleep 0.3
cp "$(shot settings)" "$SHOTS/settings-screen.png"
grep -qx "s TargetTuning=banjo" "$PREFERENCES" || fail "banjo not stored: $(cat "$PREFERENCES")"
CALIBRATION=$(sed -n 's/^i Calibration=//p' "$PREFERENCES")
[ -n "$CALIBRATION" ] || fail "no calibration stored: $(cat "$PREFERENCES")"
[ "$CALIBRATION" -ge 420 ] && [ "$CALIBRATION" -lt 440 ] || fail "calibration $CALIBRATION"

# Done, at the right of the bar: portrait (288, 22).
click 576 44
flip_to_tuner
s=$(shot back)
[ "$(probe buttons "$s")" = 5 ] || fail "the banjo's five buttons are not shown"
[ "$(probe calibration "$s")" = "$CALIBRATION Hz" ] || fail "calibration read-out is not $CALIBRATION Hz"
stop_app

# --- Second run: both choices are still there.
start_app
sleep 0.5
s=$(shot again)
[ "$(probe buttons "$s")" = 5 ] || fail "after a restart, the banjo's buttons are gone"
[ "$(probe calibration "$s")" = "$CALIBRATION Hz" ] || fail "after a restart, calibration is not $CALIBRATION Hz"
# And by keyboard: I to the settings, Return back.
xdotool windowfocus --sync "$WID"
xdotool key i
flip_to_settings
xdotool key Return
flip_to_tuner
stop_app
grep -qx "s TargetTuning=banjo" "$PREFERENCES" || fail "banjo lost"
grep -qx "i Calibration=$CALIBRATION" "$PREFERENCES" || fail "calibration lost"
echo "app.sh: ok (A seen, banjo and $CALIBRATION Hz kept)"
