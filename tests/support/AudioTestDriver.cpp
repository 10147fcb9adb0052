#include "tests/support/AudioTestDriver.h"

#include <SDL.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace audiotest {

ScopedSdlAudioDriver::ScopedSdlAudioDriver(const char* driver) : env_("SDL_AUDIODRIVER", nullptr) {
  if (SDL_WasInit(SDL_INIT_AUDIO)) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  env_.set(driver);
}

ScopedSdlAudioDriver::~ScopedSdlAudioDriver() {
  if (SDL_WasInit(SDL_INIT_AUDIO)) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

std::string makeTempDirectory(const std::string& tag) {
  namespace fs = std::filesystem;
  static int counter = 0;
  fs::path dir = fs::temp_directory_path() / ("quillon-" + tag + "-" + std::to_string(getpid()) +
                                              "-" + std::to_string(counter++));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir.string();
}

}  // namespace audiotest
