# What the bench scripts that run the app share, sourced after `cd` to the
# repository: a work folder, WORK, and the processes they start, PIDS,
# stopped again in reverse order (each awaited) and the folder removed when
# the script ends.
WORK=$(mktemp -d)
PIDS=()
cleanup() {
  for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do
    kill "${PIDS[$i]}" 2>/dev/null || true
    while kill -0 "${PIDS[$i]}" 2>/dev/null; do sleep 0.1; done
  done
  rm -rf "$WORK"
}
trap cleanup EXIT

# The PulseAudio server in PULSE_SERVER, or one of its own with a null sink
# "nullsink" whose monitor is the default source, and a silent stream on it:
# an idle null sink takes its samples in blocks of up to 2 s, which no sound
# card does.
use_sound_server() {
  [ -z "${PULSE_SERVER:-}" ] || return 0
  HOME=$WORK pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
    --load="module-null-sink sink_name=nullsink rate=22050 channels=1 format=s16le" \
    --load="module-native-protocol-unix auth-anonymous=1 socket=$WORK/pulse.sock" \
    >"$WORK/pa.log" 2>&1 &
  PIDS+=($!)
  export PULSE_SERVER=unix:$WORK/pulse.sock
  until pactl info >/dev/null 2>&1; do sleep 0.1; done
  pacat --playback -d nullsink --latency-msec=20 --raw --rate=22050 --channels=1 \
    --format=s16le /dev/zero &
  PIDS+=($!)
}

# The X display in DISPLAY, or an Xvfb of its own on a display number nobody
# uses.
use_display() {
  [ -z "${DISPLAY:-}" ] || return 0
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$WORK/display" \
    >"$WORK/xvfb.log" 2>&1 &
  PIDS+=($!)
  until [ -s "$WORK/display" ]; do sleep 0.1; done
  export DISPLAY=":$(head -1 "$WORK/display")"
  until xdotool getdisplaygeometry >/dev/null 2>&1; do sleep 0.1; done
}
