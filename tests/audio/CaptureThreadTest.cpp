// The microphone source on SDL's own capture thread (the dummy driver, which
// delivers silence at real-time pace and has one input device): blocks arrive
// while it runs, none while its device does not open, and none once it has
// stopped, so a late block cannot reach a receiver that has gone.
// Also run under ThreadSanitizer; the controller's side of the capture path is
// MainViewControllerThreadTest.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "audio/AURemoteIOInputSource.h"
#include "platform/AudioUnit.h"
#include "tests/support/AudioTestDriver.h"

namespace {

struct CountingDelegate : AudioSourceDelegate {
  std::atomic<long> frames{0};
  void addSampledFrames(AudioBufferList*, int frameCount) override { frames += frameCount; }
};

// Waits until 0.1 s of frames more than `from` have arrived.
bool framesArrive(const CountingDelegate& counting, long from) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (counting.frames < from + 2205) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

bool noFramesFor200ms(const CountingDelegate& counting) {
  const long before = counting.frames;
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  return counting.frames == before;
}

}  // namespace

TEST(CaptureThreadTest, DeliversUntilStoppedOnTheDeviceItIsGiven) {
  audiotest::ScopedSdlAudioDriver driver("dummy");
  const auto names = platform::AudioInputDeviceNames();
  ASSERT_TRUE(names);
  ASSERT_EQ(1u, names->size());
  CountingDelegate counting;
  AURemoteIOInputSource source;
  source.setDelegate(&counting);
  ASSERT_TRUE(source.createAudioInput());
  source.startAudioUnit();
  EXPECT_TRUE(framesArrive(counting, 0));

  source.setInputDevice("No such device");
  EXPECT_TRUE(source.inputDeviceFailed());
  EXPECT_TRUE(noFramesFor200ms(counting));
  source.setInputDevice(names->front());
  EXPECT_FALSE(source.inputDeviceFailed());
  EXPECT_TRUE(framesArrive(counting, counting.frames));

  source.stopAudioUnit();
  EXPECT_TRUE(noFramesFor200ms(counting));
  EXPECT_FALSE(source.inputDeviceFailed()) << "stopped, nothing has failed";
}
