// The browser build runs on the page's one thread: the audio worklets hand
// their blocks to it by message. Names are kept for the log only.
#include "platform/Thread.h"

namespace platform {

namespace {
std::string& mainThreadName() {
  static std::string name;
  return name;
}
}  // namespace

void setMainThreadName(const std::string& name) {
  mainThreadName() = name.substr(0, 15);
}

void setCurrentThreadName(const std::string& name) {
  setMainThreadName(name);
}

std::string currentThreadName() {
  return mainThreadName();
}

bool isMainThread() {
  return true;
}

}  // namespace platform
