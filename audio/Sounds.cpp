#include "audio/Sounds.h"

#include "audio/NoteSynth.h"
#include "common/TargetNote.h"
#include "common/TuningDictionary.h"
#include "platform/Bundle.h"

Sounds::Sounds() {
  sounds.reserve(6);
}

std::shared_ptr<SoundEffect> Sounds::load(const TargetNote& note) {
  const std::string& name = note.soundName();
  if (const auto path = platform::Bundle::mainBundle().pathForResource(name, "caf")) {
    if (auto effect = SoundEffect::initWithContentsOfFile(path)) return effect;
  }
  // The reference notes sound at the nominal pitch, as the recorded ones do:
  // the calibration moves what the tuner reads, not what it plays.
  const auto samples = notesynth::synthesize(notesynth::timbreForSoundName(name), note.frequency(),
                                             notesynth::seedForSoundName(name));
  if (samples.empty()) return nullptr;
  return SoundEffect::initWithSamples(samples, notesynth::kSampleRate);
}

void Sounds::preLoadSoundsForTuning(const TuningDictionary& tuning) {
  for (const auto& note : tuning.tuningNotes) {
    // A note that cannot be made gets no entry (an earlier one stays).
    if (auto effect = load(*note)) sounds[note->soundName()] = std::move(effect);
  }
}

SoundEffect* Sounds::soundForNote(const TargetNote& note) {
  auto it = sounds.find(note.soundName());
  if (it != sounds.end()) return it->second.get();
  auto effect = load(note);
  if (!effect) return nullptr;
  SoundEffect* raw = effect.get();
  sounds.emplace(note.soundName(), std::move(effect));
  return raw;
}
