#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "tests/support/Scoped.h"

// Each folder is one layer and may include only the layers below it; its
// CMake target links exactly the layers its files include.

namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kLayers = {"platform", "common",  "audio",
                                          "views",    "Classes", "tools"};

int rank(const std::string& folder) {
  auto it = std::find(kLayers.begin(), kLayers.end(), folder);
  return it == kLayers.end() ? -1 : static_cast<int>(it - kLayers.begin());
}

// The layer folders named by the #include lines of one file.
std::vector<std::pair<std::string, std::string>> layerIncludes(const fs::path& file) {
  static const std::regex include(R"(^\s*#\s*include\s*["<](([A-Za-z]+)/[^">]+)[">])");
  std::vector<std::pair<std::string, std::string>> found;  // (header, its layer)
  std::ifstream in(file);
  std::string line;
  std::smatch m;
  while (std::getline(in, line)) {
    if (std::regex_search(line, m, include) && rank(m[2]) >= 0) found.emplace_back(m[1], m[2]);
  }
  return found;
}

struct Scan {
  int files = 0;
  std::vector<std::string> upward;                // "file includes header"
  std::vector<std::set<std::string>> includedBy;  // per layer: the other layers it includes
};

Scan scanTree(const fs::path& root) {
  Scan scan;
  scan.includedBy.resize(kLayers.size());
  for (size_t r = 0; r < kLayers.size(); ++r) {
    const fs::path dir = root / kLayers[r];
    if (!fs::is_directory(dir)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
      const std::string ext = entry.path().extension();
      if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
      ++scan.files;
      for (const auto& [header, layer] : layerIncludes(entry.path())) {
        if (rank(layer) > static_cast<int>(r)) {
          scan.upward.push_back(fs::relative(entry.path(), root).string() + " includes " + header);
        } else if (rank(layer) < static_cast<int>(r)) {
          scan.includedBy[r].insert(layer);
        }
      }
    }
  }
  return scan;
}

// The layers a folder's quillon_layer(... DEPS ...) call links.
std::set<std::string> linkedLayers(const fs::path& cmakeLists) {
  std::ifstream in(cmakeLists);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::smatch call;
  std::set<std::string> linked;
  if (!std::regex_search(text, call, std::regex(R"(quillon_layer\(\s*\w+([^)]*)\))"))) {
    return linked;
  }
  const std::string deps = call[1];
  const std::regex target(R"(quillon_(\w+))");
  for (std::sregex_iterator it(deps.begin(), deps.end(), target), end; it != end; ++it) {
    std::string name = (*it)[1];
    if (name == "classes") name = "Classes";
    linked.insert(name);
  }
  return linked;
}

// Includes that only a backend may make: the system libraries it sits on, and
// the other backend's files. The shared part of platform/ (its own folder)
// and every layer above it but tools/ (desktop programs) include neither
// kind, so that they compile unchanged for the desktop and the browser.
std::vector<std::string> backendIncludes(const fs::path& root) {
  static const std::regex systemOrBackend(
      R"(^\s*#\s*include\s*["<]((cairo|SDL|fftw3|sndfile|samplerate|emscripten)[^">]*|)"
      R"((X11|SDL2|emscripten)/[^">]*|platform/(desktop|web)/[^">]*)[">])");
  static const std::regex otherBackend(R"(^\s*#\s*include\s*"platform/(desktop|web)/)");
  std::vector<std::string> found;
  const auto scan = [&](const fs::path& file, const std::regex& forbidden, const std::string& own) {
    std::ifstream in(file);
    std::string line;
    std::smatch m;
    while (std::getline(in, line)) {
      if (std::regex_search(line, m, forbidden) && (own.empty() || m[1] != own)) {
        found.push_back(fs::relative(file, root).string() + ": " + line);
      }
    }
  };
  const auto isSource = [](const fs::path& p) {
    return p.extension() == ".h" || p.extension() == ".cpp";
  };
  for (const std::string layer : {"platform", "common", "audio", "views", "Classes"}) {
    if (!fs::is_directory(root / layer)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(root / layer)) {
      const fs::path& file = entry.path();
      if (!entry.is_regular_file() || !isSource(file)) continue;
      const std::string backend = file.parent_path().filename();
      if (layer == "platform" && (backend == "desktop" || backend == "web")) {
        scan(file, otherBackend, backend);  // a backend uses its own files only
      } else {
        scan(file, systemOrBackend, "");
      }
    }
  }
  return found;
}

std::string join(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += "\n  " + line;
  return text;
}

TEST(LayeringTest, NoFileIncludesAHeaderFromALayerAboveItsOwn) {
  const Scan scan = scanTree(QUILLON_SOURCE_DIR);
  ASSERT_GT(scan.files, 100) << "the sources were not found under " << QUILLON_SOURCE_DIR;
  EXPECT_TRUE(scan.upward.empty())
      << "layers: platform < common < audio < views < Classes < tools" << join(scan.upward);
}

TEST(LayeringTest, EachLayerTargetLinksExactlyTheLayersItsFilesInclude) {
  const fs::path root = QUILLON_SOURCE_DIR;
  const Scan scan = scanTree(root);
  // tools/ builds several programs, each with its own list.
  for (size_t r = 0; r + 1 < kLayers.size(); ++r) {
    const std::set<std::string> linked = linkedLayers(root / kLayers[r] / "CMakeLists.txt");
    EXPECT_EQ(scan.includedBy[r], linked)
        << kLayers[r] << "/CMakeLists.txt links other layers than its files include";
  }
}

TEST(LayeringTest, OnlyTheBackendsReachTheSystemLibraries) {
  EXPECT_EQ(std::vector<std::string>{}, backendIncludes(QUILLON_SOURCE_DIR));
}

// The checks themselves: an upward include in a small tree is named, file and header.
TEST(LayeringTest, TheChecksNameAnUpwardIncludeAndAReachedBackend) {
  test_support::TempDir root("layering");
  fs::create_directories(root / "views");
  fs::create_directories(root / "Classes");
  std::ofstream(root / "views" / "Dial.cpp") << "#include \"common/Tuning.h\"\n"
                                                "#include \"Classes/MainViewController.h\"\n";
  std::ofstream(root / "Classes" / "Shell.cpp") << "#include \"views/Dial.h\"\n";
  const Scan scan = scanTree(root.path());
  EXPECT_EQ(2, scan.files);
  EXPECT_EQ(std::vector<std::string>{"views/Dial.cpp includes Classes/MainViewController.h"},
            scan.upward);

  // ... and a system library or backend reached from outside a backend.
  fs::create_directories(root / "platform" / "desktop");
  fs::create_directories(root / "platform" / "web");
  std::ofstream(root / "platform" / "View.cpp") << "#include <cairo.h>\n#include <vector>\n";
  std::ofstream(root / "platform" / "desktop" / "Font.cpp")
      << "#include <cairo.h>\n#include \"platform/desktop/Own.h\"\n";
  std::ofstream(root / "platform" / "web" / "Font.cpp")
      << "#include \"platform/desktop/SoundFileReader.h\"\n";
  std::ofstream(root / "views" / "Knob.cpp") << "#include \"platform/web/Canvas.h\"\n";
  std::vector<std::string> found = backendIncludes(root.path());
  std::sort(found.begin(), found.end());
  EXPECT_EQ((std::vector<std::string>{
                "platform/View.cpp: #include <cairo.h>",
                "platform/web/Font.cpp: #include \"platform/desktop/SoundFileReader.h\"",
                "views/Knob.cpp: #include \"platform/web/Canvas.h\""}),
            found);
}

}  // namespace
