#!/usr/bin/env bash
# Drop-D's two Ds lie an octave apart. Plucks a D2 the way a real low string
# sounds (its fundamental 25 dB under its 2nd partial) into the null sink
# while the app listens in a real window, and reads the window: once the
# ring has come on, it must stay on the first button (the low D, the 6th
# string), never on the D3 string's. The first shot with a ring may fall in
# the quarter second of the attack, which the analysis reads on its own
# terms; it is shown but not judged.
#   low-string.sh QUILLON PROBE PLUCK
set -euo pipefail
APP=$1
PROBE=$2
PLUCK=$3
source "$(dirname "$0")/lib.sh"

# Preferences of its own: Drop-D.
mkdir -p "$(dirname "$PREFERENCES")"
printf 'quillon-preferences 1\ns TargetTuning=dropd\n' >"$PREFERENCES"

# One pluck, ringing on for 20 s.
"$PLUCK" "$WORK/d2.raw" 73.42 25 20 60

start_app
# A new capture stream on an idle null sink gets its first data up to 2 s
# late; pluck once the app hears.
sleep 2.5
pacat --playback -d nullsink --raw --rate=22050 --channels=1 --format=s16le "$WORK/d2.raw" &
PIDS+=($!)

shots=""
low=0
others=""
for _ in $(seq 40); do
  sleep 0.3
  ringed=$(probe mark "$(shot tuner)" dropd)
  if [ -z "$shots" ] && [ "$ringed" = "-" ]; then continue; fi
  shots="$shots $ringed"
  [ "$shots" = " $ringed" ] && continue  # the attack
  case "$ringed" in
    1) low=$((low + 1)) ;;
    -) ;;
    *) others="$others $ringed" ;;
  esac
  [ "$low" -ge 8 ] && break
done
[ -n "$shots" ] || fail "no string was ever ringed"
[ -z "$others" ] || fail "the ring went to string(s)$others, not the low D (shots:$shots)"
[ "$low" -ge 8 ] || fail "the low D was ringed in only $low shots (shots:$shots)"
kill -0 "$APP_PID" || fail "the app died"
echo "ok (rings, shot by shot:$shots)"
