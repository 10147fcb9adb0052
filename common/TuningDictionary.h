#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/TargetNote.h"

// Keys of a tuning's three entries.
inline constexpr char TuningIdKey[] = "TuningId";
inline constexpr char TuningNameKey[] = "TuningName";
inline constexpr char TuningNotesKey[] = "TuningNotes";

// Preference keys: the calibration (integer Hz of A) and the chosen tuning's id.
inline constexpr char CalibrationOption[] = "Calibration";
inline constexpr char TargetTuningOption[] = "TargetTuning";

// The calibrations offered (Hz of A, both ends included) and the one a new
// user starts with.
inline constexpr int kMinimumCalibration = 420;
inline constexpr int kMaximumCalibration = 460;
inline constexpr int kDefaultCalibration = 440;

// One tuning of the catalogue: its id (stored in the preferences), its
// display name and its strings' notes in order, and the instrument family
// the settings list files it under (see common/TuningCatalogue.h). Immutable
// and shared by identity (std::shared_ptr<const TuningDictionary>), like the
// notes.
struct TuningDictionary {
  const std::string tuningId;                                        // TuningIdKey
  const std::string tuningName;                                      // TuningNameKey
  const std::vector<std::shared_ptr<const TargetNote>> tuningNotes;  // TuningNotesKey
  const std::string tuningGroup = {};                                // e.g. "Guitar"

  // The string entries by key (TuningIdKey, TuningNameKey); none otherwise.
  const std::string* stringForKey(std::string_view key) const {
    if (key == TuningIdKey) return &tuningId;
    if (key == TuningNameKey) return &tuningName;
    return nullptr;
  }
};
