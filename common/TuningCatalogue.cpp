#include "common/TuningCatalogue.h"

#include <string>

#include "common/NoteName.h"
#include "common/TargetNote.h"
#include "platform/Assert.h"

namespace {

using NoteList = std::vector<std::shared_ptr<const TargetNote>>;

std::shared_ptr<const TuningDictionary> makeTuning(const char* tuningId, const char* tuningName,
                                                   const char* group, NoteList notes) {
  return std::make_shared<const TuningDictionary>(
      TuningDictionary{tuningId, tuningName, std::move(notes), group});
}

// A note of the first five tunings: everything as written.
std::shared_ptr<const TargetNote> note(const char* name, const char* imageName,
                                       const char* soundName, float frequency) {
  return TargetNote::initWithName(name, imageName, soundName, frequency);
}

// A preset note from its pitch and the timbre letter of its sound name.
std::shared_ptr<const TargetNote> presetNote(const NoteName& pitch, char timbre) {
  const char lower = static_cast<char>(pitch.letter() - 'A' + 'a');
  std::string image = std::string("button-fg-") + lower;
  std::string sound(1, pitch.letter());
  if (pitch.accidental() == NoteName::Accidental::Sharp) {
    image += "-sharp";
    sound += 's';
  } else if (pitch.accidental() == NoteName::Accidental::Flat) {
    image += "-flat";
    sound += 'b';
  }
  sound += std::to_string(pitch.octave()) + timbre;
  return TargetNote::initWithName(pitch.displayLetter(), image + ".png", sound, pitch.frequency(),
                                  pitch);
}

// Notes written as in the preset list ("Eb2 Ab2 ..."), all of one timbre.
NoteList presetNotes(std::string_view pitches, char timbre) {
  const auto parsed = parsePitchList(pitches);
  QUILLON_ASSERT(parsed && !parsed.value->empty(), nullptr, "common/TuningCatalogue",
                 "Bad preset notes");
  NoteList notes;
  for (const TypedPitch& pitch : *parsed.value) notes.push_back(presetNote(*pitch.note, timbre));
  return notes;
}

NoteList chromaticNotes() {
  const int b0 = NoteName('B', NoteName::Accidental::Natural, 0).semitone();
  const int b5 = NoteName('B', NoteName::Accidental::Natural, 5).semitone();
  NoteList notes;
  for (int semitone = b0; semitone <= b5; ++semitone) {
    notes.push_back(presetNote(NoteName::fromSemitone(semitone), 't'));
  }
  return notes;
}

}  // namespace

std::vector<std::shared_ptr<const TuningDictionary>> makeBuiltInTunings() {
  std::vector<std::shared_ptr<const TuningDictionary>> list;
  // clang-format off
  list.push_back(makeTuning("guitar", "Standard Guitar", GuitarGroup, {
      note("E", "button-fg-e.png", "E2g", 82.41f),
      note("A", "button-fg-a.png", "A2g", 110.0f),
      note("D", "button-fg-d.png", "D3g", 146.83f),
      note("G", "button-fg-g.png", "G3g", 196.0f),
      note("B", "button-fg-b.png", "B3g", 246.92f),
      note("E", "button-fg-e.png", "E4g", 329.6f)}));
  list.push_back(makeTuning("dropd", "Drop-D Guitar", GuitarGroup, {
      note("D", "button-fg-d.png", "D2g", 73.42f),
      note("A", "button-fg-a.png", "A2g", 110.0f),
      note("D", "button-fg-d.png", "D3g", 146.83f),
      note("G", "button-fg-g.png", "G3g", 196.0f),
      note("B", "button-fg-b.png", "B3g", 246.92f),
      note("E", "button-fg-e.png", "E4g", 329.6f)}));
  // The short fifth string first.
  list.push_back(makeTuning("banjo", "5-String Banjo", BanjoGroup, {
      note("G", "button-fg-g.png", "G5b", 783.99f),
      note("D", "button-fg-d.png", "D4b", 293.66f),
      note("G", "button-fg-g.png", "G4b", 392.0f),
      note("B", "button-fg-b.png", "B4b", 493.88f),
      note("D", "button-fg-d.png", "D5b", 587.33f)}));
  list.push_back(makeTuning("violin", "Violin/Mandolin", ViolinFamilyGroup, {
      note("G", "button-fg-g.png", "G3v", 196.0f),
      note("D", "button-fg-d.png", "D4v", 293.66f),
      note("A", "button-fg-a.png", "A4v", 440.0f),
      note("E", "button-fg-e.png", "E5v", 659.26f)}));
  list.push_back(makeTuning("ukulele", "Ukulele", UkuleleGroup, {
      note("G", "button-fg-g.png", "G4u", 392.0f),
      note("C", "button-fg-c.png", "C4u", 261.63f),
      note("E", "button-fg-e.png", "E4u", 329.63f),
      note("A", "button-fg-a.png", "A4u", 440.0f)}));

  list.push_back(makeTuning("bass", "Bass Guitar", BassGroup, presetNotes("E1 A1 D2 G2", 'e')));
  list.push_back(makeTuning("bass5", "5-String Bass", BassGroup, presetNotes("B0 E1 A1 D2 G2", 'e')));
  list.push_back(makeTuning("cello", "Cello", ViolinFamilyGroup, presetNotes("C2 G2 D3 A3", 'c')));
  list.push_back(makeTuning("viola", "Viola", ViolinFamilyGroup, presetNotes("C3 G3 D4 A4", 'a')));
  list.push_back(makeTuning("guitar7", "7-String Guitar", GuitarGroup,
                            presetNotes("B1 E2 A2 D3 G3 B3 E4", 'p')));
  list.push_back(makeTuning("guitar-eb", "Half-Step Down", GuitarGroup,
                            presetNotes("Eb2 Ab2 Db3 Gb3 Bb3 Eb4", 'p')));
  list.push_back(makeTuning("dadgad", "DADGAD", GuitarGroup, presetNotes("D2 A2 D3 G3 A3 D4", 'p')));
  list.push_back(makeTuning("open-g", "Open G", GuitarGroup, presetNotes("D2 G2 D3 G3 B3 D4", 'p')));
  list.push_back(makeTuning("open-d", "Open D", GuitarGroup, presetNotes("D2 A2 D3 F#3 A3 D4", 'p')));
  list.push_back(makeTuning("ukulele-baritone", "Baritone Ukulele", UkuleleGroup,
                            presetNotes("D3 G3 B3 E4", 'n')));
  list.push_back(makeTuning("chromatic", "Chromatic", ChromaticGroup, chromaticNotes()));
  // clang-format on
  return list;
}

std::shared_ptr<const TargetNote> makeCatalogueNote(const NoteName& pitch, char timbre) {
  return presetNote(pitch, timbre);
}

std::optional<SoundTimbre> soundTimbre(std::string_view soundName) {
  if (soundName.empty()) return std::nullopt;
  switch (soundName.back()) {
    case 'g':
    case 'p':
    case 'x':
      return SoundTimbre::SteelString;
    case 'u':
    case 'n':
      return SoundTimbre::NylonString;
    case 'b':
      return SoundTimbre::Banjo;
    case 'e':
      return SoundTimbre::BassGuitar;
    case 'v':
    case 'c':
    case 'a':
      return SoundTimbre::Bowed;
    case 't':
      return SoundTimbre::Neutral;
    default:
      return std::nullopt;
  }
}
