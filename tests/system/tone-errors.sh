#!/usr/bin/env bash
# quillon-tone's failures: a clear message and the documented exit status
# (2 for a usage error, 1 when there is nothing to play through). Needs no
# sound server: the output device is made unavailable on purpose.
#   tone-errors.sh QUILLON_TONE
set -uo pipefail
TONE=$1
failures=0

expect() {  # expect STATUS MESSAGE-PART COMMAND...
  local want=$1 part=$2
  shift 2
  local out status
  out=$("$@" 2>&1)
  status=$?
  if [ "$status" -ne "$want" ] || ! grep -qF -- "$part" <<<"$out"; then
    echo "FAIL: $* -> status $status (want $want), output:"
    echo "$out" | sed 's/^/    /'
    failures=$((failures + 1))
  else
    echo "ok: $* -> $status: $(grep -F -- "$part" <<<"$out" | head -1)"
  fi
}

expect 2 "unknown string 9" "$TONE" --tuning violin 9
expect 2 "bad frequency \"5000Hz\"" "$TONE" 5000Hz
expect 2 "bad frequency \"-3Hz\"" "$TONE" -- -3Hz
expect 2 "unknown tuning \"lute\"" "$TONE" --tuning lute 1
expect 2 "nothing to play" "$TONE"
# No audio driver at all, then a driver whose device cannot be opened; the
# generator itself reports the failing call on standard output.
expect 1 "no audio output is available" env SDL_AUDIODRIVER=no-such-driver "$TONE" 440Hz
expect 1 "Error in FindNextComponent" env SDL_AUDIODRIVER=no-such-driver "$TONE" 440Hz
expect 1 "cannot open the audio output device" \
  env SDL_AUDIODRIVER=alsa AUDIODEV=no_such_device "$TONE" 440Hz
expect 1 "AudioUnitInitialize=-10875" \
  env SDL_AUDIODRIVER=alsa AUDIODEV=no_such_device "$TONE" 440Hz

exit $((failures > 0))
