#include <gtest/gtest.h>

#include "platform/Paths.h"
#include "tests/support/Scoped.h"

TEST(PathsTest, JoiningPutsExactlyOneSeparatorBetween) {
  using platform::stringByAppendingPathComponent;
  EXPECT_EQ("/tmp/audio.aiff", stringByAppendingPathComponent("/tmp", "audio.aiff"));
  EXPECT_EQ("/tmp/audio.aiff", stringByAppendingPathComponent("/tmp/", "/audio.aiff"));
  EXPECT_EQ("/audio.aiff", stringByAppendingPathComponent("/", "audio.aiff"));
  EXPECT_EQ("audio.aiff", stringByAppendingPathComponent("", "audio.aiff"));
  EXPECT_EQ("/tmp", stringByAppendingPathComponent("/tmp/", ""));
}

TEST(PathsTest, DocumentsDirectoryFollowsXdgElseHome) {
  test_support::ScopedEnv docs("XDG_DOCUMENTS_DIR", "/srv/docs");
  test_support::ScopedEnv home("HOME", "/home/player");
  EXPECT_EQ("/srv/docs", platform::documentsDirectory());
  docs.set(nullptr);
  EXPECT_EQ("/home/player/Documents", platform::documentsDirectory());
}
