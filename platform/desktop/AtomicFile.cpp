#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

bool writeAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

std::string directoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string writeFileAtomically(const std::string& path, std::string_view contents) {
  std::string target = path;
  struct stat old;
  const bool exists = ::lstat(path.c_str(), &old) == 0;
  if (exists && S_ISLNK(old.st_mode)) {
    // A link (a config kept elsewhere): replace the file it points at.
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved)) return std::strerror(errno);
    target = resolved;
    if (::stat(target.c_str(), &old) != 0) return std::strerror(errno);
  }
  const std::string directory = directoryOf(target);
  const std::string name = target.substr(target.rfind('/') + 1);
  std::string temp = directory + "/." + name + ".XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return std::strerror(errno);
  bool ok = writeAll(fd, contents);
  if (ok && exists) ok = ::fchmod(fd, old.st_mode & 07777) == 0;
  if (ok) ok = ::fsync(fd) == 0;
  int error = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    return std::strerror(error);
  }
  if (const int dir = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return {};
}

}  // namespace platform
