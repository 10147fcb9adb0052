#pragma once

#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/Bundle.h"

namespace test_support {

// Sets (or, given nullptr, unsets) an environment variable for the scope's
// life and puts back what was there before, so no test leaks its setting.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) previous_ = old;
    set(value);
  }
  ~ScopedEnv() { set(previous_ ? previous_->c_str() : nullptr); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

  void set(const char* value) {
    if (value) {
      setenv(name_.c_str(), value, 1);
    } else {
      unsetenv(name_.c_str());
    }
  }

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

// A fresh, empty directory under /tmp, removed with everything in it when the
// scope ends.
class TempDir {
 public:
  explicit TempDir(const std::string& tag) {
    std::string tmpl = "/tmp/quillon-" + tag + "-XXXXXX";
    if (mkdtemp(tmpl.data())) path_ = tmpl;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  operator const std::string&() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const {
    return std::filesystem::path(path_) / name;
  }

 private:
  std::string path_;
};

// Points the main bundle at `path` for the scope's life.
class ScopedResourcePath {
 public:
  explicit ScopedResourcePath(const std::string& path)
      : previous_(platform::Bundle::mainBundle().resourcePath()) {
    platform::Bundle::mainBundle().setResourcePath(path);
  }
  ~ScopedResourcePath() { platform::Bundle::mainBundle().setResourcePath(previous_); }
  ScopedResourcePath(const ScopedResourcePath&) = delete;
  ScopedResourcePath& operator=(const ScopedResourcePath&) = delete;

 private:
  std::string previous_;
};

}  // namespace test_support
