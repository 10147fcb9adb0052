#include "common/Tuning.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <numbers>

#include "common/AudioSampleBuffer.h"
#include "common/LowerString.h"
#include "common/TuningCatalogue.h"
#include "platform/Assert.h"
#include "platform/FFT.h"
#include "platform/Log.h"

namespace {

// Beyond this the arrays would be gigabytes; no real capture rate comes near.
constexpr int kMaxFFTSize = 24;

// Old weight of the running spectrum: a bin keeps 30 % of its value per pass.
constexpr double kDecay = 0.3;

// 10^1.8: the 36 dB fall that closes a peak.
constexpr double kPeakFall = 63.09573444801933;

// log10(value) + 1.8 < log10(candidate), both logarithms in double. The
// logarithms are only taken when the ratio is within a hair of 10^1.8; far
// from it a product decides the same way, and the search stays cheap.
bool fallsBelowCandidate(float value, float candidate) {
  const double scaled = static_cast<double>(value) * kPeakFall;
  const double peak = candidate;
  if (scaled < peak * (1.0 - 1e-9)) return true;
  if (scaled > peak * (1.0 + 1e-9)) return false;
  return std::log10(static_cast<double>(value)) + 1.8 < std::log10(peak);
}

}  // namespace

// --- Catalogue ---------------------------------------------------------------

namespace {

// One catalogue for the whole program, never freed: the built-in tunings
// first, then the user's own. The user's part can be replaced (on the main
// thread); what it held is kept in `retired` for the rest of the run, since
// notes are compared by identity and may still be held by plain pointer (a
// forced string, Tuning::manualNoteSelection) or by a screen that has not
// refreshed yet.
struct Catalogue {
  Tuning::TuningList list;
  size_t builtInCount = 0;
  Tuning::TuningList retired;
};

Catalogue& catalogue() {
  static Catalogue* const built = [] {
    auto* c = new Catalogue;
    c->list = makeBuiltInTunings();
    c->builtInCount = c->list.size();
    return c;
  }();
  return *built;
}

bool sameNote(const TargetNote& a, const TargetNote& b) {
  return a.name() == b.name() && a.imageName() == b.imageName() && a.soundName() == b.soundName() &&
         a.frequency() == b.frequency() && a.pitch() == b.pitch();
}

bool sameTuning(const TuningDictionary& a, const TuningDictionary& b) {
  if (a.tuningId != b.tuningId || a.tuningName != b.tuningName || a.tuningGroup != b.tuningGroup ||
      a.tuningNotes.size() != b.tuningNotes.size()) {
    return false;
  }
  for (size_t i = 0; i < a.tuningNotes.size(); ++i) {
    if (!sameNote(*a.tuningNotes[i], *b.tuningNotes[i])) return false;
  }
  return true;
}

}  // namespace

void Tuning::registerUserTunings(TuningList userTunings) {
  Catalogue& c = catalogue();
  TuningList old(c.list.begin() + static_cast<std::ptrdiff_t>(c.builtInCount), c.list.end());
  // A tuning that has not changed stays the very object it was: engines and
  // screens holding it see no change.
  for (auto& tuning : userTunings) {
    for (auto& kept : old) {
      if (kept && sameTuning(*kept, *tuning)) {
        tuning = std::move(kept);
        break;
      }
    }
  }
  for (auto& gone : old) {
    if (gone) c.retired.push_back(std::move(gone));
  }
  c.list.resize(c.builtInCount);
  c.list.insert(c.list.end(), userTunings.begin(), userTunings.end());
}

const Tuning::TuningList& Tuning::definedTunings() {
  return catalogue().list;
}

std::shared_ptr<const TuningDictionary> Tuning::tuningForId(const std::string& tuningId) {
  for (const auto& tuning : definedTunings()) {
    if (tuning->tuningId == tuningId) return tuning;
  }
  return nullptr;
}

// --- Creation ------------------------------------------------------------------

