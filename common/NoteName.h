#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A note of the equal-tempered scale in scientific pitch notation: a letter,
// at most one accidental and an octave number (C4 is middle C, A4 = 440 Hz).
// Notes are counted in semitones with the usual MIDI numbering (C4 = 60,
// A4 = 69), so an octave up is +12 whatever the spelling. Equality compares
// the spelling: C#3 and Db3 are the same semitone but different names.
class NoteName {
 public:
  enum class Accidental : int8_t { Natural = 0, Sharp = 1, Flat = -1 };

  static constexpr int kA4Semitone = 69;
  static constexpr double kA4Frequency = 440.0;

  // `letter` is 'A' ... 'G' (upper case).
  NoteName(char letter, Accidental accidental, int octave)
      : letter_(letter), accidental_(accidental), octave_(octave) {}

  // The note of a semitone number, spelled with sharps or with flats
  // (`Natural` means sharps too).
  static NoteName fromSemitone(int semitone, Accidental spelling = Accidental::Sharp);
  // The equal-tempered note nearest to `frequency` Hz (A4 = 440 Hz), or none
  // when the frequency is not a positive finite number.
  static std::optional<NoteName> nearest(double frequency, Accidental spelling = Accidental::Sharp);

  char letter() const { return letter_; }
  Accidental accidental() const { return accidental_; }
  int octave() const { return octave_; }
  int semitone() const;

  // Equal-tempered from A4 = 440 Hz, computed in double and rounded to float.
  float frequency() const;

  // "C#3", "Eb2", "E2": plain ASCII, for files, the command line and JSON.
  std::string ascii() const;
  // "C♯3", "E♭2", "E2": with the music signs (UTF-8), for the screen.
  std::string display() const;
  // "C♯", "E♭", "E": the display form without the octave.
  std::string displayLetter() const;

  bool operator==(const NoteName&) const = default;

 private:
  char letter_;
  Accidental accidental_;
  int octave_;
};

// The equal-tempered frequency of semitone `semitone` (A4 = 69 is 440 Hz).
double equalTemperedFrequency(int semitone);

// What a typed pitch stands for: a note name, or a bare frequency.
struct TypedPitch {
  std::optional<NoteName> note;  // none for a frequency such as "98.5Hz"
  float frequency = 0;           // Hz at A4 = 440: the note's, or the one typed
};

// The result of a parse: a value, or the reason it was refused.
template <class T>
struct Parsed {
  std::optional<T> value;
  std::string reason;  // empty on success

  explicit operator bool() const { return value.has_value(); }
};

// One typed pitch, surrounding blanks ignored:
// - a note: a letter A-G in either case, then at most one accidental (# or ♯
//   for sharp, b or ♭ for flat), then an octave 0-9: "E♭2", "Eb2", "F#3",
//   "f♯3", "bb3" (B♭3), "B#3" (the semitone of C4);
// - a frequency: a decimal number with a point, then "Hz" in any case, with
//   or without one blank between: "98.5Hz", "98.5 Hz", "98.5hz", "110HZ".
// Refused with a reason naming the text: anything else, a bare number, a
// frequency of 0, two accidentals, an octave beyond 9. Ranges (what a tuner
// can hear) are left to the caller.
Parsed<TypedPitch> parsePitch(std::string_view text);

// A note only (no frequency), as parsePitch reads it.
Parsed<NoteName> parseNoteName(std::string_view text);

// Pitches separated by blanks: "D2 A2 D3 G3 A3 D4", "D2 98.5 Hz G3". A number
// followed by a lone unit is one pitch. Fails on the first bad pitch, with
// its reason. An empty text gives an empty list; how many pitches a caller
// allows is its own rule.
Parsed<std::vector<TypedPitch>> parsePitchList(std::string_view text);
