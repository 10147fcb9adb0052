#include "common/LowerString.h"

#include <cmath>
#include <limits>

namespace {

// The peak search stops here.
constexpr float kSearchLimitHz = 1000.0f;

// Harmonic h (1-based) of the lower note that the upper note, `ratio` times
// higher, cannot explain and that counts as evidence.
bool counts(int h, int ratio) {
  if (ratio == 2) return h % 2 != 0;
  return h % 2 != 0 && h % 3 != 0;  // a twelfth: 1, 5, 7
}

}  // namespace

int LowerString::ratio(const TargetNote& low, const TargetNote& high, int calibration) {
  const float lowTarget = TuningData::calibratedTarget(low.frequency(), calibration);
  const float highTarget = TuningData::calibratedTarget(high.frequency(), calibration);
  if (!(lowTarget > 0) || !(highTarget > 0)) return 0;
  for (int k : {2, 3}) {
    const double cents = 1200.0 * std::log2(static_cast<double>(highTarget) / (k * lowTarget));
    if (std::fabs(cents) < 50.0) return k;
  }
  return 0;
}

float LowerString::evidenceDb(const TuningData& low, const TuningData& high, int ratio,
                              int calibration) {
  constexpr float kNone = -std::numeric_limits<float>::infinity();
  if (ratio != 2 && ratio != 3) return kNone;
  float loudestMatch = 0;
  for (int h = 0; h < TuningData::kHarmonics; ++h) {
    loudestMatch = std::max(loudestMatch, high.levelAtHarmonic(h));
  }
  if (!(loudestMatch > 0)) return kNone;

  const float lowTarget = TuningData::calibratedTarget(low.targetNote()->frequency(), calibration);
  float first = 0;   // the loudest ratio
  float second = 0;  // the second loudest
  int visible = 0;
  for (int h = 1; h <= TuningData::kHarmonics; ++h) {
    if (!counts(h, ratio)) continue;
    if (static_cast<float>(h) * lowTarget < kSearchLimitHz) ++visible;
    // H's harmonics just below and above this one, 1-based (0: none).
    const int below = h / ratio;
    float beside = high.levelAtHarmonic(below);  // the one above, 0-based
    if (below >= 1) beside = std::max(beside, high.levelAtHarmonic(below - 1));
    const float reference = beside > 0 ? beside : loudestMatch;
    const float value = low.levelAtHarmonic(h - 1) / reference;
    if (value > first) {
      second = first;
      first = value;
    } else if (value > second) {
      second = value;
    }
  }
  const float evidence = visible >= 3 ? second : first;
  if (!(evidence > 0)) return kNone;
  return static_cast<float>(20.0 * std::log10(static_cast<double>(evidence)));
}

const std::shared_ptr<TuningData>& LowerString::choose(
    const std::vector<std::shared_ptr<TuningData>>& records,
    const std::shared_ptr<TuningData>& best, int calibration, float scoreThreshold) {
  const std::shared_ptr<TuningData>* current = &best;
  // Each step goes to a lower note, so this ends.
  for (;;) {
    const std::shared_ptr<TuningData>* lower = nullptr;
    float strongest = kEvidenceThresholdDb;
    for (const auto& record : records) {
      if (!(record->score() > scoreThreshold)) continue;
      const int k = ratio(*record->targetNote(), *(*current)->targetNote(), calibration);
      if (!k) continue;
      const float evidence = evidenceDb(*record, **current, k, calibration);
      if (evidence > strongest || (!lower && evidence == strongest)) {
        strongest = evidence;
        lower = &record;
      }
    }
    if (!lower) return *current;
    current = lower;
  }
}
