#pragma once

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "common/TuningDictionary.h"

// The built-in tunings, in the order they are listed:
//
//   guitar, dropd, banjo, violin, ukulele  the first five, exactly as they have
//       always been: ids, names, order, notes, sound names, images and the
//       literal frequencies (82.41, 329.6 ...). Stored ids and the twenty
//       reference-note files depend on them.
//   bass, bass5, cello, viola, guitar7, guitar-eb, dadgad, open-g, open-d,
//   ukulele-baritone, chromatic  the presets. Chromatic is every semitone
//       from B0 to B5 (61 notes, what the 20-1000 Hz search can see), named
//       with sharps; its position in the list is the "string" number.
//
// Notes of the presets, e.g. E♭2 of guitar-eb:
//   frequency   equal-tempered from A4 = 440 Hz, as a float (NoteName), and
//               calibrated by the analysis like every other note;
//   pitch       as written: flats in guitar-eb, sharps elsewhere ("Eb2");
//   name        the letter and its sign for the big label ("E♭", "F♯", "E");
//   imageName   "button-fg-<letter>.png", "button-fg-<letter>-sharp.png" or
//               "button-fg-<letter>-flat.png", letter in lower case
//               ("button-fg-e-flat.png");
//   soundName   <Letter>[s|b]<octave><timbre>: "s" for a sharp, "b" for a
//               flat (no "#", which file lists and CMake treat as a comment),
//               then one timbre letter: "Eb2p", "Fs3p", "C2c", "Cs3t".
//
// Timbre letters (the last character of every sound name), telling the
// reference-note generator which instrument to synthesise:
//   g  steel-string guitar   the first five's guitar notes (recorded set)
//   b  banjo                 the first five's banjo notes
//   v  bowed, violin         the first five's violin notes
//   u  nylon, ukulele        the first five's ukulele notes
//   p  steel-string guitar   guitar7, guitar-eb, dadgad, open-g, open-d
//   e  bass guitar           bass, bass5
//   c  bowed, cello          cello
//   a  bowed, viola          viola
//   n  nylon                 ukulele-baritone
//   t  neutral plucked tone  chromatic
//   x  steel-string guitar   the user's own tunings (common/UserTunings.h); a
//                            note typed as a frequency is "f<centihertz>x"
//                            ("98.5Hz" is "f9850x")
// No preset name equals one of the first five's twenty names (those files
// stay as they are); notes of one pitch and one timbre share a name across
// presets ("D2p" in dadgad, open-g and open-d), as "A2g" does in both guitar
// tunings.
//
// Groups, in the order the settings list shows them (user tunings after):
inline constexpr char GuitarGroup[] =
    "Guitar";                                // guitar dropd guitar7 guitar-eb dadgad open-g open-d
inline constexpr char BassGroup[] = "Bass";  // bass bass5
inline constexpr char ViolinFamilyGroup[] = "Violin family";  // violin cello viola
inline constexpr char BanjoGroup[] = "Banjo";                 // banjo
inline constexpr char UkuleleGroup[] = "Ukulele";             // ukulele ukulele-baritone
inline constexpr char ChromaticGroup[] = "Chromatic";         // chromatic
// The user's own tunings, after every built-in group.
inline constexpr char UserTuningsGroup[] = "Your tunings";
inline constexpr const char* BuiltInTuningGroups[] = {GuitarGroup, BassGroup,    ViolinFamilyGroup,
                                                      BanjoGroup,  UkuleleGroup, ChromaticGroup};

// New objects on every call, in the order above: Tuning::definedTunings calls
// it once, and everybody else uses Tuning::definedTunings().
std::vector<std::shared_ptr<const TuningDictionary>> makeBuiltInTunings();

// A new note of `pitch` named by the scheme above, equal-tempered, with the
// timbre letter `timbre` ('x' for a user tuning).
std::shared_ptr<const TargetNote> makeCatalogueNote(const NoteName& pitch, char timbre);

enum class SoundTimbre { SteelString, NylonString, Banjo, BassGuitar, Bowed, Neutral };

// The timbre a sound name of the scheme above asks for; none for another name.
std::optional<SoundTimbre> soundTimbre(std::string_view soundName);
