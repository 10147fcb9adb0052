#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/Paths.h"

TEST(PathsTest, JoiningPutsExactlyOneSeparatorBetween) {
  using platform::stringByAppendingPathComponent;
  EXPECT_EQ("/tmp/audio.aiff", stringByAppendingPathComponent("/tmp", "audio.aiff"));
  EXPECT_EQ("/tmp/audio.aiff", stringByAppendingPathComponent("/tmp/", "/audio.aiff"));
  EXPECT_EQ("/audio.aiff", stringByAppendingPathComponent("/", "audio.aiff"));
  EXPECT_EQ("audio.aiff", stringByAppendingPathComponent("", "audio.aiff"));
  EXPECT_EQ("/tmp", stringByAppendingPathComponent("/tmp/", ""));
}

TEST(PathsTest, DocumentsDirectoryFollowsXdgElseHome) {
  const char* oldDocs = getenv("XDG_DOCUMENTS_DIR");
  const std::string savedDocs = oldDocs ? oldDocs : "";
  const std::string savedHome = getenv("HOME") ? getenv("HOME") : "";
  setenv("XDG_DOCUMENTS_DIR", "/srv/docs", 1);
  EXPECT_EQ("/srv/docs", platform::documentsDirectory());
  unsetenv("XDG_DOCUMENTS_DIR");
  setenv("HOME", "/home/player", 1);
  EXPECT_EQ("/home/player/Documents", platform::documentsDirectory());
  setenv("HOME", savedHome.c_str(), 1);
  if (oldDocs) setenv("XDG_DOCUMENTS_DIR", savedDocs.c_str(), 1);
}
