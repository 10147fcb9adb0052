#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "audio/AiffAudioSource.h"
#include "tests/support/AiffTestFiles.h"
#include "tests/support/AudioTestDriver.h"
#include "tests/support/ManualClockTest.h"

using platform::RunLoop;

namespace {

class AiffAudioSourceTest : public ManualRunLoopTest {
 protected:
  void advance(double seconds) { loop().advanceBy(seconds); }

  // A started source over `samples` written at `rate`.
  std::unique_ptr<AiffAudioSource> startedSource(const std::string& name, double rate,
                                                 const std::vector<int16_t>& samples,
                                                 bool aifc = true) {
    const std::string path = aifftest::tempPath(name);
    aifftest::writeSamples(path, rate, samples, aifc);
    auto source = std::make_unique<AiffAudioSource>(path);
    source->setDelegate(&delegate);
    EXPECT_TRUE(source->createAudioInput()) << source->failureReason();
    source->startAudioUnit();
    return source;
  }

  audiotest::TestAudioSourceDelegate delegate;
};

TEST_F(AiffAudioSourceTest, MissingFileFailsQuietly) {
  AiffAudioSource source(aifftest::tempPath("absent.aiff"));
  EXPECT_FALSE(source.createAudioInput());
  EXPECT_EQ(nullptr, source.file());
  source.startAudioUnit();  // nothing to read: ticks deliver nothing
  advance(0.5);
  EXPECT_TRUE(delegate.frameCounts.empty());
}

TEST_F(AiffAudioSourceTest, DeliversATenthOfASecondPerTick) {
  auto source = startedSource("22050.aiff", 22050, std::vector<int16_t>(30000, 1));
  EXPECT_EQ(22050.0, source->sampleRate());
  EXPECT_EQ(2, source->bytesPerFrame());
  advance(1.0);
  EXPECT_EQ(std::vector<int>(10, 2205), delegate.frameCounts);
  EXPECT_EQ(std::vector<uint32_t>(10, 4410), delegate.byteSizes);
}

TEST_F(AiffAudioSourceTest, ShortFileRunsDryAndStopStartResumes) {
  std::vector<int16_t> samples(3000);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(i);
  auto source = startedSource("3000.aiff", 22050, samples);
  advance(0.1);
  source->stopAudioUnit();
  advance(1.0);
  EXPECT_EQ((std::vector<int>{2205}), delegate.frameCounts) << "nothing is delivered while stopped";
  source->startAudioUnit();
  source->startAudioUnit();  // a second start must not double the pace
  advance(0.4);
  EXPECT_EQ((std::vector<int>{2205, 795, 0, 0, 0}), delegate.frameCounts);
  EXPECT_EQ(0u, delegate.byteSizes.back());
  EXPECT_EQ(samples, delegate.samples) << "resumed at the next unread frame";
}

TEST_F(AiffAudioSourceTest, SamplesArriveInNativeOrderFromBothForms) {
  const std::vector<int16_t> samples{1, -2, 0x1234, -32768, 32767};
  auto sowt = startedSource("sowt.aiff", 22050, samples, true);
  advance(0.1);
  sowt->stopAudioUnit();
  EXPECT_EQ(samples, delegate.samples);

  delegate.samples.clear();
  auto plain = startedSource("plain.aiff", 22050, samples, false);
  advance(0.1);
  EXPECT_EQ(samples, delegate.samples);
}

TEST_F(AiffAudioSourceTest, RejectsWhatItCannotDeliverWhole) {
  const std::string path = aifftest::tempPath("stereo.aiff");
  for (auto [channels, bits] : {std::pair<int16_t, int16_t>{2, 16}, {1, 8}, {1, 24}}) {
    aiff_data* aiff = aiff_open(path.c_str(), "w");
    aiff_write_header(aiff, 22050, channels, bits, 1);
    const char bytes[12] = {};
    aiff_write_sample(aiff, bytes, 12, 3);
    aiff_close(aiff);
    AiffAudioSource source(path);
    EXPECT_FALSE(source.createAudioInput()) << channels << " channels, " << bits << " bits";
    EXPECT_NE(std::string::npos, source.failureReason().find("not 16-bit mono"));
    EXPECT_EQ(nullptr, source.file());
  }
  aifftest::writeFile(path, aifftest::ChunkWriter().comm(2, 1e300).ssnd({0, 0, 0, 0}).finish());
  AiffAudioSource absurd(path);
  EXPECT_FALSE(absurd.createAudioInput());
}

TEST_F(AiffAudioSourceTest, DestroyingARunningSourceStopsItsTimer) {
  auto source = startedSource("destroyed.aiff", 22050, std::vector<int16_t>(100));
  EXPECT_EQ(1u, RunLoop::currentRunLoop().timerCount());
  source.reset();
  EXPECT_EQ(0u, RunLoop::currentRunLoop().timerCount());
  advance(1.0);
  EXPECT_TRUE(delegate.frameCounts.empty());
}

}  // namespace
