#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "common/TuningCatalogue.h"

// Reference notes synthesised from exact harmonics of the nominal pitch, so a
// tuner reads them as perfectly in tune. The build writes the bundle's notes
// with it (tools/notes), and the app makes the note of a sound name the bundle
// has no file for while the player waits (audio/Sounds): any note takes at
// most about 6 ms of CPU (bench/README.md).
namespace notesynth {

constexpr int kSampleRate = 22050;
constexpr double kSeconds = 2.5;
constexpr int kFrames = static_cast<int>(kSeconds * kSampleRate);

// kFrames of one note at `frequency` Hz, 16-bit mono at kSampleRate: bowed
// (steady, no decay) for Bowed, plucked (decaying) for every other timbre.
// `seed` makes the attack noise and the harmonic phases repeatable. Empty for
// a frequency that is not a number between 1 Hz and 0.45 × kSampleRate.
std::vector<int16_t> synthesize(SoundTimbre timbre, double frequency, uint32_t seed);

// The timbre letter's timbre; a plucked steel string for a name outside the
// catalogue's scheme.
SoundTimbre timbreForSoundName(std::string_view soundName);

// A seed of the sound name's own (FNV-1a), so a note made outside the
// catalogue's walk sounds the same every time.
uint32_t seedForSoundName(std::string_view soundName);

}  // namespace notesynth
