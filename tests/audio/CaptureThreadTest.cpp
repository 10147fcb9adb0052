// The microphone source on SDL's own capture thread (the dummy driver, which
// delivers silence at real-time pace): blocks arrive while it runs and none
// once it has stopped, so a late block cannot reach a receiver that has gone.
// Also run under ThreadSanitizer; the controller's side of the capture path is
// MainViewControllerThreadTest.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "audio/AURemoteIOInputSource.h"
#include "tests/support/AudioTestDriver.h"

TEST(CaptureThreadTest, SdlCaptureThreadDeliversUntilStopped) {
  audiotest::ScopedSdlAudioDriver driver("dummy");
  struct Counting : AudioSourceDelegate {
    std::atomic<long> frames{0};
    void addSampledFrames(AudioBufferList*, int frameCount) override { frames += frameCount; }
  } counting;
  AURemoteIOInputSource source;
  source.setDelegate(&counting);
  ASSERT_TRUE(source.createAudioInput());
  source.startAudioUnit();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (counting.frames < 2205 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  source.stopAudioUnit();
  const long stopped = counting.frames;
  EXPECT_GE(stopped, 2205);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(stopped, counting.frames);
}
