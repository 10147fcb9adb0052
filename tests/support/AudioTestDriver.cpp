#include "tests/support/AudioTestDriver.h"

#include <SDL.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace audiotest {

ScopedSdlAudioDriver::ScopedSdlAudioDriver(const char* driver) {
  const char* old = getenv("SDL_AUDIODRIVER");
  hadDriver_ = old != nullptr;
  if (old) previous_ = old;
  if (SDL_WasInit(SDL_INIT_AUDIO)) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  setenv("SDL_AUDIODRIVER", driver, 1);
}

ScopedSdlAudioDriver::~ScopedSdlAudioDriver() {
  if (SDL_WasInit(SDL_INIT_AUDIO)) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  if (hadDriver_)
    setenv("SDL_AUDIODRIVER", previous_.c_str(), 1);
  else
    unsetenv("SDL_AUDIODRIVER");
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