std::unique_ptr<Tuning> Tuning::initWithSampleRate(float sampleRate) {
  // Below 1 Hz (or NaN) the length formula has no answer.
  if (!(sampleRate >= 1.0f) || sampleRate >= 4294967296.0f) {
    platform::Log("Unsupported sample rate %g", static_cast<double>(sampleRate));
    return nullptr;
  }
  const uint32_t n = static_cast<uint32_t>(sampleRate);
  const int leadingZeros = n - 1 == 0 ? 32 : __builtin_clz(n - 1);
  const int fftSize = 33 - leadingZeros;
  if (fftSize > kMaxFFTSize) {
    platform::Log("Unsupported sample rate %g", static_cast<double>(sampleRate));
    return nullptr;
  }

  std::unique_ptr<Tuning> tuning(new Tuning());
  tuning->sampleRate_ = sampleRate;
  tuning->fftSize_ = fftSize;
  // The imaginary input is always zero, so the real-input transform gives the
  // same spectrum for about half the work. Without the machine's wisdom the
  // plan is measured in the background (over a second at 65536 points) and
  // passes run on a quick plan meanwhile, so the tuner shows at once.
  tuning->fftsetup_ = platform::FFT::createSetup(fftSize, platform::FFT::RealInput,
                                                 platform::FFT::Planning::Background);
  tuning->bufferSize_ = 1 << fftSize;
  const int size = tuning->bufferSize_;
  tuning->split_ = platform::SplitComplexArray::create(size);
  if (tuning->split_) {
    tuning->realp_ = tuning->split_->realp();
    tuning->imagp_ = tuning->split_->imagp();
  }
  tuning->fft_ = new (std::nothrow) float[size]();
  tuning->fftn_ = new (std::nothrow) float[size]();
  bool windows = true;
  for (auto& w : tuning->window_) {
    w = new (std::nothrow) float[size];
    windows = windows && w;
  }
  if (!tuning->fftsetup_ || !tuning->realp_ || !tuning->fft_ || !tuning->fftn_ || !windows) {
    platform::Log("Memory allocation failed");
    return nullptr;
  }
  return tuning;
}

Tuning::~Tuning() {
  delete[] fft_;
  delete[] fftn_;
  for (float* w : window_) delete[] w;
}

// --- One pass --------------------------------------------------------------------

const float* Tuning::prepareWindow(int frames) {
  ++windowClock_;
  int slot = 0;
  for (int i = 0; i < kWindowSlots; ++i) {
    if (windowLength_[i] == frames) {
      windowUse_[i] = windowClock_;
      return lastWindow_ = window_[i];
    }
    if (windowUse_[i] < windowUse_[slot]) slot = i;  // least recently used
  }
  float* window = window_[slot];
  if (frames == 1) {
    // The formula divides by frames - 1. A one-point window is 1: the lone
    // sample passes unchanged instead of becoming a NaN that the running
    // spectrum would keep for good.
    window[0] = 1.0f;
  } else {
    const double denominator = static_cast<double>(frames - 1);
    for (int i = 0; i < frames; ++i) {
      const double x = (static_cast<double>(i) * (2.0 * std::numbers::pi)) / denominator;
      window[i] = static_cast<float>(std::cos(x) * -0.46164 + 0.53836);
    }
  }
  windowLength_[slot] = frames;
  windowUse_[slot] = windowClock_;
  return lastWindow_ = window;
}

void Tuning::processSampleBuffer(const AudioSampleBuffer& buffer) {
  if (!realp_ || !imagp_ || !fft_ || !fftn_) return;
  // Before the pass begins, never within it: take over the measured plan if
  // it has come (no waiting, no allocation; both plans compute the same
  // transform).
  fftsetup_->adoptMeasuredPlans();
  const int size = bufferSize_;

  // Never read past the bytes the buffer holds or write past the FFT input.
  int frames = std::min({buffer.frames(), buffer.length() / 2, size});
  if (frames < 0) frames = 0;

  const uint8_t* bytes = buffer.data();
  if (applyHammingWindow_) {
    const float* window = prepareWindow(frames);
    for (int i = 0; i < frames; ++i) {
      int16_t sample;
      memcpy(&sample, bytes + 2 * i, sizeof sample);
      realp_[i] = static_cast<float>(sample) * window[i];
    }
  } else {
    for (int i = 0; i < frames; ++i) {
      int16_t sample;
      memcpy(&sample, bytes + 2 * i, sizeof sample);
      realp_[i] = static_cast<float>(sample);
    }
  }
  // Zero padding up to the FFT length. The imaginary input is zero by
  // definition of the real-input transform, so imagp needs no clearing.
  std::fill(realp_ + frames, realp_ + size, 0.0f);

  const platform::SplitComplex split{realp_, imagp_};
  fftsetup_->zipRealInput(split, fftSize_);

  // Magnitudes and the leaky accumulation (in double) for bins 0 ... size / 2;
  // for real input both spectra are symmetric about size / 2, so the upper
  // half is the mirror of the lower.
  const int half = size / 2;
  platform::FFT::zvabs(split, fftn_, half + 1);
  float* running = fft_;
  float* latest = fftn_;
  for (int k = 0; k <= half; ++k) {
    running[k] = static_cast<float>(kDecay * static_cast<double>(running[k]) +
                                    static_cast<double>(latest[k]));
  }
  for (int k = 1; k < half; ++k) {
    latest[size - k] = latest[k];
    running[size - k] = running[k];
  }

  findMaxima();
  clearTuningData();
  applyFFT();
}

