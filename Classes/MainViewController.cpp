#include "Classes/MainViewController.h"

#include <algorithm>
#include <limits>

#include "Classes/RootViewController.h"
#include "audio/AURemoteIOInputSource.h"
#include "audio/AudioInputDevices.h"
#include "audio/Sounds.h"
#include "common/AudioSampleBuffer.h"
#include "common/CaptureFormat.h"
#include "common/Tuning.h"
#include "platform/Assert.h"
#include "platform/Log.h"
#include "platform/Preferences.h"
#include "platform/RunLoop.h"
#include "platform/Screen.h"
#include "platform/View.h"
#include "views/TunerDataView.h"
#include "views/TunerView.h"

namespace {

constexpr const char* kFile = "Classes/MainViewController";
constexpr double kRefreshInterval = 0.25;
// A device that fails is tried again after this long, then after twice as
// long each time, up to the longest wait: soon enough to be heard again within
// a few seconds, rarely enough not to fill the log while nothing works.
constexpr double kInputRetryInterval = 2.0;
constexpr double kLongestInputRetryInterval = 32.0;

}  // namespace

MainViewController::MainViewController()
    : MainViewController([] { return std::make_shared<AURemoteIOInputSource>(); }, nullptr,
                         AudioInputDevices::systemDevices()) {}

MainViewController::MainViewController(AudioSourceFactory makeAudioSource,
                                       platform::Preferences* preferences,
                                       std::shared_ptr<AudioInputDevices> inputDevices)
    : makeAudioSource_(std::move(makeAudioSource)),
      preferences_(preferences),
      inputDevices_(std::move(inputDevices)),
      inputRetryInterval_(kInputRetryInterval) {}

MainViewController::~MainViewController() {
  if (inputDevices_) inputDevices_->setChangeHandler(nullptr);
  stopSound();
  if (recording_) stopRecording();
  // The source may still be delivering on its own thread until told to stop.
  if (audioSource_) audioSource_->setDelegate(nullptr);
}

platform::Preferences& MainViewController::preferences() const {
  return preferences_ ? *preferences_ : platform::Preferences::standardUserDefaults();
}

void MainViewController::viewDidLoad() {
  audioSource_ = makeAudioSource_();
  if (audioSource_) audioSource_->setDelegate(this);
  initAudio();
  if (inputDevices_) inputDevices_->setChangeHandler([this] { updateInputDevice(); });
  updateInputDevice();
  sounds_.reset();

  tuner_ = Tuning::initWithSampleRate(static_cast<float>(kCaptureSampleRate));
  const platform::Preferences& defaults = preferences();
  std::shared_ptr<const TuningDictionary> tuning;
  if (auto id = defaults.stringForKey(TargetTuningOption)) tuning = Tuning::tuningForId(*id);
  if (!tuning) tuning = Tuning::definedTunings().front();
  tuner_->setTargetTuning(tuning);
  // A value the engine's int cannot hold is as unusable as one below 1 Hz.
  int64_t calibration = defaults.integerForKey(CalibrationOption);
  if (calibration > 0 && calibration <= std::numeric_limits<int>::max()) {
    tuner_->setCalibration(static_cast<int>(calibration));
  }

  platform::Rect frame = platform::Screen::mainScreen().applicationFrame();
  auto root = std::make_shared<platform::View>(frame);
  root->setBackgroundColor(platform::Color::blackColor());
  setView(root);

  tunerView_ = TunerView::initWithFrame(frame, tuner_.get(), this);
  if (defaults.stringForKey(NumericReadoutOption)) {
    tunerView_->setNumericReadoutChoice(defaults.integerForKey(NumericReadoutOption) != 0);
  }
  root->addSubview(tunerView_);
}

void MainViewController::toggleNumericReadout() {
  if (!tunerView_) return;
  preferences().setInteger(tunerView_->toggleNumericReadout() ? 1 : 0, NumericReadoutOption);
}

