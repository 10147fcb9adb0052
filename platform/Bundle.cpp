#include "platform/Bundle.h"

#include <unistd.h>

#include <filesystem>

#include "platform/Paths.h"

namespace platform {

namespace fs = std::filesystem;

namespace {
std::string executableDirectory() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return ".";
  return exe.parent_path().string();
}

bool isDirectory(const fs::path& p) {
  std::error_code ec;
  return fs::is_directory(p, ec);
}
}  // namespace

Bundle::Bundle() : resourcePath_(resourceDirectoryForExecutable(executableDirectory())) {}

std::string Bundle::resourceDirectoryForExecutable(const std::string& executableDir) {
  const fs::path exeDir = executableDir;
  const fs::path installed = exeDir / ".." / QUILLON_INSTALL_DATADIR / "quillon";
  const fs::path candidates[] = {
      installed,
      exeDir / "resources",
#ifdef QUILLON_BUILD_RESOURCE_DIR
      fs::path(QUILLON_BUILD_RESOURCE_DIR),
#endif
  };
  for (const auto& c : candidates) {
    if (isDirectory(c)) {
      std::error_code ec;
      fs::path canonical = fs::weakly_canonical(c, ec);
      return ec ? c.string() : canonical.string();
    }
  }
#ifdef QUILLON_BUILD_RESOURCE_DIR
  return QUILLON_BUILD_RESOURCE_DIR;
#else
  // Nothing found: missing resources are then reported under the installed path.
  return installed.lexically_normal().string();
#endif
}

Bundle& Bundle::mainBundle() {
  static Bundle bundle;
  return bundle;
}

std::optional<std::string> Bundle::pathForResource(const std::string& name,
                                                   const std::string& type) const {
  if (name.empty() || name.find('/') != std::string::npos || type.find('/') != std::string::npos) {
    return std::nullopt;
  }
  std::string file = type.empty() ? name : name + "." + type;
  std::string path = stringByAppendingPathComponent(resourcePath_, file);
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return std::nullopt;
  return path;
}

}  // namespace platform
