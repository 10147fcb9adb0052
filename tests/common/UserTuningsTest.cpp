#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "common/TuningCatalogue.h"
#include "common/UserTunings.h"

namespace {

namespace fs = std::filesystem;

// Every text here also seeds the fuzz target.
void addSeed(const std::string& name, const std::string& text) {
  const fs::path corpus = fs::path(QUILLON_BINARY_DIR) / "fuzz-corpus" / "UserTuningsFuzz";
  fs::create_directories(corpus);
  std::ofstream(corpus / name, std::ios::binary) << text;
}

TEST(UserTuningsTest, ReadsNamesNotesFrequenciesAndComments) {
  const std::string text =
      "\xEF\xBB\xBF# My tunings\n"
      "\n"
      "Open C = C2 G2 C3 G3 C4 E4   # low to high\r\n"
      "  Low \t drone =  D\u266D2 98.5 Hz f#3 E\u266F4\n"
      "Open C# = C#2 G#2 #C#3 is a comment, not a note\n"
      "#Commented = E2\n";
  addSeed("typical", text);
  const UserTuningsText parsed = parseUserTunings(text);
  ASSERT_TRUE(parsed.problems.empty()) << parsed.problems[0].line << parsed.problems[0].reason;
  ASSERT_EQ(3u, parsed.tunings.size());
  const std::pair<int, const char*> expected[] = {{3, "Open C"}, {4, "Low drone"}, {5, "Open C#"}};
  for (size_t i = 0; i < 3; ++i) {
    const TuningDictionary& tuning = *parsed.tunings[i].tuning;
    EXPECT_EQ(expected[i].first, parsed.tunings[i].line);
    EXPECT_EQ(expected[i].second, tuning.tuningName);
    EXPECT_EQ(std::string("user:") + expected[i].second, tuning.tuningId);
    EXPECT_EQ(UserTuningsGroup, tuning.tuningGroup);
  }
  EXPECT_EQ(6u, parsed.tunings[0].tuning->tuningNotes.size());
  EXPECT_EQ(2u, parsed.tunings[2].tuning->tuningNotes.size());

  // Notes as typed, in order, named and sounded by the catalogue's scheme.
  const auto& drone = parsed.tunings[1].tuning->tuningNotes;
  ASSERT_EQ(4u, drone.size());
  struct Note {
    const char* name;
    const char* image;
    const char* sound;
    const char* pitch;
    const char* text;
    float frequency;
  };
  const Note notes[] = {
      {"D\u266D", "button-fg-d-flat.png", "Db2x", "Db2", "Db2", 69.2957f},
      {"G", "button-fg-g.png", "f9850x", "G2", "98.5Hz", 98.5f},
      {"F\u266F", "button-fg-f-sharp.png", "Fs3x", "F#3", "F#3", 184.997f},
      {"E\u266F", "button-fg-e-sharp.png", "Es4x", "E#4", "E#4", 349.228f},
  };
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(notes[i].text);
    EXPECT_EQ(notes[i].name, drone[i]->name());
    EXPECT_EQ(notes[i].image, drone[i]->imageName());
    EXPECT_EQ(notes[i].sound, drone[i]->soundName());
    EXPECT_EQ(notes[i].pitch, drone[i]->pitchName());
    EXPECT_EQ(notes[i].text, userNoteText(*drone[i]));
    EXPECT_NEAR(notes[i].frequency, drone[i]->frequency(), 0.001f);
    EXPECT_EQ(SoundTimbre::SteelString, soundTimbre(drone[i]->soundName()));
  }
  EXPECT_EQ(98.5f, drone[1]->frequency()) << "as typed, not rounded to a note";

  // "user:" cannot be the start of a built-in id.
  for (const auto& tuning : makeBuiltInTunings()) {
    EXPECT_EQ(std::string::npos, tuning->tuningId.find(':')) << tuning->tuningId;
  }
}

TEST(UserTuningsTest, EachRefusedLineSaysWhyAndTheOthersLoad) {
  const std::pair<const char*, const char*> lines[] = {
      {"Good = E2 A2", nullptr},
      {"No equals E2 A2", "no '='"},
      {" = E2", "no name"},
      {"Empty =  # nothing", "no notes"},
      {"Nine = C2 D2 E2 F2 G2 A2 B2 C3 D3", "9 notes: a tuning has at most 8"},
      {"Low = A0 G0", "'G0' (24.50 Hz) is below 25 Hz"},
      {"High = B5 C6", "'C6' (1046.50 Hz) is above 1000 Hz"},
      {"High Hz = 1000.5Hz", "'1000.5Hz' (1000.50 Hz) is above 1000 Hz"},
      {"Same = C#3 E3 Db3", "'C#3' and 'Db3' are the same note"},
      {"Close = G2 98Hz", "'G2' and '98Hz' are the same note"},
      {"GOOD = D2", "\"GOOD\": the name is already used on line 1"},
      {"dadgad = D2 A2", "a built-in tuning has this name"},
      {"Bad note = E2 H2", "'H2' is not a note"},
      {"Comma = 98,5Hz", "decimal point"},
      {"Bell\a = E2", "control character"},
      {"\xFF\xFE = E2", "not UTF-8"},
      {"Zero\xEF\xBB\xBFwidth = E2", "U+FEFF"},
      {"Escape = E2 \x1B[2J", "'\\x1B[2J' is not a note"},
      {"Edges = 25Hz A0 A5 1000Hz", nullptr},
      {"Eight = C2 D2 E2 F2 G2 A2 B2 C3", nullptr},
  };
  std::string text;
  for (const auto& line : lines) text += std::string(line.first) + "\n";
  addSeed("refusals", text);
  const UserTuningsText parsed = parseUserTunings(text);

  std::vector<std::string> loaded;
  for (const auto& entry : parsed.tunings) {
    loaded.push_back(std::to_string(entry.line) + " " + entry.tuning->tuningName);
  }
  EXPECT_EQ((std::vector<std::string>{"1 Good", "19 Edges", "20 Eight"}), loaded);
  size_t p = 0;
  for (int number = 1; number <= static_cast<int>(std::size(lines)); ++number) {
    const char* why = lines[number - 1].second;
    if (!why) continue;
    ASSERT_LT(p, parsed.problems.size()) << "line " << number << " was not refused";
    const auto& problem = parsed.problems[p++];
    EXPECT_EQ(number, problem.line) << problem.reason;
    EXPECT_NE(std::string::npos, problem.reason.find(why)) << number << ": " << problem.reason;
    for (char c : problem.reason) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << problem.reason;
  }
  EXPECT_EQ(p, parsed.problems.size());
  EXPECT_EQ("/c/tunings:2: " + parsed.problems[0].reason + "; line skipped",
            describeProblem("/c/tunings", parsed.problems[0]));
}

}  // namespace