void Tuning::findMaxima() {
  nmaxima_ = 0;
  const float* spectrum = fft_;
  const int lo = static_cast<int>(static_cast<float>(bufferSize_) * 20.0f / sampleRate_);
  int hi = static_cast<int>(static_cast<float>(bufferSize_) * 1000.0f / sampleRate_);
  // At very low rates 1000 Hz is beyond the last bin; the trough starts there.
  hi = std::min(hi, bufferSize_ - 1);

  int candidate = lo;
  int trough = hi;
  for (int i = lo; i < hi; ++i) {
    if (spectrum[i] > spectrum[candidate]) {
      candidate = i;
    } else if (nmaxima_ != kMaxMaxima && fallsBelowCandidate(spectrum[i], spectrum[candidate])) {
      maxima_[nmaxima_++] = candidate;
      candidate = i;
      trough = i;
    }
    if (spectrum[i] < spectrum[trough]) {
      if (candidate == trough) candidate = i;
      trough = i;
    }
  }
}

// --- Scoring -----------------------------------------------------------------------

void Tuning::setTargetTuning(std::shared_ptr<const TuningDictionary> tuning) {
  if (tuning == targetTuning_) return;
  targetTuning_ = std::move(tuning);
  TuningDataList records;
  if (targetTuning_) {
    records.reserve(targetTuning_->tuningNotes.size());
    for (const auto& note : targetTuning_->tuningNotes) {
      records.push_back(TuningData::initWithTargetNote(note));
    }
  }
  tuningData_ = std::move(records);
}

void Tuning::clearTuningData() {
  for (const auto& record : tuningData_) record->reset();
}

void Tuning::applyFFT() {
  QUILLON_ASSERT(!tuningData_.empty(), this, "common/Tuning", "No tuning data");

  for (const auto& record : tuningData_) {
    for (int j = 0; j < nmaxima_; ++j) {
      const int bin = maxima_[j];
      const float frequency =
          (static_cast<float>(bin) / static_cast<float>(bufferSize_)) * sampleRate_;
      record->addSampleWithFrequency(frequency, fft_[bin], calibration_);
    }
    record->computeNoteScore();
  }

  selectedNote_.reset();
  if (manualNoteSelection_) {
    for (const auto& record : tuningData_) {
      if (record->targetNote().get() == manualNoteSelection_ && record->score() > kScoreThreshold) {
        selectedNote_ = record;
      }
    }
  } else {
    for (const auto& record : tuningData_) {
      if (!selectedNote_) {
        if (record->score() > kScoreThreshold) selectedNote_ = record;
      } else if (record->score() > selectedNote_->score()) {
        selectedNote_ = record;
      }
    }
    // The best score can belong to the octave or twelfth above the string
    // played; the played string's own partials then say so.
    if (selectedNote_) {
      selectedNote_ =
          LowerString::choose(tuningData_, selectedNote_, calibration_, kScoreThreshold);
    }
  }
}

float Tuning::frequencyDeltaForNote(const TuningData& data) const {
  const float target = TuningData::calibratedTarget(data.targetNote()->frequency(), calibration_);
  float numerator = 0.0f;
  float denominator = 0.0f;
  for (int h = 0; h < TuningData::kHarmonics; ++h) {
    const float harmonic = static_cast<float>(h + 1) * target;
    const float detected = data.frequencyAtHarmonic(h);
    // -1.0e20 marks a harmonic that was not detected.
    const float cents =
        detected > 0
            ? static_cast<float>(1200.0 * std::log2(static_cast<double>(detected / harmonic)))
            : -1.0e20f;
    if (cents > -1.0e10f) {
      numerator += cents * static_cast<float>(8 - h);
      denominator += static_cast<float>(8 - h);
    }
  }
  return denominator != 0.0f ? numerator / denominator : 0.0f;
}
