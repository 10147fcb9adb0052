#include "Classes/MainViewController.h"

#include <limits>

#include "Classes/RootViewController.h"
#include "audio/AURemoteIOInputSource.h"
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

}  // namespace

MainViewController::MainViewController()
    : MainViewController([] { return std::make_shared<AURemoteIOInputSource>(); }) {}

MainViewController::MainViewController(AudioSourceFactory makeAudioSource,
                                       platform::Preferences* preferences)
    : makeAudioSource_(std::move(makeAudioSource)), preferences_(preferences) {}

MainViewController::~MainViewController() {
  stopSound();
  if (recording_) stopRecording();
  // The source may still be delivering on its own thread until told to stop.
  if (audioSource_) audioSource_->setDelegate(nullptr);
}

void MainViewController::viewDidLoad() {
  audioSource_ = makeAudioSource_();
  if (audioSource_) audioSource_->setDelegate(this);
  initAudio();
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

const platform::Preferences& MainViewController::preferences() const {
  return preferences_ ? *preferences_ : platform::Preferences::standardUserDefaults();
}

platform::Preferences& MainViewController::preferences() {
  return preferences_ ? *preferences_ : platform::Preferences::standardUserDefaults();
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
  // The timer holds a plain pointer: the controller invalidates it before it
  // goes away, so the timer never keeps the controller alive.
  refreshTimer_ = platform::Timer::timerWithTimeInterval(
      kRefreshInterval, [this](platform::Timer& t) { refreshTuner(t); });
  platform::RunLoop::currentRunLoop().addTimer(refreshTimer_);
  recording_ = true;
}

void MainViewController::stopRecording(void*) {
  if (audioSource_) audioSource_->stopAudioUnit();
  if (refreshTimer_) {
    refreshTimer_->invalidate();
    refreshTimer_.reset();
  }
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