void MainViewController::initAudio() {
  displaySampleBuffer_ = AudioSampleBuffer::initWithBufferSize(kSampleBufferBytes);
  if (displaySampleBuffer_) {
    collectSampleBuffer_ = AudioSampleBuffer::initWithBufferSize(kSampleBufferBytes);
  }
  if (!displaySampleBuffer_ || !collectSampleBuffer_) {
    platform::Log("cannot allocate sample buffer");
    return;
  }
  if (!audioSource_ || !audioSource_->createAudioInput()) {
    platform::Log("Failed to create audio input source");
  }
}

void MainViewController::addSampledFrames(AudioBufferList* bufferList, int frameCount) {
  const void* self = this;
  QUILLON_ASSERT(self != nullptr, self, kFile, "Unexpected NULL value for self");
  std::lock_guard<std::mutex> lock(collectionBufferMutex_);
  if (!collectSampleBuffer_) {
    QUILLON_ASSERT(collectSampleBuffer_ != nullptr, this, kFile,
                   "Unexpected NULL for sample buffer");
    return;
  }
  if (!bufferList || bufferList->numberBuffers < 1) return;
  const AudioBuffer& first = bufferList->buffers[0];
  collectSampleBuffer_->appendFrames(frameCount, first.data, static_cast<int>(first.dataByteSize));
}

void MainViewController::refreshTuner(platform::Timer&) {
  {
    std::lock_guard<std::mutex> lock(collectionBufferMutex_);
    std::swap(collectSampleBuffer_, displaySampleBuffer_);
    if (collectSampleBuffer_) collectSampleBuffer_->reset();
  }
  if (displaySampleBuffer_) {
    tuner_->setApplyHammingWindow(true);
    tuner_->processSampleBuffer(*displaySampleBuffer_);
  }
  if (tunerView_) tunerView_->refresh();
  // The data view draws the analysis straight from the engine: each pass
  // changes it.
  if (tunerDataView_) tunerDataView_->setNeedsDisplay();
}

void MainViewController::startRecording(void*) {
  if (recording_) return;
  if (audioSource_) audioSource_->startAudioUnit();
  recording_ = true;
  // A device gone while the tuner was not listening is noticed now.
  if (audioSource_ && audioSource_->inputDeviceFailed()) updateInputDevice();
  // The timer holds a plain pointer: the controller invalidates it before it
  // goes away, so the timer never keeps the controller alive.
  refreshTimer_ = platform::Timer::timerWithTimeInterval(
      kRefreshInterval, [this](platform::Timer& t) { refreshTuner(t); });
  platform::RunLoop::currentRunLoop().addTimer(refreshTimer_);
}

void MainViewController::stopRecording(void*) {
  if (audioSource_) audioSource_->stopAudioUnit();
  if (refreshTimer_) {
    refreshTimer_->invalidate();
    refreshTimer_.reset();
  }
  if (inputRetryTimer_) {
    inputRetryTimer_->invalidate();
    inputRetryTimer_.reset();
  }
  inputRetryInterval_ = kInputRetryInterval;
  inputDeviceFailing_ = false;
  recording_ = false;
}

void MainViewController::setMode(TunerMode mode) {
  if (mode == mode_) return;
  mode_ = mode;
  if (mode == TunerMode::tuner) {
    stopSound();
    startRecording();
  } else {
    stopRecording();
    preLoadSounds();
  }
}

void MainViewController::preLoadSounds() {
  QUILLON_ASSERT(sounds_ == nullptr, this, kFile, "should not have a sounds object here");
  auto tuning = tuner_->targetTuning();
  sounds_ = std::make_shared<Sounds>();
  sounds_->preLoadSoundsForTuning(*tuning);
}

void MainViewController::startSound(const TargetNote& note) {
  if (!sounds_) sounds_ = std::make_shared<Sounds>();
  if (auto effect = sounds_->soundForNote(note)) effect->play();
}

void MainViewController::stopSound() {
  sounds_.reset();
}

void MainViewController::viewWillAppear(bool) {
  tunerView_->reloadNoteButtons();
  tunerView_->updateCalibrationLabel();
  tuner_->setManualNoteSelection(static_cast<const TargetNote*>(nullptr));
  // Selection is automatic again, so the auto button says so; the new note
  // buttons are all unselected already.
  tunerView_->autoButton()->setSelected(true);
}

