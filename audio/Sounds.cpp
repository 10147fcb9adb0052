#include "audio/Sounds.h"

#include "common/TuningDictionary.h"
#include "platform/Bundle.h"

Sounds::Sounds() {
  sounds.reserve(6);
}

std::shared_ptr<SoundEffect> Sounds::load(const std::string& soundName) {
  return SoundEffect::initWithContentsOfFile(
      platform::Bundle::mainBundle().pathForResource(soundName, "caf"));
}

void Sounds::preLoadSoundsForTuning(const TuningDictionary& tuning) {
  for (const auto& note : tuning.tuningNotes) {
    const std::string& name = note->soundName();
    // A note that cannot be loaded gets no entry (an earlier one stays).
    if (auto effect = load(name)) sounds[name] = std::move(effect);
  }
}

SoundEffect* Sounds::soundForNote(const std::string& soundName) {
  auto it = sounds.find(soundName);
  if (it != sounds.end()) return it->second.get();
  auto effect = load(soundName);
  if (!effect) return nullptr;
  SoundEffect* raw = effect.get();
  sounds.emplace(soundName, std::move(effect));
  return raw;
}
