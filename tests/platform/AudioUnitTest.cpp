#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "platform/AudioUnit.h"
#include "tests/support/AudioTestDriver.h"

using namespace platform;

namespace {

// An output unit that opens no device: buffers are pulled by hand.
class DevicelessAudioUnitTest : public ::testing::Test {
 protected:
  void SetUp() override { AudioUnitSetDevicelessForTesting(true); }
  void TearDown() override { AudioUnitSetDevicelessForTesting(false); }
  audiotest::ScopedSdlAudioDriver driver{"dummy"};
};

// Renders a running count, or fails when told to.
struct RampRenderer {
  int16_t next = 0;
  bool fail = false;
  static OSStatus callback(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp*,
                           uint32_t, uint32_t frames, AudioBufferList* list) {
    auto* self = static_cast<RampRenderer*>(refCon);
    if (self->fail) return -1;
    auto* out = static_cast<int16_t*>(list->buffers[0].data);
    for (uint32_t i = 0; i < frames; ++i) out[i] = self->next++;
    return noErr;
  }
};

}  // namespace

TEST_F(DevicelessAudioUnitTest, OutputPullsTheRenderCallbackAndSilencesFailures) {
  AudioComponentDescription desc{kAudioUnitType_Output, kAudioUnitSubType_RemoteIO, 0, 0, 0};
  AudioUnit unit = nullptr;
  ASSERT_EQ(noErr, AudioComponentInstanceNew(AudioComponentFindNext(nullptr, &desc), &unit));
  const uint32_t flags =
      kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved;
  AudioStreamBasicDescription mono{8000.0, kAudioFormatLinearPCM, flags, 2, 1, 2, 1, 16, 0};
  ASSERT_EQ(noErr, AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat,
                                        kAudioUnitScope_Input, 0, &mono, sizeof mono));
  uint32_t maxFrames = 300;
  AudioUnitSetProperty(unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0,
                       &maxFrames, sizeof maxFrames);
  RampRenderer renderer;
  const AURenderCallbackStruct cb{RampRenderer::callback, &renderer};
  ASSERT_EQ(noErr, AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback,
                                        kAudioUnitScope_Input, 0, &cb, sizeof cb));
  ASSERT_EQ(noErr, AudioUnitInitialize(unit));
  ASSERT_EQ(noErr, AudioOutputUnitStart(unit));

  // 512 frames, pulled as slices of 300 and 212.
  std::vector<int16_t> out(512, 99), ramp(512);
  std::iota(ramp.begin(), ramp.end(), int16_t(0));
  AudioUnitProcessOutput(unit, out.data(), 1024);
  EXPECT_EQ(ramp, out);
  renderer.fail = true;
  AudioUnitProcessOutput(unit, out.data(), 1024);
  EXPECT_EQ(std::vector<int16_t>(512, 0), out);

  AudioOutputUnitStop(unit);
  renderer.fail = false;
  std::fill(out.begin(), out.end(), 5);
  AudioUnitProcessOutput(unit, out.data(), 1024);
  EXPECT_EQ(std::vector<int16_t>(512, 0), out);
  EXPECT_EQ(512, renderer.next);
  AudioComponentInstanceDispose(unit);
}
