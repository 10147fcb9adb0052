#pragma once

// Short sounds played without blocking: a file is decoded into memory once
// (anything libsndfile reads: CAF, WAV, AIFF, FLAC, ...), then each play mixes
// it into one shared SDL output device, opened on the first play and closed
// when the last sound is disposed of. Plays overlap; a sound disposed of while
// playing stops at once.

#include <cstdint>

#include "platform/AudioUnit.h"

namespace platform {

using SystemSoundID = uint32_t;

constexpr OSStatus kSystemSoundFileNotFound = -43;
// 'typ?': a file libsndfile cannot read, or one too long to keep in memory.
constexpr OSStatus kSystemSoundUnsupportedFile = 0x7479703F;
constexpr OSStatus kSystemSoundBadID = -50;

// Loads the sound file at `path` and gives its identifier (never 0).
OSStatus AudioServicesCreateSystemSoundID(const char* path, SystemSoundID* outSoundID);
// Starts playing and returns at once; an unknown identifier or a missing
// output device plays nothing.
void AudioServicesPlaySystemSound(SystemSoundID soundID);
OSStatus AudioServicesDisposeSystemSoundID(SystemSoundID soundID);

// The service behind the three calls above; tests put a double in its place.
class SystemSoundService {
 public:
  virtual ~SystemSoundService() = default;
  virtual OSStatus create(const char* path, SystemSoundID* outSoundID) = 0;
  virtual void play(SystemSoundID soundID) = 0;
  virtual OSStatus dispose(SystemSoundID soundID) = 0;
};

// Installs `service` (null: the SDL one) and returns the one it replaces.
SystemSoundService* setSystemSoundService(SystemSoundService* service);

// The SDL service's state, for tests and diagnostics: sounds loaded, and
// voices sounding right now.
int systemSoundsLoaded();
int systemSoundsPlaying();

}  // namespace platform
