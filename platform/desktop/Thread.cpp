#include "platform/Thread.h"

#include <pthread.h>

#include "platform/Log.h"

namespace platform {

namespace {
// Static initialisation runs on the main thread before main().
const pthread_t mainThread = pthread_self();

void nameThread(pthread_t thread, const std::string& name) {
  // The kernel refuses names longer than 15 bytes instead of cutting them.
  const std::string cut = name.substr(0, 15);
  if (int err = pthread_setname_np(thread, cut.c_str()); err != 0) {
    Log("cannot name thread \"%s\" (error %d)", cut.c_str(), err);
  }
}
}  // namespace

void setMainThreadName(const std::string& name) {
  nameThread(mainThread, name);
}

void setCurrentThreadName(const std::string& name) {
  nameThread(pthread_self(), name);
}

std::string currentThreadName() {
  char name[16] = {};
  if (pthread_getname_np(pthread_self(), name, sizeof name) != 0) return {};
  return name;
}

bool isMainThread() {
  return pthread_equal(pthread_self(), mainThread) != 0;
}

}  // namespace platform
