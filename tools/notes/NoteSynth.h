#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Reference notes synthesised from exact harmonics of the nominal pitch, so a
// tuner reads them as perfectly in tune.
namespace notes {

enum class Instrument { SteelString, NylonString, Banjo, Bowed };

constexpr int kSampleRate = 22050;
constexpr double kSeconds = 2.5;

// The instrument whose strings a tuning id names ("violin" is bowed).
Instrument instrumentForTuning(const std::string& tuningId);

// kSeconds of one note at `frequency` Hz, 16-bit mono at kSampleRate. `seed`
// makes the attack noise and harmonic phases repeatable.
std::vector<int16_t> synthesize(Instrument instrument, double frequency, uint32_t seed);

}  // namespace notes
