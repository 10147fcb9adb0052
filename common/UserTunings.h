#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/NoteName.h"
#include "common/TuningDictionary.h"

// The user's own tunings: a plain text file "tunings" in Quillon's config
// directory, beside the preferences. The app reads it at start-up and
// changes it only when the player saves or deletes a tuning in the tuning
// editor (common/UserTuningsEdit.h), line by line.
//
//   # My tunings
//   Open C = C2 G2 C3 G3 C4 E4
//   Low drone = D2 98.5Hz D3    # a note may be a frequency
//
// - One tuning per line: a name, '=', then 1 to 8 notes separated by blanks.
//   A note is a letter A-G, an optional sharp (# or ♯) or flat (b or ♭) and
//   an octave 0-9 ("F#3", "E♭2"), or a frequency with a decimal point
//   allowed and the unit Hz ("98.5Hz", "98.5 Hz"). Notes are equal-tempered
//   from A4 = 440 Hz; every note follows the calibration, as the built-in
//   ones do.
// - A '#' at the start of a line or after a blank (space or tab) starts a
//   comment that runs to the end of the line; a '#' right after a letter or
//   digit is a sharp ("C#3") or part of a name ("Open C#"). Blank and
//   comment-only lines are ignored.
// - The name is what the settings list shows: blanks at its ends are
//   dropped and runs of blanks inside become one space. It must be UTF-8
//   without control characters or U+FEFF, and it holds no '='.
// - Its stored id is "user:" followed by the name ("user:Open C"): stable
//   while the name is. No built-in id holds a ':', so none can collide.
//
// A line is refused, with the reason, when its name is missing, used by an
// earlier line or by a built-in tuning (ignoring the case of ASCII letters:
// "dadgad" would be listed beside "DADGAD"); when it has no notes or more than
// 8; when a note cannot be read; when a note's fundamental is below 25 Hz or
// above 1000 Hz at A4 = 440 Hz (what the tuner's 20-1000 Hz search can see);
// or when two notes are less than half a semitone apart (C#3 and Db3, G2 and
// 98Hz): the tuner scores a note from the peaks within half a semitone of its
// harmonics, so it could not tell such notes apart. The other lines load.
//
// The notes of a user tuning, e.g. F#3 and 98.5Hz:
//   name       the letter with its sign, "F♯"; for a frequency the nearest
//              note's ("G" for 98.5 Hz, nearest G2, spelled with sharps);
//   imageName  the catalogue's scheme from that letter ("button-fg-f-sharp.png");
//   soundName  "Fs3x"; a frequency "f<centihertz>x" ("f9850x");
//   frequency  equal-tempered, or as typed;
//   pitch      the note, or the nearest one (sharps) for a frequency.
// The tuning's group is UserTuningsGroup.

inline constexpr char UserTuningsFileName[] = "tunings";
inline constexpr char UserTuningIdPrefix[] = "user:";
inline constexpr int kMaxUserTuningNotes = 8;
inline constexpr float kLowestUserFundamental = 25.0f;
inline constexpr float kHighestUserFundamental = 1000.0f;

// What one text of the file holds, line by line, so that a program that
// rewrites the file knows where each tuning came from.
struct UserTuningsText {
  struct Entry {
    int line;  // 1-based
    std::shared_ptr<const TuningDictionary> tuning;
  };
  struct Problem {
    int line;            // 1-based
    std::string reason;  // printable: control bytes and broken UTF-8 as \xHH
  };
  std::vector<Entry> tunings;     // in the order of the file
  std::vector<Problem> problems;  // one per refused line, in order

  std::vector<std::shared_ptr<const TuningDictionary>> tuningList() const;
};

// The id a tuning of this (already tidied) name is stored under.
std::string userTuningId(std::string_view name);

// Reads the text of a tunings file. Pure: no files, no log.
UserTuningsText parseUserTunings(std::string_view text);

// The file at `path`: its tunings and problems, or why it could not be read.
struct UserTuningsFile {
  bool exists = false;   // false for a missing file, which is not an error
  std::string error;     // the file exists but could not be read (e.g. "Is a directory")
  std::string contents;  // the bytes read, for a program that rewrites the file
  UserTuningsText text;
};
UserTuningsFile readUserTuningsFile(const std::string& path);

// A note as a line of the file writes it: its pitch in ASCII ("F#3"), or
// for a note typed as a frequency that frequency ("98.5Hz").
std::string userNoteText(const TargetNote& note);

// The note a line of the file makes of a pitch (named, pictured and sounded
// as described above).
std::shared_ptr<const TargetNote> userTuningNote(const TypedPitch& pitch);

// A pitch as a line of the file writes it: "F#3", "Eb2", "98.5Hz".
std::string typedPitchText(const TypedPitch& pitch);

// The line that holds a tuning: "Open C = C2 G2 C3 G3 C4 E4". Whether the
// file takes it is the parser's to say.
std::string userTuningLine(std::string_view name, const std::vector<TypedPitch>& pitches);

// Names as the file compares them: tidied (blanks at the ends dropped, runs
// of blanks inside made one space), then ASCII letters without their case.
std::string tidyUserTuningName(std::string_view name);
bool sameUserTuningName(std::string_view a, std::string_view b);
bool isBuiltInTuningName(std::string_view name);

// "PATH:LINE: reason; line skipped", for the log or a tool's stderr.
std::string describeProblem(const std::string& path, const UserTuningsText::Problem& problem);

// What the app does at start-up: reads `path`, logs why it could not be read
// or each refused line once, and returns the tunings that loaded (none for
// a missing file).
std::vector<std::shared_ptr<const TuningDictionary>> loadUserTunings(const std::string& path);
