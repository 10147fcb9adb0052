#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/SystemSound.h"

// One reference note loaded into the system-sound service, from a file or
// from samples. Owns its sound identifier and disposes of it when destroyed.
class SoundEffect {
 public:
  // Loads the sound at `path`; none (after logging why) when it cannot.
  static std::shared_ptr<SoundEffect> initWithContentsOfFile(
      const std::optional<std::string>& path);
  // The sound of 16-bit mono `samples` at `sampleRate` Hz; none (after
  // logging why) when the service refuses them.
  static std::shared_ptr<SoundEffect> initWithSamples(const std::vector<int16_t>& samples,
                                                      int sampleRate);

  ~SoundEffect();
  SoundEffect(const SoundEffect&) = delete;
  SoundEffect& operator=(const SoundEffect&) = delete;

  // Starts the sound and returns at once; a failure to play is silent.
  void play();

  platform::SystemSoundID soundID() const { return _soundID; }

 private:
  explicit SoundEffect(platform::SystemSoundID soundID) : _soundID(soundID) {}
  platform::SystemSoundID _soundID;
};
