#pragma once

#include <optional>
#include <string>

namespace platform {

// The application's resources (images, reference notes). Looked up, in order:
//   <exe dir>/../share/quillon   (installed)
//   <exe dir>/resources, <build dir>/resources (in the build tree; not in a
//   build made for a package, see QUILLON_BUILD_TREE_RESOURCES)
class Bundle {
 public:
  static Bundle& mainBundle();

  // Path of "<name>.<type>" (type may be empty when name has its extension),
  // or none when no such file exists. Names and types are plain file names:
  // anything with a '/' is none.
  std::optional<std::string> pathForResource(const std::string& name,
                                             const std::string& type = "") const;

  const std::string& resourcePath() const { return resourcePath_; }

  // For tests and tools: look in this directory instead.
  void setResourcePath(const std::string& dir) { resourcePath_ = dir; }

  // The resource directory for a program in `executableDir`: the first of
  // the directories above that exists, else the build tree's.
  static std::string resourceDirectoryForExecutable(const std::string& executableDir);

 private:
  Bundle();
  std::string resourcePath_;
};

}  // namespace platform
