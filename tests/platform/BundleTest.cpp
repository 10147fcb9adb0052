#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/Bundle.h"
#include "tests/support/Scoped.h"

namespace fs = std::filesystem;
using platform::Bundle;

namespace {

class BundleTest : public ::testing::Test {
 protected:
  static void touch(const fs::path& p) {
    fs::create_directories(p.parent_path());
    std::ofstream(p) << "x";
  }
  test_support::TempDir dir_{"bundle"};
  fs::path root_ = dir_.path();
  test_support::ScopedResourcePath restore_{Bundle::mainBundle().resourcePath()};
};

TEST_F(BundleTest, FindsResourcesByNameAndTypeAndMissesCleanly) {
  touch(root_ / "res" / "E2.caf");
  touch(root_ / "res" / "Background.png");
  fs::create_directories(root_ / "res" / "folder.caf");
  touch(root_ / "secret.caf");
  Bundle& bundle = Bundle::mainBundle();
  bundle.setResourcePath((root_ / "res").string());

  EXPECT_EQ((root_ / "res" / "E2.caf").string(), bundle.pathForResource("E2", "caf"));
  EXPECT_EQ((root_ / "res" / "Background.png").string(), bundle.pathForResource("Background.png"));
  EXPECT_EQ(std::nullopt, bundle.pathForResource("A4", "caf"));
  EXPECT_EQ(std::nullopt, bundle.pathForResource("E2", "aiff"));
  EXPECT_EQ(std::nullopt, bundle.pathForResource("folder", "caf")) << "a directory is no resource";
  EXPECT_EQ(std::nullopt, bundle.pathForResource("", "caf"));
  EXPECT_EQ(std::nullopt, bundle.pathForResource("../secret", "caf"));
  EXPECT_EQ(std::nullopt, bundle.pathForResource("E2", "caf/../../secret.caf"));

  bundle.setResourcePath((root_ / "nowhere").string());
  EXPECT_EQ(std::nullopt, bundle.pathForResource("E2", "caf"));
}

TEST_F(BundleTest, InstalledShareDirectoryWinsOverTheBuildTree) {
  // A build tree: the program finds the generated resources of the build.
  fs::create_directories(root_ / "bin");
  const std::string buildTree = Bundle::resourceDirectoryForExecutable((root_ / "bin").string());
  EXPECT_EQ(fs::path(QUILLON_TEST_RESOURCE_DIR).lexically_normal(),
            fs::path(buildTree).lexically_normal());

  // Resources beside the program.
  fs::create_directories(root_ / "bin" / "resources");
  EXPECT_EQ((root_ / "bin" / "resources").string(),
            Bundle::resourceDirectoryForExecutable((root_ / "bin").string()));

  // Installed: <prefix>/bin/quillon reads <prefix>/share/quillon.
  fs::create_directories(root_ / "share" / "quillon");
  EXPECT_EQ((root_ / "share" / "quillon").string(),
            Bundle::resourceDirectoryForExecutable((root_ / "bin").string()));
}

}  // namespace
