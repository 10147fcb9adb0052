#pragma once

#include <SDL.h>

#include <cstdint>
#include <vector>

#include "audio/AudioSource.h"
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

// Keeps a copy of every delivery, as a real receiver must: the frame counts,
// the byte sizes the list carried and the samples.
struct TestAudioSourceDelegate : AudioSourceDelegate {
  void addSampledFrames(AudioBufferList* list, int frameCount) override {
    frameCounts.push_back(frameCount);
    byteSizes.push_back(list->buffers[0].dataByteSize);
    const auto* s = static_cast<const int16_t*>(list->buffers[0].data);
    samples.insert(samples.end(), s, s + frameCount);
  }
  std::vector<int> frameCounts;
  std::vector<uint32_t> byteSizes;
  std::vector<int16_t> samples;
};

}  // namespace audiotest
