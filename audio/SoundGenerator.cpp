#include "audio/SoundGenerator.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "audio/AmplitudeAnimation.h"
#include "platform/Assert.h"

using namespace platform;

namespace {

constexpr double kTwoPi = 6.283185307179586;

// Prints a status the way the unit's property calls report it: its four bytes
// as they lie in memory (a four-character code reads reversed), then as a number.
void printStatusCode(const char* call, OSStatus status) {
  char bytes[sizeof status];
  std::memcpy(bytes, &status, sizeof status);
  std::printf("%s=%4.4s, %ld\n", call, bytes, static_cast<long>(status));
}

}  // namespace

std::shared_ptr<SoundGenerator> SoundGenerator::init() {
  auto generator = std::make_shared<SoundGenerator>();
  generator->createDefaultAU();
  return generator;
}

SoundGenerator::SoundGenerator() = default;

SoundGenerator::~SoundGenerator() {
  if (outputUnit_ == nullptr) return;
  if (started_) AudioOutputUnitStop(outputUnit_);
  // A unit that refuses to uninitialise is left as it is rather than disposed
  // under its own feet.
  const int16_t status = static_cast<int16_t>(AudioUnitUninitialize(outputUnit_));
  if (status != 0) return;
  AudioComponentInstanceDispose(outputUnit_);
  outputUnit_ = nullptr;
}

void SoundGenerator::createDefaultAU() {
  QUILLON_ASSERT(outputUnit_ == nullptr, this, "audio/SoundGenerator", "outputUnit == nil");

  AudioComponentDescription description{};
  description.componentType = kAudioUnitType_Output;
  description.componentSubType = kAudioUnitSubType_RemoteIO;
  description.componentManufacturer = kAudioUnitManufacturer_System;
  description.componentFlags = 0;
  description.componentFlagsMask = 0;
  AudioComponent component = AudioComponentFindNext(nullptr, &description);
  if (component == nullptr) {
    std::printf("Error in FindNextComponent\n");
    return;
  }

  AudioComponentInstanceNew(component, &outputUnit_);

  AURenderCallbackStruct callback{};
  callback.inputProc = MyRenderer;
  callback.inputProcRefCon = this;
  OSStatus status = AudioUnitSetProperty(outputUnit_, kAudioUnitProperty_SetRenderCallback,
                                         kAudioUnitScope_Input, 0, &callback, sizeof callback);
  if (status != 0) {
    std::printf("AudioUnitSetProperty-CB=%ld\n", static_cast<long>(status));
    return;
  }

  AudioStreamBasicDescription format{};
  format.sampleRate = kSampleRate;
  format.formatID = kAudioFormatLinearPCM;
  format.formatFlags =
      kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved;
  format.bytesPerPacket = 2;
  format.framesPerPacket = 1;
  format.bytesPerFrame = 2;
  format.channelsPerFrame = 1;
  format.bitsPerChannel = 16;
  status = AudioUnitSetProperty(outputUnit_, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input,
                                0, &format, sizeof format);
  if (status != 0) {
    printStatusCode("AudioUnitSetProperty-SF", status);
    return;
  }

  status = AudioUnitInitialize(outputUnit_);
  if (status != 0) {
    std::printf("AudioUnitInitialize=%ld\n", static_cast<long>(status));
    return;
  }

  double sampleRate = 0.0;
  uint32_t size = sizeof sampleRate;
  status = AudioUnitGetProperty(outputUnit_, kAudioUnitProperty_SampleRate, kAudioUnitScope_Output,
                                0, &sampleRate, &size);
  if (status != 0) {
    printStatusCode("AudioUnitSetProperty-GF", status);
    return;
  }

  setFrequency(0.0);
  setAmplitude(0.0);
}

void SoundGenerator::startAU() {
  if (started_) return;
  // Only the low 16 bits of the status count, as the unit's classic callers did.
  const int16_t status = static_cast<int16_t>(AudioOutputUnitStart(outputUnit_));
  if (status != 0) {
    std::printf("AudioOutputUnitStart=%ld\n", static_cast<long>(status));
    return;
  }
  started_ = true;
}

void SoundGenerator::stopAU() {
  if (!started_) return;
  AudioOutputUnitStop(outputUnit_);
  started_ = false;
}

