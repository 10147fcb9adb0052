#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "audio/SoundGenerator.h"
#include "platform/RunLoop.h"
#include "tests/support/AudioTestDriver.h"
#include "tests/support/ManualClockTest.h"

namespace {

// The generator on a real SDL output device (the dummy driver, which pulls
// buffers on its own thread at real-time pace without any sound hardware):
// the envelope writes gain and frequency on this thread while the device's
// thread renders.
class SoundGeneratorThreadTest : public ManualRunLoopTest {
 protected:
  audiotest::ScopedSdlAudioDriver driver_{"dummy"};

  // Waits (in real time) until the device has pulled at least `frames` more.
  static bool waitForFrames(const SoundGenerator& generator, uint32_t frames) {
    const uint32_t from = generator.sinWaveFrameCount();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (generator.sinWaveFrameCount() - from < frames) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }
};

TEST_F(SoundGeneratorThreadTest, SecondStartDoesNothingAndTheDeviceKeepsPulling) {
  testing::internal::CaptureStdout();
  auto generator = SoundGenerator::init();
  generator->startAU();
  const bool startedOnce = generator->started();
  generator->startAU();
  const std::string printed = testing::internal::GetCapturedStdout();
  ASSERT_TRUE(startedOnce);
  EXPECT_TRUE(generator->started());
  // No error from the platform either: the second start never reached it.
  EXPECT_EQ("", printed);
  EXPECT_TRUE(waitForFrames(*generator, 800));

  generator->stopAU();
  EXPECT_FALSE(generator->started());
  // Once stopped, no more buffers are pulled.
  const uint32_t frames = generator->sinWaveFrameCount();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(frames, generator->sinWaveFrameCount());
  generator->stopAU();
  EXPECT_FALSE(generator->started());
}

TEST_F(SoundGeneratorThreadTest, EnvelopeRunsWhileTheDeviceRenders) {
  auto generator = SoundGenerator::init();
  generator->startAU();
  ASSERT_TRUE(generator->started());
  generator->startSoundWithFrequency(440.0f, 0.6f);
  for (int k = 0; k < 8; ++k) {
    loop().advanceBy(SoundGenerator::kEnvelopeInterval);
    ASSERT_TRUE(waitForFrames(*generator, 1));
  }
  generator->startSoundWithFrequency(880.0f, 0.3f);
  for (int k = 0; k < 16; ++k) {
    loop().advanceBy(SoundGenerator::kEnvelopeInterval);
    ASSERT_TRUE(waitForFrames(*generator, 1));
  }
  EXPECT_EQ(880.0, generator->frequency());
  EXPECT_EQ(static_cast<double>(0.3f), generator->amplitude());
  generator->stopAU();
}

}  // namespace
