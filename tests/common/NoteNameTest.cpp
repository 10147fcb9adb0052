#include <gtest/gtest.h>

#include <cmath>

#include "common/NoteName.h"

using Accidental = NoteName::Accidental;

TEST(NoteNameTest, SemitonesFrequenciesAndNamesAgree) {
  // Every semitone from C0 to B9, in both spellings: the name reads back in
  // both text forms, and the nearest note of a frequency up to 49 cents off
  // is the note itself.
  for (int semitone = 12; semitone < 132; ++semitone) {
    for (Accidental spelling : {Accidental::Sharp, Accidental::Flat}) {
      const NoteName note = NoteName::fromSemitone(semitone, spelling);
      ASSERT_EQ(semitone, note.semitone()) << note.ascii();
      ASSERT_EQ(note, parseNoteName(note.ascii()).value) << note.ascii();
      ASSERT_EQ(note, parseNoteName(note.display()).value) << note.ascii();
      ASSERT_EQ(note, NoteName::nearest(note.frequency() * 1.0287, spelling)) << "+49 cents";
      ASSERT_EQ(note, NoteName::nearest(note.frequency() / 1.0287, spelling)) << "-49 cents";
    }
    ASSERT_NEAR(std::exp2(1.0 / 12.0),
                equalTemperedFrequency(semitone + 1) / equalTemperedFrequency(semitone), 1e-12);
  }
  EXPECT_EQ(440.0f, NoteName::fromSemitone(69).frequency());
  EXPECT_EQ(60, NoteName('C', Accidental::Natural, 4).semitone());

  const NoteName cSharp = NoteName::fromSemitone(49);
  EXPECT_EQ("C#3", cSharp.ascii());
  EXPECT_EQ("C\u266F3", cSharp.display());
  EXPECT_EQ("C\u266F", cSharp.displayLetter());
  const NoteName eFlat = NoteName::fromSemitone(39, Accidental::Flat);
  EXPECT_EQ("Eb2", eFlat.ascii());
  EXPECT_EQ("E\u266D2", eFlat.display());
  EXPECT_EQ("E", NoteName::fromSemitone(40).displayLetter());

  // The catalogue's own literals name their notes.
  EXPECT_EQ("E2", NoteName::nearest(82.41)->ascii());
  EXPECT_EQ("E4", NoteName::nearest(329.6)->ascii());
  EXPECT_EQ("G5", NoteName::nearest(783.99)->ascii());
  for (double nonsense : {0.0, -110.0, double(NAN), double(INFINITY)})
    EXPECT_FALSE(NoteName::nearest(nonsense));
}

TEST(NoteNameTest, ParsesEveryAcceptedForm) {
  struct Note {
    const char* text;
    const char* ascii;
    int semitone;
  };
  for (const Note& c : {Note{"E\u266D2", "Eb2", 39}, Note{"Eb2", "Eb2", 39}, Note{"eb2", "Eb2", 39},
                        Note{"F#3", "F#3", 54}, Note{"f\u266F3", "F#3", 54}, Note{"bb3", "Bb3", 58},
                        Note{"b3", "B3", 59}, Note{"B#3", "B#3", 60}, Note{"Cb4", "Cb4", 59},
                        Note{" A4\t", "A4", 69}, Note{"c0", "C0", 12}, Note{"G9", "G9", 127}}) {
    const auto parsed = parsePitch(c.text);
    ASSERT_TRUE(parsed) << c.text << ": " << parsed.reason;
    ASSERT_TRUE(parsed.value->note) << c.text;
    EXPECT_EQ(c.ascii, parsed.value->note->ascii()) << c.text;
    EXPECT_EQ(c.semitone, parsed.value->note->semitone()) << c.text;
    EXPECT_EQ(parsed.value->note->frequency(), parsed.value->frequency) << c.text;
    EXPECT_TRUE(parsed.reason.empty());
  }
  struct Frequency {
    const char* text;
    float hz;
  };
  for (const Frequency& c :
       {Frequency{"98.5Hz", 98.5f}, Frequency{"98.5 Hz", 98.5f}, Frequency{"98.5hz", 98.5f},
        Frequency{"110HZ", 110.0f}, Frequency{"0.25\thZ", 0.25f}}) {
    const auto parsed = parsePitch(c.text);
    ASSERT_TRUE(parsed) << c.text << ": " << parsed.reason;
    EXPECT_FALSE(parsed.value->note) << c.text;
    EXPECT_EQ(c.hz, parsed.value->frequency) << c.text;
  }
}

