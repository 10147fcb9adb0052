#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "audio/SoundEffect.h"

struct TuningDictionary;

// The reference notes of the current tuning, loaded once each and kept until
// the cache is destroyed, keyed by sound name ("E2g").
class Sounds {
 public:
  Sounds();

  // Loads every note of the tuning (a name shared by two notes is loaded once
  // more and replaces the first).
  void preLoadSoundsForTuning(const TuningDictionary& tuning);

  // The cached effect for a sound name, loaded first if need be. Null when the
  // note's file cannot be loaded: nothing is cached for it then, and the next
  // request tries the file again. The cache keeps ownership.
  SoundEffect* soundForNote(const std::string& soundName);

 private:
  std::shared_ptr<SoundEffect> load(const std::string& soundName);
  std::unordered_map<std::string, std::shared_ptr<SoundEffect>> sounds;
};
