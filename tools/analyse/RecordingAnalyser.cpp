#include "tools/analyse/RecordingAnalyser.h"

#include <cmath>
#include <thread>

#include "common/CaptureFormat.h"
#include "platform/RunLoop.h"

namespace {
constexpr double kRefreshInterval = 0.25;
}  // namespace

std::unique_ptr<RecordingAnalyser> RecordingAnalyser::initWithPath(const std::string& path,
                                                                   const AnalyserOptions& options,
                                                                   std::string& error) {
  std::unique_ptr<RecordingAnalyser> a(new RecordingAnalyser());
  a->options_ = options;
  a->source_ = std::make_unique<AiffAudioSource>(path);
  if (!a->source_->createAudioInput()) {
    error = a->source_->failureReason();
    return nullptr;
  }
  a->source_->setDelegate(a.get());
  a->duration_ = aiff_frames_left(a->source_->file()) / a->source_->sampleRate();

  // Buffers the size of the tuner screen's.
  a->collectSampleBuffer_ = AudioSampleBuffer::initWithBufferSize(kSampleBufferBytes);
  a->displaySampleBuffer_ = AudioSampleBuffer::initWithBufferSize(kSampleBufferBytes);
  a->tuning_ = Tuning::initWithSampleRate(static_cast<float>(a->source_->sampleRate()));
  if (!a->collectSampleBuffer_ || !a->displaySampleBuffer_ || !a->tuning_) {
    error = "cannot set up the analysis for this sample rate";
    return nullptr;
  }
  auto tuning = Tuning::tuningForId(options.tuningId);
  if (!tuning) {
    error = "unknown tuning " + options.tuningId;
    return nullptr;
  }
  a->tuning_->setTargetTuning(tuning);
  a->tuning_->setCalibration(options.calibration);
  if (options.string > 0) {
    if (options.string > static_cast<int>(tuning->tuningNotes.size())) {
      error = "the tuning has no string " + std::to_string(options.string);
      return nullptr;
    }
    a->tuning_->setManualNoteSelection(tuning->tuningNotes[options.string - 1]);
  }
  return a;
}

void RecordingAnalyser::addSampledFrames(AudioBufferList* bufferList, int frameCount) {
  // The file source delivers on this thread, so no lock is needed around
  // the collecting buffer here.
  const AudioBuffer& buffer = bufferList->buffers[0];
  const int before = collectSampleBuffer_->frames();
  collectSampleBuffer_->appendFrames(frameCount, buffer.data,
                                     static_cast<int>(buffer.dataByteSize));
  if (collectSampleBuffer_->frames() == before) droppedFrames_ += frameCount;
}

void RecordingAnalyser::refreshTuner() {
  std::swap(collectSampleBuffer_, displaySampleBuffer_);
  collectSampleBuffer_->reset();
  tuning_->setApplyHammingWindow(true);
  tuning_->processSampleBuffer(*displaySampleBuffer_);

  AnalysisPass pass;
  // The pass's place in the recording, not the moment a busy machine got
  // round to it.
  pass.time = ++passes_ * kRefreshInterval;
  pass.frames = displaySampleBuffer_->frames();
  const auto& records = tuning_->tuningData();
  if (const auto& selected = tuning_->selectedNote()) {
    for (size_t i = 0; i < records.size(); ++i) {
      if (records[i] == selected) pass.string = static_cast<int>(i) + 1;
    }
    const TargetNote& note = *selected->targetNote();
    pass.note = note.name();
    pass.sound = note.soundName();
    pass.pitch = note.pitchName();
    pass.cents = tuning_->frequencyDeltaForNote(*selected);
    pass.hz = TuningData::calibratedTarget(note.frequency(), tuning_->calibration()) *
              std::exp2(static_cast<double>(pass.cents) / 1200.0);
    pass.score = selected->score();
  } else {
    pass.score = -INFINITY;
    for (const auto& r : records) pass.score = std::max(pass.score, r->score());
  }
  // Every frame delivered so far has now been analysed (or dropped, as the
  // tuner screen drops what does not fit): with none left, this was the last.
  done_ = aiff_frames_left(source_->file()) == 0;
  if (onPass_) onPass_(pass);
}

void RecordingAnalyser::run(const std::function<void(const AnalysisPass&)>& onPass) {
  onPass_ = onPass;
  done_ = false;
  passes_ = 0;
  droppedFrames_ = 0;
  auto& loop = platform::RunLoop::currentRunLoop();
  if (!options_.realtime) loop.useManualClock();
  // Capture first, then the refresh timer, as the tuner screen does: at the
  // instants they share, the read comes before the refresh.
  source_->startAudioUnit();
  auto refresh = platform::Timer::timerWithTimeInterval(
      kRefreshInterval, [this](platform::Timer&) { refreshTuner(); });
  loop.addTimer(refresh);
  while (!done_) {
    const auto next = loop.nextFireTime();
    if (!next) break;
    if (options_.realtime) {
      const platform::Nanos wait = *next - loop.now();
      if (wait > 0) std::this_thread::sleep_for(std::chrono::nanoseconds(wait));
      loop.fireDueTimers();
    } else {
      loop.runUntil(*next);
    }
  }
  refresh->invalidate();
  source_->stopAudioUnit();
}
