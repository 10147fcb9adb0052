#pragma once

#include <string>

namespace platform {

// The user's documents directory: $XDG_DOCUMENTS_DIR, else ~/Documents.
std::string documentsDirectory();

// "a" + "b" -> "a/b", with exactly one separator between them.
std::string stringByAppendingPathComponent(const std::string& path, const std::string& component);

// $XDG_CONFIG_HOME/quillon or ~/.config/quillon (not created).
std::string configDirectory();
// $XDG_CACHE_HOME/quillon or ~/.cache/quillon (not created).
std::string cacheDirectory();

// Creates a directory and its parents; true if it exists afterwards.
bool makeDirectories(const std::string& path);

}  // namespace platform