void MainViewController::viewDidAppear(bool) {
  if (mode_ == TunerMode::tuner) {
    startRecording();
  } else {
    preLoadSounds();
  }
}

void MainViewController::viewWillDisappear(bool) {
  stopSound();
  stopRecording();
}

void MainViewController::flipAction(platform::Control*) {
  if (rootController_) rootController_->toggleView();
}

std::string MainViewController::inputDevice() const {
  return preferences().stringForKey(InputDeviceOption).value_or(std::string());
}

std::vector<std::string> MainViewController::inputDevices() const {
  return inputDevices_ ? inputDevices_->names() : std::vector<std::string>();
}

void MainViewController::chooseInputDevice(const std::string& name) {
  preferences().setString(name, InputDeviceOption);
  // A new choice: whether it is missing is news of its own, not a return.
  inputDeviceMissing_ = false;
  updateInputDevice();
}

void MainViewController::updateInputDevice() {
  const std::string chosen = inputDevice();
  bool listed = true;
  if (!chosen.empty()) {
    const std::vector<std::string> names = inputDevices();
    listed = std::find(names.begin(), names.end(), chosen) != names.end();
  }

  const std::string previous = inputDeviceInUse_;
  bool lost = false;      // the device in use stopped delivering
  bool unusable = false;  // the chosen device is listed but does not open
  if (audioSource_) {
    const std::string wanted = listed ? chosen : std::string();
    lost = audioSource_->inputDeviceFailed();
    if (wanted != inputDeviceInUse_ || lost) {
      inputDeviceInUse_ = wanted;
      audioSource_->setInputDevice(wanted);
      if (!wanted.empty() && audioSource_->inputDeviceFailed()) {
        // Taken by another program, or gone before the list caught up:
        // better the default than nothing.
        unusable = true;
        inputDeviceInUse_.clear();
        audioSource_->setInputDevice(inputDeviceInUse_);
      }
    }
  }
  const bool standingIn = !chosen.empty() && (audioSource_ ? inputDeviceInUse_.empty() : !listed);
  const bool failing = recording_ && audioSource_ && audioSource_->inputDeviceFailed();

  // Each change is said once: a device that stays away is not reported again
  // on every later event.
  const char* name = chosen.c_str();
  if (standingIn != inputDeviceMissing_) {
    if (!standingIn) {
      platform::Log("Input device \"%s\" is back; listening on it", name);
    } else if (previous == chosen) {
      platform::Log("Input device \"%s\" went away; listening on the system default", name);
    } else if (unusable) {
      platform::Log("Input device \"%s\" cannot be opened; listening on the system default", name);
    } else {
      platform::Log("Input device \"%s\" not found; listening on the system default", name);
    }
  } else if (lost && previous == inputDeviceInUse_ && !failing) {
    if (previous.empty()) {
      platform::Log("The input device went away; listening on the system default");
    } else {
      platform::Log("Input device \"%s\" dropped out; listening on it again", name);
    }
  }
  inputDeviceMissing_ = standingIn;
  if (failing && !inputDeviceFailing_) {
    platform::Log("No input device can be opened; trying again");
  }
  inputDeviceFailing_ = failing;

  // While listening with no device delivering, try again now and then: not
  // every way back comes with word of a device.
  if (!failing) {
    inputRetryInterval_ = kInputRetryInterval;
    if (inputRetryTimer_) {
      inputRetryTimer_->invalidate();
      inputRetryTimer_.reset();
    }
  } else if (!inputRetryTimer_) {
    inputRetryTimer_ = platform::Timer::timerWithTimeInterval(
        inputRetryInterval_,
        [this](platform::Timer&) {
          inputRetryTimer_.reset();
          updateInputDevice();
        },
        nullptr, false);
    platform::RunLoop::currentRunLoop().addTimer(inputRetryTimer_);
    inputRetryInterval_ = std::min(2 * inputRetryInterval_, kLongestInputRetryInterval);
  }

  if (inputDevicesChangedHandler_) inputDevicesChangedHandler_();
}
