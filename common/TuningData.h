#pragma once

#include <memory>

#include "common/TargetNote.h"

// The scoring record of one note in one pass: for each of its first eight
// harmonics the strongest peak within half a semitone, and a score from the
// weighted sum of their levels.
class TuningData {
 public:
  static constexpr int kHarmonics = 8;

  static std::shared_ptr<TuningData> initWithTargetNote(std::shared_ptr<const TargetNote> note);

  // All levels, frequencies and the score back to 0.
  void reset();

  // Offers one peak (frequency Hz, level) to the harmonics of the note,
  // with targets scaled for `calibration` (Hz of A).
  void addSampleWithFrequency(float frequency, float level, int calibration);

  // score = log10f(sum of level[h] * 0.75^h); minus infinity when nothing matched.
  void computeNoteScore();

  // 0 for h outside 0 ... 7.
  float levelAtHarmonic(int h) const;
  float frequencyAtHarmonic(int h) const;

  float score() const { return score_; }
  const std::shared_ptr<const TargetNote>& targetNote() const { return targetNote_; }

  // F when calibration is exactly 440, else the float F * K / 440.0.
  static float calibratedTarget(float frequency, int calibration);

 private:
  explicit TuningData(std::shared_ptr<const TargetNote> note) : targetNote_(std::move(note)) {}

  const std::shared_ptr<const TargetNote> targetNote_;
  float harmonicLevel_[kHarmonics] = {};
  float frequency_[kHarmonics] = {};
  float score_ = 0;
};
