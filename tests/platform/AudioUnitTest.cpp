#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "audio/AudioSource.h"
#include "platform/AudioUnit.h"
#include "tests/support/AudioTestDriver.h"

using namespace platform;

namespace {

constexpr uint32_t kPackedSigned = kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked;
const AudioStreamBasicDescription kMono16At22050{
    22050.0, kAudioFormatLinearPCM, kPackedSigned, 2, 1, 2, 1, 16, 0};

AudioUnit newUnit() {
  AudioComponentDescription desc{kAudioUnitType_Output, kAudioUnitSubType_RemoteIO, 0, 0, 0};
  AudioComponent component = AudioComponentFindNext(nullptr, &desc);
  EXPECT_NE(nullptr, component);
  AudioUnit unit = nullptr;
  EXPECT_EQ(noErr, AudioComponentInstanceNew(component, &unit));
  return unit;
}

// A test's input callback: renders every block into its own list and keeps
// the samples and the frame counts.
struct CaptureRecorder {
  AudioUnit unit = nullptr;
  AudioBufferList* list = makeAudioBuffersForChannels(1, 4096);
  std::vector<int16_t> samples;
  std::vector<uint32_t> blocks;
  int calls = 0;
  OSStatus lastStatus = noErr;
  ~CaptureRecorder() { freeAudioBuffers(list); }

  static OSStatus callback(void* refCon, AudioUnitRenderActionFlags* flags,
                           const AudioTimeStamp* stamp, uint32_t bus, uint32_t frames,
                           AudioBufferList*) {
    auto* self = static_cast<CaptureRecorder*>(refCon);
    self->list->buffers[0].dataByteSize = 4096;
    self->lastStatus = AudioUnitRender(self->unit, flags, stamp, bus, frames, self->list);
    if (self->lastStatus == noErr) {
      const auto* p = static_cast<const int16_t*>(self->list->buffers[0].data);
      self->samples.insert(self->samples.end(), p, p + self->list->buffers[0].dataByteSize / 2);
      self->blocks.push_back(frames);
    }
    self->calls++;
    return self->lastStatus;
  }
};

AudioUnit newInputUnit(CaptureRecorder& recorder, uint32_t maxFrames = 1024) {
  AudioUnit unit = newUnit();
  const uint32_t on = 1, off = 0;
  EXPECT_EQ(noErr, AudioUnitSetProperty(unit, kAudioOutputUnitProperty_EnableIO,
                                        kAudioUnitScope_Input, 1, &on, sizeof on));
  EXPECT_EQ(noErr, AudioUnitSetProperty(unit, kAudioOutputUnitProperty_EnableIO,
                                        kAudioUnitScope_Output, 0, &off, sizeof off));
  EXPECT_EQ(noErr,
            AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 1,
                                 &kMono16At22050, sizeof kMono16At22050));
  EXPECT_EQ(noErr, AudioUnitSetProperty(unit, kAudioUnitProperty_MaximumFramesPerSlice,
                                        kAudioUnitScope_Global, 0, &maxFrames, sizeof maxFrames));
  const AURenderCallbackStruct cb{CaptureRecorder::callback, &recorder};
  EXPECT_EQ(noErr, AudioUnitSetProperty(unit, kAudioOutputUnitProperty_SetInputCallback,
                                        kAudioUnitScope_Global, 0, &cb, sizeof cb));
  recorder.unit = unit;
  return unit;
}

class DevicelessAudioUnitTest : public ::testing::Test {
 protected:
  void SetUp() override { AudioUnitSetDevicelessForTesting(true); }
  void TearDown() override { AudioUnitSetDevicelessForTesting(false); }
  audiotest::ScopedSdlAudioDriver driver{"dummy"};
};

}  // namespace

TEST_F(DevicelessAudioUnitTest, CapturedBlocksAreSlicedAndRenderedExactly) {
  CaptureRecorder recorder;
  AudioUnit unit = newInputUnit(recorder, 512);
  ASSERT_EQ(noErr, AudioUnitInitialize(unit));

  std::vector<int16_t> block(1300);
  std::iota(block.begin(), block.end(), int16_t(-650));
  // Not started: a device would not call back, and neither does the unit.
  AudioUnitProcessInput(unit, block.data(), uint32_t(block.size() * 2));
  EXPECT_EQ(0, recorder.calls);

  ASSERT_EQ(noErr, AudioOutputUnitStart(unit));
  AudioUnitProcessInput(unit, block.data(), uint32_t(block.size() * 2));
  EXPECT_EQ((std::vector<uint32_t>{512, 512, 276}), recorder.blocks);
  EXPECT_EQ(block, recorder.samples);

  // Outside the callback there is nothing to render.
  AudioUnitRenderActionFlags flags = 0;
  AudioTimeStamp stamp{};
  EXPECT_EQ(kAudioUnitErr_CannotDoInCurrentContext,
            AudioUnitRender(unit, &flags, &stamp, 1, 100, recorder.list));

  AudioOutputUnitStop(unit);
  AudioUnitProcessInput(unit, block.data(), uint32_t(block.size() * 2));
  EXPECT_EQ(3, recorder.calls);
  AudioComponentInstanceDispose(unit);
}

namespace {
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
  AudioUnit unit = newUnit();
  const uint32_t flags = kPackedSigned | kAudioFormatFlagIsNonInterleaved;
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
