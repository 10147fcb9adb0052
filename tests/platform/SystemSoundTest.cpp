#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <thread>
#include <vector>

#include "platform/SystemSound.h"
#include "tests/support/AudioTestDriver.h"

using namespace platform;

namespace {

class SystemSoundTest : public ::testing::Test {
 protected:
  audiotest::ScopedSdlAudioDriver driver{"dummy"};
  const std::string note = std::string(QUILLON_TEST_RESOURCE_DIR) + "/A2g.caf";
};

}  // namespace

TEST_F(SystemSoundTest, LoadsPlaysOverlappingAndDisposes) {
  const int before = systemSoundsLoaded();
  SystemSoundID a = 0, b = 0;
  ASSERT_EQ(noErr, AudioServicesCreateSystemSoundID(note.c_str(), &a));
  ASSERT_EQ(noErr, AudioServicesCreateSystemSoundID(note.c_str(), &b));
  EXPECT_NE(0u, a);
  EXPECT_NE(a, b);
  EXPECT_EQ(before + 2, systemSoundsLoaded());

  // Playing returns at once, and a second play sounds alongside the first.
  AudioServicesPlaySystemSound(a);
  AudioServicesPlaySystemSound(a);
  AudioServicesPlaySystemSound(b);
  EXPECT_EQ(3, systemSoundsPlaying());
  AudioServicesPlaySystemSound(12345678);  // unknown: nothing
  EXPECT_EQ(3, systemSoundsPlaying());

  // Disposing of a sound silences its voices.
  EXPECT_EQ(noErr, AudioServicesDisposeSystemSoundID(a));
  EXPECT_EQ(1, systemSoundsPlaying());
  EXPECT_NE(noErr, AudioServicesDisposeSystemSoundID(a));
  EXPECT_EQ(noErr, AudioServicesDisposeSystemSoundID(b));
  EXPECT_EQ(0, systemSoundsPlaying());
  EXPECT_EQ(before, systemSoundsLoaded());
}

TEST_F(SystemSoundTest, RefusesMissingAndUnreadableFiles) {
  SystemSoundID id = 99;
  EXPECT_EQ(kSystemSoundFileNotFound,
            AudioServicesCreateSystemSoundID("/nonexistent/E2g.caf", &id));
  EXPECT_EQ(0u, id);
  const test_support::TempDir dir("junk");
  const std::string junk = dir.path() + "/E2g.caf";
  std::ofstream(junk) << "not a sound file at all";
  EXPECT_EQ(kSystemSoundUnsupportedFile, AudioServicesCreateSystemSoundID(junk.c_str(), &id));
  EXPECT_EQ(kSystemSoundUnsupportedFile,
            AudioServicesCreateSystemSoundID(QUILLON_TEST_RESOURCE_DIR, &id));  // a directory
}

// A sound made from samples in memory plays like one from a file: the mixer
// hands its first sound to the output (on the dummy driver's clock).
TEST_F(SystemSoundTest, MakesASoundFromSamplesThatReachesTheOutput) {
  std::vector<int16_t> tone(11025);
  for (size_t i = 0; i < tone.size(); ++i) tone[i] = int16_t(8000 * std::sin(0.1 * double(i)));
  SystemSoundID id = 0;
  ASSERT_EQ(noErr,
            AudioServicesCreateSystemSoundIDWithSamples(tone.data(), tone.size(), 1, 22050, &id));
  EXPECT_NE(0u, id);
  const auto before = std::chrono::steady_clock::now();
  AudioServicesPlaySystemSound(id);
  EXPECT_EQ(1, systemSoundsPlaying());
  const auto deadline = before + std::chrono::seconds(5);
  while (systemSoundLastHeard() < before && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  EXPECT_GE(systemSoundLastHeard(), before) << "nothing reached the output";
  EXPECT_EQ(noErr, AudioServicesDisposeSystemSoundID(id));

  for (auto [channels, rate] : {std::pair{0, 22050}, {1, 0}, {9, 22050}}) {
    EXPECT_EQ(kSystemSoundUnsupportedFile, AudioServicesCreateSystemSoundIDWithSamples(
                                               tone.data(), tone.size(), channels, rate, &id));
    EXPECT_EQ(0u, id);
  }
}
