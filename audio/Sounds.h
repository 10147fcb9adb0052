#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "audio/SoundEffect.h"

class TargetNote;
struct TuningDictionary;

// The reference notes of the current tuning, made once each and kept until
// the cache is destroyed, keyed by sound name ("E2g").
//
// A note plays the bundle's file of its sound name when there is one (every
// built-in tuning's note has one); otherwise - a user tuning's note ("D2x"),
// or a file that cannot be read - a note synthesised at the note's nominal
// frequency in the timbre its sound name asks for (audio/NoteSynth), made in
// memory, with no file.
class Sounds {
 public:
  Sounds();

  // Makes every note of the tuning now, so that touching one only starts it
  // (a name shared by two notes is made once more and replaces the first).
  void preLoadSoundsForTuning(const TuningDictionary& tuning);

  // The cached effect for the note's sound name, made first if need be. Null
  // only when neither the file nor synthesis gives a sound (a frequency
  // outside 1 Hz to 9.9 kHz, or a sound service that refuses): nothing is
  // cached for it then, and the next request tries again. The cache keeps
  // ownership.
  SoundEffect* soundForNote(const TargetNote& note);

 private:
  std::shared_ptr<SoundEffect> load(const TargetNote& note);
  std::unordered_map<std::string, std::shared_ptr<SoundEffect>> sounds;
};
