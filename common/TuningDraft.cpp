#include "common/TuningDraft.h"

#include <algorithm>

#include "common/UserTunings.h"

namespace {

using Accidental = NoteName::Accidental;

// G#0 and B5: the lowest and highest notes between 25 and 1000 Hz.
const int kLowestSemitone = NoteName('G', Accidental::Sharp, 0).semitone();
const int kHighestSemitone = NoteName('B', Accidental::Natural, 5).semitone();

TypedPitch pitchOf(const NoteName& note) {
  return TypedPitch{note, note.frequency()};
}

Accidental spellingOf(const TypedPitch& pitch) {
  return pitch.note && pitch.note->accidental() == Accidental::Flat ? Accidental::Flat
                                                                    : Accidental::Sharp;
}

// The semitone a string stands on: its note's, or the nearest to its frequency.
int semitoneOf(const TypedPitch& pitch) {
  if (pitch.note) return pitch.note->semitone();
  return NoteName::nearest(pitch.frequency)->semitone();
}

}  // namespace

TuningDraft TuningDraft::newTuning() {
  TuningDraft draft;
  const auto guitar = parsePitchList("E2 A2 D3 G3 B3 E4");
  for (const TypedPitch& pitch : *guitar.value)
    draft.strings_.push_back({pitch, Accidental::Sharp});
  return draft;
}

TuningDraft TuningDraft::forTuning(const TuningDictionary& tuning) {
  TuningDraft draft;
  draft.name_ = tuning.tuningName;
  for (const auto& note : tuning.tuningNotes) {
    // As the file writes it, so that an untouched string is saved unchanged.
    const auto pitch = parsePitch(userNoteText(*note));
    if (pitch) draft.strings_.push_back({*pitch.value, spellingOf(*pitch.value)});
  }
  return draft;
}

std::vector<TypedPitch> TuningDraft::pitches() const {
  std::vector<TypedPitch> list;
  for (const String& s : strings_) list.push_back(s.pitch);
  return list;
}

bool TuningDraft::step(int index, int semitones) {
  if (index < 0 || static_cast<size_t>(index) >= strings_.size()) return false;
  String& s = strings_[index];
  const int target = semitoneOf(s.pitch) + semitones;
  if (target < kLowestSemitone || target > kHighestSemitone) return false;
  s.pitch = pitchOf(NoteName::fromSemitone(target, s.spelling));
  return true;
}

std::string TuningDraft::setTyped(int index, std::string_view text) {
  if (index < 0 || static_cast<size_t>(index) >= strings_.size()) return "No such string.";
  const auto pitch = parsePitch(text);
  if (!pitch) return "Not a note: " + pitch.reason + ".";
  const float f = pitch.value->frequency;
  if (f < kLowestUserFundamental || f > kHighestUserFundamental) {
    return displayText(*pitch.value) + " is beyond what the tuner hears (25 to 1000 Hz).";
  }
  strings_[index] = {*pitch.value, spellingOf(*pitch.value)};
  return {};
}

bool TuningDraft::addString() {
  if (strings_.size() >= static_cast<size_t>(kMaxStrings)) return false;
  if (strings_.empty()) {
    strings_.push_back({pitchOf(NoteName('E', Accidental::Natural, 2)), Accidental::Sharp});
    return true;
  }
  const String& last = strings_.back();
  const auto taken = [&](int semitone) {
    return std::any_of(strings_.begin(), strings_.end(),
                       [&](const String& s) { return semitoneOf(s.pitch) == semitone; });
  };
  // A fourth up, as most instruments' strings go; then on up, then down.
  const int from = semitoneOf(last.pitch);
  int semitone = std::min(from + 5, kHighestSemitone);
  while (semitone <= kHighestSemitone && taken(semitone)) ++semitone;
  if (semitone > kHighestSemitone) {
    semitone = from - 1;
    while (semitone >= kLowestSemitone && taken(semitone)) --semitone;
  }
  strings_.push_back({pitchOf(NoteName::fromSemitone(semitone, last.spelling)), last.spelling});
  return true;
}

bool TuningDraft::removeString(int index) {
  if (index < 0 || static_cast<size_t>(index) >= strings_.size()) return false;
  strings_.erase(strings_.begin() + index);
  return true;
}

std::string TuningDraft::displayText(const TypedPitch& pitch) {
  if (pitch.note) return pitch.note->display();
  std::string text = typedPitchText(pitch);  // "98.5Hz"
  return text.substr(0, text.size() - 2) + " Hz";
}
