#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/AudioUnit.h"
#include "platform/RunLoop.h"

class AmplitudeAnimation;

// A continuous sine tone of a chosen frequency and volume, played through the
// platform's output unit at 8000 mono 16-bit frames per second. Every change
// of loudness (start, change of note, stop) is an eight-tick linear ramp on a
// 0.05 s timer of the current run loop, so a ramp takes 0.4 s.
//
// Expected use: init() (unit created and initialised, stopped) -> startAU() ->
// startSoundWithFrequency() any number of times, with or without stopSound()
// between -> stopSound() -> stopAU() -> release.
class SoundGenerator : public std::enable_shared_from_this<SoundGenerator> {
 public:
  static constexpr double kSampleRate = 8000.0;
  static constexpr double kEnvelopeInterval = 0.05;

  // Creates the generator and its output unit (createDefaultAU). Failures are
  // printed on standard output; the generator is then only as usable as the
  // steps before the failure got (see outputUnit() and started()).
  static std::shared_ptr<SoundGenerator> init();

  SoundGenerator();
  ~SoundGenerator();
  SoundGenerator(const SoundGenerator&) = delete;
  SoundGenerator& operator=(const SoundGenerator&) = delete;

  void createDefaultAU();
  void startAU();
  void stopAU();

  // Fades a tone in at `frequency`; if one is sounding, fades it out at its
  // own frequency first and switches when that fade ends.
  void startSoundWithFrequency(float frequency, float volume);
  // Fades to silence; the unit keeps running and renders zeros.
  void stopSound();
  // One tick of an envelope timer whose user data is its ramp.
  void animateAmplitude(platform::Timer& timer);

  // Read on the render thread while the envelope writes them on the main
  // thread: each is one atomic value, so a buffer never sees half a write
  // and the render thread never waits.
  double frequency() const { return frequency_.load(std::memory_order_relaxed); }
  void setFrequency(double f) { frequency_.store(f, std::memory_order_relaxed); }
  double amplitude() const { return amplitude_.load(std::memory_order_relaxed); }
  void setAmplitude(double a) { amplitude_.store(a, std::memory_order_relaxed); }
  uint32_t sinWaveFrameCount() const { return sinWaveFrameCount_.load(std::memory_order_relaxed); }
  void setSinWaveFrameCount(uint32_t n) { sinWaveFrameCount_.store(n, std::memory_order_relaxed); }

  platform::AudioUnit outputUnit() const { return outputUnit_; }
  bool started() const { return started_; }

 private:
  void scheduleAnimation(std::shared_ptr<AmplitudeAnimation> animation);

  platform::AudioUnit outputUnit_ = nullptr;
  std::atomic<uint32_t> sinWaveFrameCount_{0};
  std::atomic<double> amplitude_{0.0};
  std::atomic<double> frequency_{0.0};
  bool started_ = false;
};

// The output unit's render callback: N frames of the generator's tone into
// the first buffer of `ioData`. Returns 0.
platform::OSStatus MyRenderer(void* inRefCon, platform::AudioUnitRenderActionFlags* ioActionFlags,
                              const platform::AudioTimeStamp* inTimeStamp, uint32_t inBusNumber,
                              uint32_t inNumberFrames, AudioBufferList* ioData);

// Writes `frameCount` samples of amplitude x sin(2 pi n frequency / 8000),
// n counting from `startingFrameCount`, as signed 16-bit values.
void RenderSin(uint32_t startingFrameCount, uint32_t frameCount, int16_t* samples, double amplitude,
               double frequency);
