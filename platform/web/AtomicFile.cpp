// The browser's files: Emscripten's in-memory file system, with every file
// written here also kept in the page's local storage, from which Canvas.js
// puts it back before the next run starts. Preferences and the user's
// tunings file are written through here, and so outlive the page.
#include "platform/AtomicFile.h"

#include <cstdio>
#include <string>

extern "C" int quillon_storage_put(const char* path, const char* contents);

namespace platform {

std::string writeFileAtomically(const std::string& path, std::string_view contents) {
  // Local storage keeps text: a file with a NUL in it could not come back whole.
  if (contents.find('\0') != std::string_view::npos) return "cannot keep binary files";
  const std::string temporary = path + ".new";
  std::FILE* f = std::fopen(temporary.c_str(), "wb");
  if (!f) return "cannot create " + temporary;
  const bool written = std::fwrite(contents.data(), 1, contents.size(), f) == contents.size();
  if (std::fclose(f) != 0 || !written || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return "cannot write " + path;
  }
  // Stored last: the page's copy never holds what the program did not.
  if (!quillon_storage_put(path.c_str(), std::string(contents).c_str())) {
    return "the browser's local storage refused " + path;
  }
  return "";
}

}  // namespace platform
