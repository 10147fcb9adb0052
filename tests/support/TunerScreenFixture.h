#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Classes/FlipsideViewController.h"
#include "Classes/MainViewController.h"
#include "audio/AudioInputDevices.h"
#include "audio/AudioSource.h"
#include "platform/Preferences.h"
#include "platform/RunLoop.h"
#include "platform/View.h"
#include "tests/support/ManualClockTest.h"
#include "tests/support/Scoped.h"

// A source that delivers exactly the frames a test hands it, on the calling
// thread, and counts what the controller asks of it. Its input device opens
// when `opens` says so; a test makes the one in use fail by setting `failed`.
class TestAudioSource : public AudioSource {
 public:
  void setDelegate(AudioSourceDelegate* delegate) override { delegate_ = delegate; }
  int bytesPerFrame() override { return 2; }
  double sampleRate() override { return 22050.0; }
  void stopAudioUnit() override {
    ++stops;
    running = failed = false;
  }
  void startAudioUnit() override {
    ++starts;
    running = true;
    failed = !opens(inputDevice);
  }
  void setInputDevice(const std::string& name) override {
    ++deviceMoves;
    inputDevice = name;
    failed = running && !opens(name);
  }
  bool inputDeviceFailed() override { return failed; }
  bool createAudioInput() override {
    ++creates;
    return createSucceeds;
  }

  // Hands `samples` to the delegate as one block, as the audio thread would.
  void deliver(const std::vector<int16_t>& samples) {
    AudioBufferList* list =
        makeAudioBuffersForChannels(1, static_cast<int>(samples.size() * sizeof(int16_t)));
    std::copy(samples.begin(), samples.end(), static_cast<int16_t*>(list->buffers[0].data));
    if (delegate_) delegate_->addSampledFrames(list, static_cast<int>(samples.size()));
    freeAudioBuffers(list);
  }
  void deliverSilence(int frames) { deliver(std::vector<int16_t>(frames, 0)); }

  AudioSourceDelegate* delegate() const { return delegate_; }

  int starts = 0;
  int stops = 0;
  int creates = 0;
  bool createSucceeds = true;
  std::function<bool(const std::string&)> opens = [](const std::string&) { return true; };
  std::string inputDevice;
  int deviceMoves = 0;
  bool running = false;
  bool failed = false;

 private:
  AudioSourceDelegate* delegate_ = nullptr;
};

// The input devices a test lists, and the word of a change it sends.
class TestAudioInputDevices : public AudioInputDevices {
 public:
  std::vector<std::string> names() override { return list; }
  void setChangeHandler(ChangeHandler h) override { handler = std::move(h); }
  void change(std::vector<std::string> now) {
    list = std::move(now);
    if (handler) handler();
  }

  std::vector<std::string> list;
  ChangeHandler handler;
};

// A plucked-string-like tone: a fundamental with falling harmonics.
inline std::vector<int16_t> makeTone(double frequency, int frames, int64_t& phaseFrame) {
  std::vector<int16_t> out(frames);
  const double amplitudes[] = {1.0, 0.6, 0.4, 0.25, 0.15};
  for (int i = 0; i < frames; ++i) {
    double t = static_cast<double>(phaseFrame + i) / 22050.0;
    double v = 0;
    for (int h = 0; h < 5; ++h) v += amplitudes[h] * std::sin(2 * M_PI * frequency * (h + 1) * t);
    out[i] = static_cast<int16_t>(std::lround(v * 6000.0));
  }
  phaseFrame += frames;
  return out;
}

// The tuner screen on the manual clock, with its own preferences store, a
// test source in place of the microphone and a test list of input devices.
class TunerScreenFixture : public ManualRunLoopTest {
 protected:
  void SetUp() override {
    ManualRunLoopTest::SetUp();
    preferences = std::make_unique<platform::Preferences>(dir);
  }

  void TearDown() override {
    controller.reset();
    sourceRef.reset();
    ManualRunLoopTest::TearDown();
  }

  // The defaults registered and the settings' shared values reset, as a
  // fresh run of the program has them.
  void startAsLaunched() {
    preferences->registerDefaults(
        {{TargetTuningOption, std::string("guitar")}, {CalibrationOption, int64_t{440}}});
    calibrationValue = 440.0f;
    selectedTuning = 0;
  }

  // Makes the controller and loads its view, as the root controller does.
  MainViewController& load() {
    auto testSource = std::make_shared<TestAudioSource>();
    sourceRef = testSource;
    source = testSource.get();
    controller = std::make_shared<MainViewController>([testSource] { return testSource; },
                                                      preferences.get(), devices);
    controller->view();
    return *controller;
  }

  // Plays a steady tone into the source for `passes` refreshes (0.25 s each),
  // delivered in 0.05 s blocks.
  void play(double frequency, int passes) {
    for (int p = 0; p < passes; ++p) {
      for (int b = 0; b < 5; ++b) {
        source->deliver(makeTone(frequency, 1102, phase));
        platform::RunLoop::currentRunLoop().advanceBy(0.05);
      }
    }
  }
  void silence(int passes) {
    for (int p = 0; p < passes * 5; ++p) {
      source->deliverSilence(1102);
      platform::RunLoop::currentRunLoop().advanceBy(0.05);
    }
  }

  test_support::TempDir dir{"screen"};
  std::unique_ptr<platform::Preferences> preferences;
  std::shared_ptr<TestAudioInputDevices> devices = std::make_shared<TestAudioInputDevices>();
  std::shared_ptr<MainViewController> controller;
  std::shared_ptr<TestAudioSource> sourceRef;
  TestAudioSource* source = nullptr;
  int64_t phase = 0;
};
