#pragma once

#include <memory>
#include <vector>

#include "common/TargetNote.h"
#include "common/TuningData.h"

// Reading a low string as the low string when the tuning also holds the
// string an octave (2x) or a twelfth (3x) above it.
//
// The upper note H's record collects the played low note L's partials 2, 4,
// 6 ... (or 3, 6 ...) as its own harmonics 1, 2, 3 ..., at higher weights
// than L's record gives them, and low strings have a weak fundamental: H
// outscores L. What tells them apart is what H cannot explain: for an octave
// L's odd harmonics 1, 3, 5, 7; for a twelfth L's harmonics 1, 5, 7 (2, 4 and
// 8 are left out: they are also the partials of the note an octave above L,
// which a string a fifth below H gives off, and would turn C2 + G2 into C1).
//
// Each such harmonic is weighed against what H matched beside it (H's
// harmonics just below and above it; H's loudest where it matched neither):
// on a played string the odd partials stand level with the even ones, while
// a lower string still ringing under a newly played upper one stands as far
// below it as it has decayed. The evidence is the loudest of these ratios
// where at most two of L's harmonics lie below the 1000 Hz search limit, and
// the second loudest where three or more do, so that one stray partial of
// another string cannot make the case. L is taken when the evidence reaches
// kEvidenceThresholdDb and L's own score is above the analysis threshold;
// the step is repeated from L (a D2 whose 4th partial dominates reads D4,
// then D3, then D2). bench/README.md has the measurements behind it.
class LowerString {
 public:
  // Measured: natural plucked and bowed low strings give about -10 dB to
  // +10 dB, a lower string ringing 20 dB under a new upper one -20 dB or less.
  static constexpr float kEvidenceThresholdDb = -16.0f;

  // 2 when `high` is an octave above `low`, 3 when a twelfth, within half a
  // semitone of their calibrated targets; 0 otherwise.
  static int ratio(const TargetNote& low, const TargetNote& high, int calibration);

  // The evidence (dB) that `low` is the string played rather than `high`,
  // `ratio` times higher; minus infinity when there is none.
  static float evidenceDb(const TuningData& low, const TuningData& high, int ratio,
                          int calibration);

  // The record to show for a pass whose best score is `best`: the lower
  // string the evidence points to (the strongest evidence first, the earlier
  // record of equals), repeated from there; else `best` itself. Allocates
  // nothing.
  static const std::shared_ptr<TuningData>& choose(
      const std::vector<std::shared_ptr<TuningData>>& records,
      const std::shared_ptr<TuningData>& best, int calibration, float scoreThreshold);
};
