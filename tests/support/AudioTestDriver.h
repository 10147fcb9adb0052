#pragma once

#include <SDL.h>

#include "tests/support/Scoped.h"

namespace audiotest {

// Runs SDL audio on the given driver ("dummy": devices that deliver silence;
// "disk": devices backed by files) for the scope's life, then restores the
// previous choice. SDL's audio subsystem is shut down on both ends so the
// next platform call brings it up on the right driver.
class ScopedSdlAudioDriver {
 public:
  explicit ScopedSdlAudioDriver(const char* driver) : env_("SDL_AUDIODRIVER", nullptr) {
    quit();
    env_.set(driver);
  }
  ~ScopedSdlAudioDriver() { quit(); }
  ScopedSdlAudioDriver(const ScopedSdlAudioDriver&) = delete;
  ScopedSdlAudioDriver& operator=(const ScopedSdlAudioDriver&) = delete;

 private:
  static void quit() {
    if (SDL_WasInit(SDL_INIT_AUDIO)) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  test_support::ScopedEnv env_;
};

}  // namespace audiotest