TEST(NoteNameTest, RefusesWithAReasonThatNamesTheText) {
  struct Refusal {
    const char* text;
    const char* reason;  // a part of the reason
  };
  for (const Refusal& c : {
           Refusal{"", "empty"},
           Refusal{"   ", "empty"},
           Refusal{"H2", "letter A to G"},
           Refusal{"Hz", "letter A to G"},
           Refusal{"\u266F3", "letter A to G"},
           Refusal{"C", "no octave"},
           Refusal{"C#", "no octave"},
           Refusal{"C10", "outside 0 to 9"},
           Refusal{"C-1", "outside 0 to 9"},
           Refusal{"C##3", "more than one"},
           Refusal{"E\u266Db2", "more than one"},
           Refusal{"EB2", "an optional #"},
           Refusal{"C$3", "an optional #"},
           Refusal{"C 3", "an optional #"},
           Refusal{"C3x", "after its octave"},
           Refusal{"C3 D3", "after its octave"},
           Refusal{"98.5", "needs its unit"},
           Refusal{"98,5Hz", "decimal point"},
           Refusal{"98.5kHz", "unit must be Hz"},
           Refusal{"98.5 Hz Hz", "unit must be Hz"},
           Refusal{"1e3Hz", "unit must be Hz"},
           Refusal{".5Hz", "write it like"},
           Refusal{"98.Hz", "write it like"},
           Refusal{"98.5.1Hz", "write it like"},
           Refusal{"0Hz", "above 0 Hz"},
           Refusal{"0.000Hz", "above 0 Hz"},
           Refusal{"1000000000000000000000000000000000000000Hz", "too large"},
       }) {
    const auto parsed = parsePitch(c.text);
    ASSERT_FALSE(parsed) << c.text;
    EXPECT_NE(std::string::npos, parsed.reason.find(c.reason)) << c.text << ": " << parsed.reason;
    if (std::string(c.reason) != "empty") {
      EXPECT_NE(std::string::npos, parsed.reason.find("'" + std::string(c.text) + "'"))
          << parsed.reason;
    }
  }
  // A note editor that wants a note name refuses a frequency.
  EXPECT_FALSE(parseNoteName("98.5Hz"));
  EXPECT_TRUE(parseNoteName("D\u266D3"));
}

TEST(NoteNameTest, ListsJoinANumberWithItsUnitAndStopAtTheFirstBadPitch) {
  const auto six = parsePitchList("D2 A2  D3\tG3 A3 D4 ");
  ASSERT_TRUE(six) << six.reason;
  ASSERT_EQ(6u, six.value->size());
  EXPECT_EQ("D2", (*six.value)[0].note->ascii());
  EXPECT_EQ("D4", (*six.value)[5].note->ascii());

  const auto mixed = parsePitchList("D2 98.5 Hz 110hz F\u266F3");
  ASSERT_TRUE(mixed) << mixed.reason;
  ASSERT_EQ(4u, mixed.value->size());
  EXPECT_EQ(98.5f, (*mixed.value)[1].frequency);
  EXPECT_FALSE((*mixed.value)[2].note);
  EXPECT_EQ("F#3", (*mixed.value)[3].note->ascii());

  const auto none = parsePitchList(" \t ");
  ASSERT_TRUE(none);
  EXPECT_TRUE(none.value->empty());

  EXPECT_NE(std::string::npos, parsePitchList("D2 H2 G3").reason.find("'H2'"));
  EXPECT_NE(std::string::npos, parsePitchList("D2 98.5").reason.find("needs its unit"));
  EXPECT_NE(std::string::npos, parsePitchList("Hz D2").reason.find("'Hz'"));
}
