#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/NoteName.h"
#include "common/TuningDictionary.h"

// A tuning as the tuning editor holds it until it is saved: a name as typed
// and up to eight strings, lowest first, each a pitch.
//
// Spelling: a string spells its notes as it was last given. One typed or
// read from the file with a flat ("Eb2", "E♭2") steps in flats (E♭2 + 1 =
// E2, + 1 = F2, + 1 = G♭2); every other string steps in sharps (F2 + 1 =
// F♯2). A string given as a frequency ("98.5Hz") steps from its nearest note.
// Steps stay where the tunings file can follow them: G♯0 (26 Hz) to B5
// (988 Hz), what the tuner hears between 25 and 1000 Hz.
class TuningDraft {
 public:
  static constexpr int kMaxStrings = 8;

  struct String {
    TypedPitch pitch;
    NoteName::Accidental spelling = NoteName::Accidental::Sharp;
  };

  // A new tuning: no name, and the six strings of a standard guitar to start
  // from (E2 A2 D3 G3 B3 E4).
  static TuningDraft newTuning();
  // A tuning of the catalogue as its line in the file writes it (a string
  // typed as a frequency stays one).
  static TuningDraft forTuning(const TuningDictionary& tuning);

  const std::string& name() const { return name_; }
  void setName(std::string name) { name_ = std::move(name); }

  const std::vector<String>& strings() const { return strings_; }
  std::vector<TypedPitch> pitches() const;

  // Moves string `index` by `semitones`; false (nothing changes) for no such
  // string or beyond the ends above.
  bool step(int index, int semitones);
  // Sets string `index` to a typed note ("C#3", "db3", "E♭2") or frequency
  // ("98.5 Hz"); the reason when the text is no note or one the tuner cannot
  // hear, and the string stays as it was.
  std::string setTyped(int index, std::string_view text);
  // Adds a string after the last, a fourth above it as far as the range
  // allows and on a note no other string has (E2 for the first); false when
  // there are eight.
  bool addString();
  bool removeString(int index);

  // "C♯3", "E♭2"; a frequency as "98.5 Hz".
  static std::string displayText(const TypedPitch& pitch);

 private:
  std::string name_;
  std::vector<String> strings_;
};
