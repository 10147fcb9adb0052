#include "tools/analyse/RecordingAnalyser.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "common/CaptureFormat.h"
#include "platform/RunLoop.h"

namespace {
constexpr double kRefreshInterval = 0.25;

// The first bytes, never the name, say whether a file is an AIFF or AIFC.
// False with `error` set when the file cannot be read at all.
bool startsAsAiff(const std::string& path, bool& aiff, std::string& error) {
  FILE* file = fopen(path.c_str(), "rb");
  if (!file) {
    error = strerror(errno);
    return false;
  }
  unsigned char head[12];
  const size_t n = fread(head, 1, sizeof head, file);
  const int readError = ferror(file) ? errno : 0;  // a directory, a failing disk
  fclose(file);
  if (readError) {
    error = strerror(readError);
    return false;
  }
  if (n == 0) {
    error = "the file is empty";
    return false;
  }
  aiff = n == sizeof head && memcmp(head, "FORM", 4) == 0 &&
         (memcmp(head + 8, "AIFF", 4) == 0 || memcmp(head + 8, "AIFC", 4) == 0);
  return true;
}

std::string noSuchChannel(int channel, int channels) {
  return "the file has " + std::to_string(channels) + (channels == 1 ? " channel" : " channels") +
         ", so no channel " + std::to_string(channel);
}

}  // namespace

std::unique_ptr<RecordingAnalyser> RecordingAnalyser::initWithPath(const std::string& path,
                                                                   const AnalyserOptions& options,
                                                                   std::string& error) {
  std::unique_ptr<RecordingAnalyser> a(new RecordingAnalyser());
  a->options_ = options;
  bool aiff = false;
  if (!startsAsAiff(path, aiff, error)) return nullptr;

  // The tuner's own recordings replay through its own file source, frame for
  // frame. Any other AIFF (another rate, stereo, 24-bit, or one that source
  // refuses) must be converted anyway, and libsndfile reads those too.
  std::string aiffError;
  if (aiff) {
    auto source = std::make_unique<AiffAudioSource>(path);
    if (source->createAudioInput() && source->sampleRate() == kCaptureSampleRate) {
      if (options.channel > 1) {
        error = noSuchChannel(options.channel, 1);
        return nullptr;
      }
      a->duration_ = aiff_frames_left(source->file()) / kCaptureSampleRate;
      a->aiffSource_ = source.get();
      a->source_ = std::move(source);
    } else {
      aiffError = source->failureReason();  // empty for another rate
    }
  }
  if (!a->source_) {
    auto reader = platform::SoundFileReader::open(path, kCaptureSampleRate, error);
    if (!reader) {
      // An AIFF neither reader takes: the file source says more precisely
      // what is wrong with it ("there is no COMM chunk").
      if (!aiffError.empty()) error = aiffError;
      return nullptr;
    }
    if (options.channel > reader->fileChannels()) {
      error = noSuchChannel(options.channel, reader->fileChannels());
      return nullptr;
    }
    reader->setChannel(options.channel);
    a->duration_ = reader->duration();
    auto source = std::make_unique<SoundFileAudioSource>(std::move(reader));
    if (!source->createAudioInput()) {
      error = "Memory allocation failed";
      return nullptr;
    }
    a->fileSource_ = source.get();
    a->source_ = std::move(source);
  }
  if (a->exhausted()) {
    error = "the file holds no audio frames";
    return nullptr;
  }
  a->source_->setDelegate(a.get());

  // Buffers the size of the tuner screen's.
  a->collectSampleBuffer_ = AudioSampleBuffer::initWithBufferSize(kSampleBufferBytes);
  a->displaySampleBuffer_ = AudioSampleBuffer::initWithBufferSize(kSampleBufferBytes);
  a->tuning_ = Tuning::initWithSampleRate(static_cast<float>(kCaptureSampleRate));
  if (!a->collectSampleBuffer_ || !a->displaySampleBuffer_ || !a->tuning_) {
    error = "Memory allocation failed";
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

bool RecordingAnalyser::exhausted() {
  return aiffSource_ ? aiff_frames_left(aiffSource_->file()) == 0 : fileSource_->exhausted();
}

std::string RecordingAnalyser::readError() const {
  return fileSource_ ? fileSource_->readError() : std::string();
}

void RecordingAnalyser::addSampledFrames(AudioBufferList* bufferList, int frameCount) {
  // The file source delivers on this thread, so no lock is needed around
  // the collecting buffer here. At the capture rate a pass's three reads at
  // most always fit it.
  const AudioBuffer& buffer = bufferList->buffers[0];
  collectSampleBuffer_->appendFrames(frameCount, buffer.data,
                                     static_cast<int>(buffer.dataByteSize));
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
  done_ = exhausted();
  if (onPass_) onPass_(pass);
}

void RecordingAnalyser::run(const std::function<void(const AnalysisPass&)>& onPass) {
  onPass_ = onPass;
  done_ = false;
  passes_ = 0;
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

namespace {

std::string jsonString(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    if (static_cast<unsigned char>(c) < 0x20) {
      char esc[8];
      snprintf(esc, sizeof esc, "\\u%04x", c);
      out += esc;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string jsonNumber(double v) {
  if (!std::isfinite(v)) return "null";
  char text[32];
  snprintf(text, sizeof text, "%.2f", v);
  return text;
}

}  // namespace

std::string passJson(const AnalysisPass& p) {
  std::string line =
      "{\"time\": " + jsonNumber(p.time) + ", \"frames\": " + std::to_string(p.frames) + ", ";
  if (p.string) {
    line += "\"note\": " + jsonString(p.note) + ", \"string\": " + std::to_string(*p.string) +
            ", \"sound\": " + jsonString(p.sound) + ", \"cents\": " + jsonNumber(p.cents) +
            ", \"score\": " + jsonNumber(p.score) + ", \"name\": " + jsonString(p.pitch) +
            ", \"hz\": " + jsonNumber(p.hz) + "}";
  } else {
    line += "\"note\": null, \"string\": null, \"sound\": null, \"cents\": null, \"score\": " +
            jsonNumber(p.score) + ", \"name\": null, \"hz\": null}";
  }
  return line;
}
