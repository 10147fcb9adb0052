#pragma once

// Short sounds played without blocking: a file (on the desktop anything
// libsndfile reads: CAF, WAV, AIFF, FLAC, ...; the browser reads no files) or
// samples in memory are converted once, then each play mixes the sound into
// one shared output (on the desktop an SDL device, opened on the first play,
// about 1 ms on PulseAudio, and closed when the last sound is disposed of;
// WebAudio buffers in the browser). Plays overlap; a sound disposed of while
// playing stops at once.

#include <chrono>
#include <cstddef>
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
// The same for `frames` frames of 16-bit samples (`channels` interleaved) at
// `sampleRate` Hz, copied: a sound made by the program, with no file.
// kSystemSoundUnsupportedFile for a format out of range.
OSStatus AudioServicesCreateSystemSoundIDWithSamples(const int16_t* samples, size_t frames,
                                                     int channels, int sampleRate,
                                                     SystemSoundID* outSoundID);
// Starts playing and returns at once; an unknown identifier or a missing
// output device plays nothing.
void AudioServicesPlaySystemSound(SystemSoundID soundID);
OSStatus AudioServicesDisposeSystemSoundID(SystemSoundID soundID);

// The service behind the three calls above; tests put a double in its place.
class SystemSoundService {
 public:
  virtual ~SystemSoundService() = default;
  virtual OSStatus create(const char* path, SystemSoundID* outSoundID) = 0;
  virtual OSStatus createWithSamples(const int16_t* samples, size_t frames, int channels,
                                     int sampleRate, SystemSoundID* outSoundID) = 0;
  virtual void play(SystemSoundID soundID) = 0;
  virtual OSStatus dispose(SystemSoundID soundID) = 0;
};

// Installs `service` (null: the backend's own) and returns the one it replaces.
SystemSoundService* setSystemSoundService(SystemSoundService* service);

// The backend service's state, for tests and diagnostics: sounds loaded, voices
// sounding right now, and when the output was last handed the first sample
// that is not silence of a sound just started (the epoch before any).
int systemSoundsLoaded();
int systemSoundsPlaying();
std::chrono::steady_clock::time_point systemSoundLastHeard();

}  // namespace platform
