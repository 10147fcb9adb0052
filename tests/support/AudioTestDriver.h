#pragma once

#include <string>

#include "tests/support/Scoped.h"

namespace audiotest {

// Runs SDL audio on the given driver ("dummy": devices that deliver silence;
// "disk": devices backed by files) for the scope's life, then restores the
// previous choice. SDL's audio subsystem is shut down on both ends so the
// next platform call brings it up on the right driver.
class ScopedSdlAudioDriver {
 public:
  explicit ScopedSdlAudioDriver(const char* driver);
  ~ScopedSdlAudioDriver();
  ScopedSdlAudioDriver(const ScopedSdlAudioDriver&) = delete;
  ScopedSdlAudioDriver& operator=(const ScopedSdlAudioDriver&) = delete;

 private:
  test_support::ScopedEnv env_;
};

// A fresh, empty directory under the system's temporary directory.
std::string makeTempDirectory(const std::string& tag);

}  // namespace audiotest
