#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/SystemSound.h"

// One reference note loaded into the system-sound service. Owns its sound
// identifier and disposes of it when destroyed.
class SoundEffect {
 public:
  // Loads the sound at `path`; none (after logging why) when it cannot.
  static std::shared_ptr<SoundEffect> initWithContentsOfFile(
      const std::optional<std::string>& path);

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
