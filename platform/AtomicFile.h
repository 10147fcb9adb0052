#pragma once

#include <string>
#include <string_view>

namespace platform {

// Puts `contents` in the file at `path` so that a crash or a full disk leaves
// either the old file or the new one, never part of one: the bytes go to a
// new temporary file in the same directory, are flushed to disk, and the
// temporary file is renamed over `path`; then the directory is flushed, so
// that the rename lasts too. The directory must exist. A file that is there
// already keeps its permission bits (a new one is readable by its owner
// only), and a symbolic link at `path` keeps pointing at the file it names,
// which is the one replaced. Returns an empty string on success, else why not
// (the file is then as it was, and no temporary file is left).
std::string writeFileAtomically(const std::string& path, std::string_view contents);

}  // namespace platform
