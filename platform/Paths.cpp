#include "platform/Paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace platform {

namespace {
std::string homeDirectory() {
  if (const char* home = getenv("HOME"); home && *home) return home;
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/tmp";
}

std::string xdgDirectory(const char* variable, const char* fallback) {
  if (const char* value = getenv(variable); value && *value == '/') return value;
  return stringByAppendingPathComponent(homeDirectory(), fallback);
}
}  // namespace

std::string documentsDirectory() {
  return xdgDirectory("XDG_DOCUMENTS_DIR", "Documents");
}

std::string configDirectory() {
  return stringByAppendingPathComponent(xdgDirectory("XDG_CONFIG_HOME", ".config"), "quillon");
}

std::string cacheDirectory() {
  return stringByAppendingPathComponent(xdgDirectory("XDG_CACHE_HOME", ".cache"), "quillon");
}

std::string stringByAppendingPathComponent(const std::string& path, const std::string& component) {
  if (path.empty()) return component;
  std::string joined = path;
  while (joined.size() > 1 && joined.back() == '/') joined.pop_back();
  size_t start = 0;
  while (start < component.size() && component[start] == '/') ++start;
  if (start == component.size()) return joined;  // nothing to append
  if (joined != "/") joined += '/';
  return joined + component.substr(start);
}

bool makeDirectories(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  return std::filesystem::is_directory(path, ec);
}

}  // namespace platform
