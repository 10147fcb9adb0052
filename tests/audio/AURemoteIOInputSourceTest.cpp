#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <numeric>
#include <vector>

#include "audio/AURemoteIOInputSource.h"
#include "tests/support/AiffTestFiles.h"
#include "tests/support/AllocationCounter.h"
#include "tests/support/AudioTestDriver.h"
#include "tests/support/Scoped.h"

using namespace platform;

namespace {

std::vector<int16_t> ramp(int frames, int16_t from) {
  std::vector<int16_t> v(frames);
  std::iota(v.begin(), v.end(), from);
  return v;
}

uint32_t be32(const std::vector<unsigned char>& b, size_t at) {
  return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

// The source on a unit that opens no device: blocks arrive only when the
// test feeds them, the way SDL's capture callback would.
class AURemoteIOInputSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AudioUnitSetDevicelessForTesting(true);
    source.setDelegate(&delegate);
    ASSERT_TRUE(source.createAudioInput());
  }
  void TearDown() override {
    source.stopAudioUnit();
    writeAiff = savedWriteAiff;
    AudioUnitSetDevicelessForTesting(false);
  }
  void feed(const std::vector<int16_t>& block) {
    AudioUnitProcessInput(source.audioUnit(), block.data(), uint32_t(block.size() * 2));
  }
  std::string recording() const { return docs.path() + "/audio.aiff"; }

  audiotest::ScopedSdlAudioDriver driver{"dummy"};
  bool savedWriteAiff = writeAiff;
  test_support::TempDir docs{"docs"};
  test_support::ScopedEnv docsEnv{"XDG_DOCUMENTS_DIR", docs.path().c_str()};
  audiotest::TestAudioSourceDelegate delegate;
  AURemoteIOInputSource source;
};

}  // namespace

TEST_F(AURemoteIOInputSourceTest, DeliversEveryCapturedBlockWholeInSlicesOfAtMost1024Frames) {
  const auto a = ramp(512, 0), b = ramp(100, 1000), c = ramp(1300, -3000);
  feed(a);  // not started: nothing
  source.startAudioUnit();
  feed(a);
  feed(b);
  feed(c);
  EXPECT_EQ((std::vector<int>{512, 100, 1024, 276}), delegate.frameCounts);
  // After a short block the next full one still gets the whole buffer.
  EXPECT_EQ((std::vector<uint32_t>{1024, 200, 2048, 552}), delegate.byteSizes);
  std::vector<int16_t> all(a);
  all.insert(all.end(), b.begin(), b.end());
  all.insert(all.end(), c.begin(), c.end());
  EXPECT_EQ(all, delegate.samples);
  source.stopAudioUnit();
  feed(a);
  EXPECT_EQ(4u, delegate.frameCounts.size());
}

TEST_F(AURemoteIOInputSourceTest, CaptureAllocatesNothingOnTheAudioThread) {
  struct Counting : AudioSourceDelegate {
    long frames = 0;
    void addSampledFrames(AudioBufferList*, int frameCount) override { frames += frameCount; }
  } counting;
  source.setDelegate(&counting);
  source.startAudioUnit();
  const auto block = ramp(3000, 0);  // three slices
  test_support::startCountingAllocations();
  feed(block);
  EXPECT_EQ(0, test_support::stopCountingAllocations());
  EXPECT_EQ(3000, counting.frames);
}

TEST_F(AURemoteIOInputSourceTest, CallbackWithoutABufferListDoesNothing) {
  source.setBufferList(nullptr);
  source.startAudioUnit();
  AudioUnitRenderActionFlags flags = 0;
  AudioTimeStamp stamp{};
  EXPECT_EQ(0, RenderCallback(&source, &flags, &stamp, 1, 512, nullptr));
  feed(ramp(512, 0));
  EXPECT_TRUE(delegate.frameCounts.empty());
}

TEST_F(AURemoteIOInputSourceTest, RenderErrorIsReturnedAndTheBlockDropped) {
  writeAiff = true;
  source.startAudioUnit();
  ASSERT_NE(nullptr, aiffFile);
  // Called outside the unit's capture there is nothing to render.
  AudioUnitRenderActionFlags flags = 0;
  AudioTimeStamp stamp{};
  EXPECT_EQ(kAudioUnitErr_CannotDoInCurrentContext,
            RenderCallback(&source, &flags, &stamp, 1, 512, nullptr));
  EXPECT_TRUE(delegate.frameCounts.empty());
  source.stopAudioUnit();
  const auto bytes = aifftest::readFile(recording());
  ASSERT_EQ(72u, bytes.size());
  EXPECT_EQ(0u, be32(bytes, 34));  // no frames recorded
}

TEST_F(AURemoteIOInputSourceTest, RecordsEveryBlockToAnAifcFileWhenAsked) {
  writeAiff = true;
  source.startAudioUnit();
  std::vector<int16_t> all;
  for (int i = 0; i < 100; ++i) {
    const auto block = ramp(512, int16_t(i * 7));
    all.insert(all.end(), block.begin(), block.end());
    feed(block);
  }
  EXPECT_EQ(100u, delegate.frameCounts.size());
  source.stopAudioUnit();
  EXPECT_EQ(nullptr, aiffFile);

  // The writer's header layout is checked byte for byte in its own tests;
  // here what matters is that the lengths were patched and every block kept.
  const auto bytes = aifftest::readFile(recording());
  ASSERT_EQ(102472u, bytes.size());
  EXPECT_EQ(102464u, be32(bytes, 4));   // FORM size
  EXPECT_EQ(51200u, be32(bytes, 34));   // frames
  EXPECT_EQ(102408u, be32(bytes, 60));  // SSND size
  EXPECT_EQ(0, std::memcmp(bytes.data() + 72, all.data(), all.size() * 2));

  // A new start truncates and rewrites the recording.
  source.startAudioUnit();
  feed(ramp(512, 0));
  source.stopAudioUnit();
  EXPECT_EQ(72u + 1024u, std::filesystem::file_size(recording()));
}

TEST_F(AURemoteIOInputSourceTest, RecordsNothingWhenNotAsked) {
  writeAiff = false;
  source.startAudioUnit();
  EXPECT_EQ(nullptr, aiffFile);
  feed(ramp(512, 0));
  source.stopAudioUnit();
  EXPECT_FALSE(std::filesystem::exists(recording()));
  EXPECT_EQ(1u, delegate.frameCounts.size());
}

TEST(AURemoteIOInputSourceNoDeviceTest, CreateFailsWithoutAMicrophone) {
  audiotest::ScopedSdlAudioDriver driver("disk");
  test_support::ScopedEnv input("SDL_DISKAUDIOFILEIN", "/nonexistent/quillon-microphone.raw");
  AURemoteIOInputSource source;
  EXPECT_FALSE(source.createAudioInput());
  EXPECT_EQ(nullptr, source.bufferList());
  source.startAudioUnit();  // runs on, silent
  source.stopAudioUnit();
}