void SoundGenerator::startSoundWithFrequency(float frequency, float volume) {
  std::shared_ptr<AmplitudeAnimation> animation;
  if (amplitude() == 0.0) {
    setFrequency(frequency);
    animation = AmplitudeAnimation::initWithStartValue(static_cast<float>(amplitude()), volume);
  } else {
    // The sounding tone fades out at its own frequency; the new frequency
    // takes effect when that fade ends, at silence.
    auto fadeIn = AmplitudeAnimation::initWithStartValue(0.0f, volume, frequency);
    animation =
        AmplitudeAnimation::initWithStartValue(static_cast<float>(amplitude()), 0.0f, fadeIn);
  }
  scheduleAnimation(std::move(animation));
}

void SoundGenerator::stopSound() {
  scheduleAnimation(AmplitudeAnimation::initWithStartValue(static_cast<float>(amplitude()), 0.0f));
}

void SoundGenerator::animateAmplitude(platform::Timer& timer) {
  auto animation = std::static_pointer_cast<AmplitudeAnimation>(timer.userInfo());
  if (!animation) return;
  animation->step();
  setAmplitude(animation->currentValue());
  if (!animation->complete()) return;

  // Invalidating the timer drops its hold on the ramp; `next` keeps the
  // successor alive for the rest of this tick.
  std::shared_ptr<AmplitudeAnimation> next = animation->nextAnimation();
  timer.invalidate();
  if (next) {
    setFrequency(next->frequency());
    scheduleAnimation(std::move(next));
  }
}

void SoundGenerator::scheduleAnimation(std::shared_ptr<AmplitudeAnimation> animation) {
  // A running ramp is not cancelled: both write the gain on their ticks and
  // the later write wins.
  auto timer = platform::Timer::timerWithTimeInterval(kEnvelopeInterval, shared_from_this(),
                                                      &SoundGenerator::animateAmplitude,
                                                      std::move(animation), true);
  platform::RunLoop::currentRunLoop().addTimer(timer);
}

OSStatus MyRenderer(void* inRefCon, AudioUnitRenderActionFlags*, const AudioTimeStamp*, uint32_t,
                    uint32_t inNumberFrames, AudioBufferList* ioData) {
  auto* generator = static_cast<SoundGenerator*>(inRefCon);
  if (ioData == nullptr || ioData->numberBuffers == 0 || ioData->buffers[0].data == nullptr) {
    return 0;
  }
  // Never write past the buffer we were given, whatever N says.
  uint32_t frames = inNumberFrames;
  const uint32_t capacity = ioData->buffers[0].dataByteSize / sizeof(int16_t);
  if (frames > capacity) frames = capacity;

  // Gain and frequency are read once, so they hold for the whole buffer.
  RenderSin(generator->sinWaveFrameCount(), frames, static_cast<int16_t*>(ioData->buffers[0].data),
            generator->amplitude(), generator->frequency());
  generator->setSinWaveFrameCount(generator->sinWaveFrameCount() + inNumberFrames);
  return 0;
}

void RenderSin(uint32_t startingFrameCount, uint32_t frameCount, int16_t* samples, double amplitude,
               double frequency) {
  double t = static_cast<double>(startingFrameCount);
  const double wavelength = SoundGenerator::kSampleRate / frequency;
  for (uint32_t i = 0; i < frameCount; ++i) {
    const double x = std::sin(kTwoPi * (t / wavelength));
    const double y = static_cast<double>(static_cast<float>(x * amplitude));
    const double scaled = y * 32768.0 + 0.5;
    // A crest of exactly 1.0 at full gain gives 32768, one beyond the range:
    // saturate instead of letting it wrap to the opposite extreme.
    int16_t sample;
    if (scaled >= 32767.0) {
      sample = 32767;
    } else if (scaled <= -32768.0) {
      sample = -32768;
    } else if (scaled == scaled) {
      sample = static_cast<int16_t>(static_cast<int32_t>(scaled));  // truncates toward zero
    } else {
      sample = 0;  // not a number: a gain or frequency nobody can hear
    }
    samples[i] = sample;
    t += 1.0;
    // Strictly greater: a t equal to W is kept, and one period at most goes.
    if (wavelength < t) t -= wavelength;
  }
}
