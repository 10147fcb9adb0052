#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/TuningDraft.h"
#include "common/UserTunings.h"

namespace {

std::string shown(const TuningDraft& draft, int index) {
  return TuningDraft::displayText(draft.strings()[static_cast<size_t>(index)].pitch);
}

std::vector<std::string> allShown(const TuningDraft& draft) {
  std::vector<std::string> texts;
  for (size_t i = 0; i < draft.strings().size(); ++i)
    texts.push_back(shown(draft, static_cast<int>(i)));
  return texts;
}

// The draft's string 0 after stepping it by each of `steps` in turn.
std::vector<std::string> walk(const std::string& typed, const std::vector<int>& steps) {
  TuningDraft draft = TuningDraft::newTuning();
  EXPECT_EQ("", draft.setTyped(0, typed));
  std::vector<std::string> seen{shown(draft, 0)};
  for (int step : steps) {
    EXPECT_TRUE(draft.step(0, step));
    seen.push_back(shown(draft, 0));
  }
  return seen;
}

}  // namespace

TEST(TuningDraftTest, StepsCrossOctavesAndKeepTheStringsSpelling) {
  using S = std::vector<std::string>;
  EXPECT_EQ((S{"B3", "C4", "B3", "A\u266F3"}), walk("B3", {+1, -1, -1}));
  // Typed with a flat: flats, across the natural notes in between.
  EXPECT_EQ((S{"E\u266D2", "E2", "F2", "G\u266D2", "F2", "E2", "E\u266D2"}),
            walk("Eb2", {+1, +1, +1, -1, -1, -1}));
  EXPECT_EQ((S{"B\u266D3", "B3", "C4", "D\u266D4"}), walk("b\u266D3", {+1, +1, +1}));
  // Sharps otherwise.
  EXPECT_EQ((S{"F2", "F\u266F2", "G2", "F\u266F2"}), walk("F2", {+1, +1, -1}));
  EXPECT_EQ((S{"C\u266F3", "D3"}), walk("c#3", {+1}));
  // A frequency steps from its nearest note.
  EXPECT_EQ((S{"98.5 Hz", "G\u266F2"}), walk("98.5 Hz", {+1}));

  // No step beyond what the tuner hears (G#0 to B5), and nothing changes.
  TuningDraft draft = TuningDraft::newTuning();
  ASSERT_EQ("", draft.setTyped(0, "B5"));
  EXPECT_FALSE(draft.step(0, +1));
  ASSERT_EQ("", draft.setTyped(0, "G#0"));
  EXPECT_FALSE(draft.step(0, -1));
  EXPECT_EQ("G\u266F0", shown(draft, 0));
  EXPECT_FALSE(draft.step(6, +1)) << "no seventh string";
}

TEST(TuningDraftTest, TakesNotesTypedInEveryFormAndRefusesTheRestUnchanged) {
  TuningDraft draft = TuningDraft::newTuning();
  const std::pair<const char*, const char*> typed[] = {
      {"C#3", "C\u266F3"},        {"c\u266F3", "C\u266F3"}, {"Db3", "D\u266D3"},
      {" d\u266D3 ", "D\u266D3"}, {"bb3", "B\u266D3"},      {"E2", "E2"},
      {"98.5Hz", "98.5 Hz"},      {"110 hz", "110 Hz"},
  };
  for (const auto& [text, display] : typed) {
    EXPECT_EQ("", draft.setTyped(1, text)) << text;
    EXPECT_EQ(display, shown(draft, 1)) << text;
  }
  const std::pair<const char*, const char*> refused[] = {
      {"H2", "'H2' is not a note"},
      {"C#", "'C#' has no octave"},
      {"C10", "'C10' has an octave outside 0 to 9"},
      {"G0", "G0 is beyond what the tuner hears"},
      {"1200Hz", "1200 Hz is beyond what the tuner hears"},
  };
  for (const auto& [text, reason] : refused) {
    EXPECT_NE(std::string::npos, draft.setTyped(1, text).find(reason)) << text;
    EXPECT_EQ("110 Hz", shown(draft, 1)) << text;
  }
}

TEST(TuningDraftTest, StartsFromAGuitarAddsAFourthUpToEightAndReadsTuningsAsWritten) {
  TuningDraft draft = TuningDraft::newTuning();
  EXPECT_EQ("", draft.name());
  using S = std::vector<std::string>;
  EXPECT_EQ((S{"E2", "A2", "D3", "G3", "B3", "E4"}), allShown(draft));
  EXPECT_TRUE(draft.addString());
  EXPECT_TRUE(draft.addString());
  EXPECT_EQ((S{"E2", "A2", "D3", "G3", "B3", "E4", "A4", "D5"}), allShown(draft));
  EXPECT_FALSE(draft.addString());
  // Near the top the new string goes below, on a note not taken.
  for (int i = 7; i > 0; --i) EXPECT_TRUE(draft.removeString(i));
  ASSERT_EQ("", draft.setTyped(0, "A5"));
  EXPECT_TRUE(draft.addString());
  EXPECT_EQ((S{"A5", "B5"}), allShown(draft));
  EXPECT_TRUE(draft.addString());
  EXPECT_EQ((S{"A5", "B5", "A\u266F5"}), allShown(draft));
  while (!draft.strings().empty()) draft.removeString(0);
  EXPECT_TRUE(draft.addString());
  EXPECT_EQ((S{"E2"}), allShown(draft));

  // A tuning of the file: its name, flats and frequencies as written.
  const auto file = parseUserTunings("Low drone = Eb2 98.5Hz D3\n");
  const TuningDraft edited = TuningDraft::forTuning(*file.tunings.front().tuning);
  EXPECT_EQ("Low drone", edited.name());
  EXPECT_EQ((S{"E\u266D2", "98.5 Hz", "D3"}), allShown(edited));
  EXPECT_EQ("Low drone = Eb2 98.5Hz D3", userTuningLine(edited.name(), edited.pitches()));
}
