#include "platform/Log.h"

#include <sys/time.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <mutex>

extern char* program_invocation_short_name;

namespace platform {

namespace {
std::mutex& nameMutex() {
  static std::mutex m;
  return m;
}
// One log per process, so one switch for it.
std::atomic<bool> quietLog{false};

std::string& programName() {
  static std::string name =
      program_invocation_short_name ? program_invocation_short_name : "quillon";
  return name;
}
}  // namespace

void setLogProgramName(const std::string& name) {
  std::lock_guard<std::mutex> lock(nameMutex());
  programName() = name;
}

void setLogQuiet(bool quiet) {
  quietLog = quiet;
}

void Log(const char* format, ...) {
  if (quietLog) return;
  char message[1024];
  va_list args;
  va_start(args, format);
  vsnprintf(message, sizeof message, format, args);
  va_end(args);

  timeval tv{};
  gettimeofday(&tv, nullptr);
  tm local{};
  localtime_r(&tv.tv_sec, &local);
  char stamp[32];
  strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);

  std::string name;
  {
    std::lock_guard<std::mutex> lock(nameMutex());
    name = programName();
  }
  // One fprintf per line so lines from different threads do not interleave.
  fprintf(stderr, "%s.%03ld %s: %s\n", stamp, static_cast<long>(tv.tv_usec / 1000), name.c_str(),
          message);
}

}  // namespace platform
