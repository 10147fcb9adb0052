// The capture path across threads: the audio thread appends each block to the
// collecting buffer under the collection mutex while the main thread swaps
// the buffers and empties the new collecting one, as the tuner does on every
// refresh. Also run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "audio/AURemoteIOInputSource.h"
#include "audio/AudioSampleBuffer.h"
#include "tests/support/AudioTestDriver.h"

using namespace platform;

namespace {

class TestCaptureController : public AudioSourceDelegate {
 public:
  void addSampledFrames(AudioBufferList* list, int frameCount) override {
    std::lock_guard<std::mutex> lock(collectionBufferMutex);
    collect->appendFrames(frameCount, list->buffers[0].data, int(list->buffers[0].dataByteSize));
    offered += frameCount;
  }

  // One refresh: swap under the lock, then read the display buffer unlocked.
  // Checks that the samples run on from the previous block (the feeder sends
  // a ramp), so a torn or misplaced copy shows.
  void refresh() {
    {
      std::lock_guard<std::mutex> lock(collectionBufferMutex);
      std::swap(collect, display);
      collect->reset();
    }
    const auto* samples = reinterpret_cast<const int16_t*>(display->data());
    for (int i = 0; i < display->frames(); ++i) {
      if (checkRamp && samples[i] != expectedNext) brokenRamp = true;
      expectedNext = int16_t(samples[i] + 1);
    }
    seen += display->frames();
    refreshes++;
  }

  std::mutex collectionBufferMutex;
  std::unique_ptr<AudioSampleBuffer> collect = AudioSampleBuffer::initWithBufferSize(44100);
  std::unique_ptr<AudioSampleBuffer> display = AudioSampleBuffer::initWithBufferSize(44100);
  std::atomic<long> offered{0};
  long seen = 0;
  std::atomic<long> refreshes{0};
  bool checkRamp = false;
  bool brokenRamp = false;
  int16_t expectedNext = 0;
};

}  // namespace

TEST(CaptureThreadTest, SdlCaptureThreadAgainstRefreshes) {
  audiotest::ScopedSdlAudioDriver driver("dummy");
  TestCaptureController controller;
  AURemoteIOInputSource source;
  source.setDelegate(&controller);
  ASSERT_TRUE(source.createAudioInput());
  source.startAudioUnit();
  // Refreshes race the device's thread until a quarter second of sound has
  // come in: the dummy device delivers at real-time pace, a busy machine may
  // take longer.
  const long quarterSecond = 22050 / 4;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (controller.offered < quarterSecond && std::chrono::steady_clock::now() < deadline) {
    controller.refresh();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  source.stopAudioUnit();
  controller.refresh();
  EXPECT_GE(controller.offered, quarterSecond);
  EXPECT_EQ(controller.offered, controller.seen);
  // Once stopped, the device thread is gone: nothing more arrives.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(controller.seen, controller.offered);
}

TEST(CaptureThreadTest, BusyFeederAgainstRefreshes) {
  AudioUnitSetDevicelessForTesting(true);
  audiotest::ScopedSdlAudioDriver driver("dummy");
  TestCaptureController controller;
  controller.checkRamp = true;
  AURemoteIOInputSource source;
  source.setDelegate(&controller);
  ASSERT_TRUE(source.createAudioInput());
  source.startAudioUnit();

  // Blocks of varying size as fast as they can go, far faster than a device;
  // no block may be lost or torn.
  std::atomic<bool> done{false};
  std::thread feeder([&] {
    int16_t next = 0;
    int16_t block[700];
    for (int round = 0; round < 600; ++round) {
      const int frames = 100 + (round * 37) % 600;
      for (int i = 0; i < frames; ++i) block[i] = next++;
      AudioUnitProcessInput(source.audioUnit(), block, uint32_t(frames * 2));
      // Every ten blocks, wait for a refresh: however the threads are
      // scheduled, at most twenty blocks (14000 frames) pile up in between.
      if (round % 10 == 9) {
        const long seenRefreshes = controller.refreshes;
        while (controller.refreshes == seenRefreshes) std::this_thread::yield();
      }
    }
    done = true;
  });
  while (!done) controller.refresh();
  feeder.join();
  controller.refresh();
  source.stopAudioUnit();
  AudioUnitSetDevicelessForTesting(false);
  EXPECT_FALSE(controller.brokenRamp);
  EXPECT_EQ(controller.offered, controller.seen);
}
