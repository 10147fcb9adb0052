#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/UserTunings.h"
#include "common/UserTuningsEdit.h"

namespace {

std::vector<TypedPitch> pitches(std::string_view text) {
  return *parsePitchList(text).value;
}

// A file as players leave them: a byte-order mark, CRLF, a comment line, a
// blank line, a tuning with a comment after it, a refused line, an indented
// tuning, and a last line without a newline.
const std::string kFile =
    "\xEF\xBB\xBF# My tunings\r\n"
    "\r\n"
    "Open C = C2 G2 C3 G3 C4 E4   # for slide\r\n"
    "bad line\r\n"
    "  Drone = D2 98.5Hz D3\r\n"
    "Last = E2 B2";

}  // namespace

TEST(UserTuningsEditTest, ChangesOneLineAndKeepsEveryOtherByte) {
  // Edited in place: its comment and line end stay, and so does the rest.
  auto change = saveUserTuning(kFile, "user:Open C", "Open C", pitches("C2 G2 C3 G3 C4 G4"));
  ASSERT_TRUE(change) << change.refusal;
  EXPECT_EQ("user:Open C", change.tuningId);
  EXPECT_EQ(
      "\xEF\xBB\xBF# My tunings\r\n\r\nOpen C = C2 G2 C3 G3 C4 G4   # for slide\r\nbad line\r\n"
      "  Drone = D2 98.5Hz D3\r\nLast = E2 B2",
      change.text);

  // Renamed, with the typed name tidied; its indent kept; a frequency kept.
  change = saveUserTuning(kFile, "user:Drone", "  Low   drone ", pitches("D2 98.5Hz D3 A3"));
  ASSERT_TRUE(change) << change.refusal;
  EXPECT_EQ("user:Low drone", change.tuningId);
  EXPECT_EQ(
      "\xEF\xBB\xBF# My tunings\r\n\r\nOpen C = C2 G2 C3 G3 C4 E4   # for slide\r\nbad line\r\n"
      "  Low drone = D2 98.5Hz D3 A3\r\nLast = E2 B2",
      change.text);

  // Added as a new last line, ended like the others, the file still
  // without a final newline.
  change = saveUserTuning(kFile, std::nullopt, "Open D#", pitches("D#2 A#2 D#3"));
  ASSERT_TRUE(change) << change.refusal;
  EXPECT_EQ(kFile + "\r\nOpen D# = D#2 A#2 D#3", change.text);
  EXPECT_EQ("A = E2\n", saveUserTuning("", std::nullopt, "A", pitches("E2")).text);
  EXPECT_EQ("# x\nA = E2\n", saveUserTuning("# x\n", std::nullopt, "A", pitches("E2")).text);

  // Deleted: its line and line end, nothing else.
  change = deleteUserTuning(kFile, "user:Open C");
  ASSERT_TRUE(change) << change.refusal;
  EXPECT_EQ("\xEF\xBB\xBF# My tunings\r\n\r\nbad line\r\n  Drone = D2 98.5Hz D3\r\nLast = E2 B2",
            change.text);
  EXPECT_EQ(kFile.substr(0, kFile.size() - std::string("Last = E2 B2").size()),
            deleteUserTuning(kFile, "user:Last").text);

  // A tuning on the first line keeps the byte-order mark before it.
  EXPECT_EQ(
      "\xEF\xBB\xBF"
      "B = E2\n",
      replaceUserTuningLine("\xEF\xBB\xBF"
                            "A = C2\n",
                            1, "B = E2"));
}

TEST(UserTuningsEditTest, RefusesWithAReasonAndGivesNothingToWrite) {
  const std::string file = "# mine\nMine = D2 A2\nOther = E2\n";
  struct Case {
    std::optional<std::string> edited;
    std::string name;
    std::string notes;
    std::string reason;
  };
  const Case cases[] = {
      {std::nullopt, " ", "E2", "Give the tuning a name."},
      {std::nullopt, "New", "", "A tuning needs at least one string."},
      {std::nullopt, "New", "C2 G2 C2", "Strings 1 and 3 are the same note (C2)"},
      {std::nullopt, "New", "E2 C#3 Db3", "Strings 2 and 3 are the same note (C\u266F3)"},
      {std::nullopt, "New", "G2 98Hz", "Strings 1 and 2 are less than half a semitone apart"},
      {std::nullopt, "Open G", "E2", "\u201COpen G\u201D is the name of a built-in tuning"},
      {std::nullopt, "open  g", "E2", "\u201Copen g\u201D is the name of a built-in tuning"},
      {std::nullopt, "MINE", "E2", "You already have a tuning called \u201CMine\u201D."},
      {"user:Mine", "other", "E2", "You already have a tuning called \u201COther\u201D."},
      {"user:Gone", "Gone", "E2", "\u201CGone\u201D is no longer in the tunings file"},
      {std::nullopt, "A = B", "E2", "A name cannot hold \u201C=\u201D."},
      {std::nullopt, "My #2", "E2", "A \u201C#\u201D in a name must follow a letter or a digit"},
      {std::nullopt, "New", "E2 1200Hz", "Not saved: \"New\": '1200Hz' (1200.00 Hz) is above"},
      {std::nullopt, "Bell\x07", "E2", "Not saved: \"Bell\\x07\": the name holds a control"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name + " = " + c.notes);
    const auto notes = c.notes.empty() ? std::vector<TypedPitch>{} : pitches(c.notes);
    const auto change = saveUserTuning(file, c.edited, c.name, notes);
    EXPECT_FALSE(change);
    EXPECT_EQ(0u, change.refusal.find(c.reason)) << change.refusal;
    EXPECT_TRUE(change.text.empty());
  }
  const auto gone = deleteUserTuning(file, "user:Gone");
  EXPECT_FALSE(gone);
  EXPECT_TRUE(gone.text.empty());

  // The tuning being edited may keep its name in any case.
  const auto renamed = saveUserTuning(file, "user:Mine", "MINE", pitches("D2 A2 D3"));
  ASSERT_TRUE(renamed) << renamed.refusal;
  EXPECT_EQ("# mine\nMINE = D2 A2 D3\nOther = E2\n", renamed.text);
}
