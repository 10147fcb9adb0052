#include "common/TuningData.h"

#include <cmath>

std::shared_ptr<TuningData> TuningData::initWithTargetNote(std::shared_ptr<const TargetNote> note) {
  return std::shared_ptr<TuningData>(new TuningData(std::move(note)));
}

float TuningData::calibratedTarget(float frequency, int calibration) {
  if (calibration == 440) return frequency;
  return static_cast<float>(frequency * static_cast<float>(calibration) / 440.0);
}

void TuningData::reset() {
  for (int h = 0; h < kHarmonics; ++h) {
    harmonicLevel_[h] = 0;
    frequency_[h] = 0;
  }
  score_ = 0;
}

void TuningData::addSampleWithFrequency(float frequency, float level, int calibration) {
  const float target = calibratedTarget(targetNote_->frequency(), calibration);
  for (int h = 0; h < kHarmonics; ++h) {
    const float harmonic = static_cast<float>(h + 1) * target;
    const float ratio = frequency / harmonic;
    // Half a semitone is a ratio of 0.9715 to 1.0293: far outside that no
    // logarithm is needed (a chromatic tuning offers each peak to 61 notes).
    if (ratio > 0.96f && ratio < 1.04f) {
      // Cents truncated toward zero: within half a semitone means at most 49.
      const double cents = std::trunc(1200.0 * std::log2(static_cast<double>(ratio)));
      if (std::fabs(cents) < 50.0 && harmonicLevel_[h] < level) {
        harmonicLevel_[h] = level;
        frequency_[h] = frequency;
      }
    }
    // Harmonics above the first one beyond the peak cannot match it.
    if (harmonic > frequency) break;
  }
}

void TuningData::computeNoteScore() {
  float sum = 0.0f;
  float weight = 1.0f;
  for (int h = 0; h < kHarmonics; ++h) {
    const float part = weight * harmonicLevel_[h];
    if (part > 0) sum = sum + part;
    weight = weight * 0.75f;
  }
  score_ = log10f(sum);
}

float TuningData::levelAtHarmonic(int h) const {
  return h >= 0 && h < kHarmonics ? harmonicLevel_[h] : 0.0f;
}

float TuningData::frequencyAtHarmonic(int h) const {
  return h >= 0 && h < kHarmonics ? frequency_[h] : 0.0f;
}
