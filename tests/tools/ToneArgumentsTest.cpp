#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/quillon-tone/ToneArguments.h"

namespace {

struct Parsed {
  bool ok;
  ToneRequest request;
  std::string error;
};

Parsed parse(const std::vector<const char*>& args) {
  std::vector<const char*> argv{"quillon-tone"};
  argv.insert(argv.end(), args.begin(), args.end());
  Parsed p;
  p.ok = parseToneArguments(static_cast<int>(argv.size()), argv.data(), p.request, p.error);
  return p;
}

TEST(ToneArgumentsTest, StringNumbersAreOneBasedAndCalibrated) {
  auto p = parse({"--tuning", "violin", "3", "1"});
  ASSERT_TRUE(p.ok) << p.error;
  ASSERT_EQ(2u, p.request.notes.size());
  EXPECT_EQ(440.0f, p.request.notes[0].frequency);
  EXPECT_EQ(196.0f, p.request.notes[1].frequency);

  p = parse({"--tuning=violin", "--calibration", "442", "3"});
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_FLOAT_EQ(442.0f, p.request.notes[0].frequency);

  p = parse({"6"});  // guitar by default: the high E
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ(329.6f, p.request.notes[0].frequency);
}

TEST(ToneArgumentsTest, FrequenciesArePlayedAsGivenAndNoteNamesCalibrated) {
  auto p = parse({"--calibration", "430", "440Hz", "261.63hz", "A4", "C#3", "e\u266D2"});
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ(440.0f, p.request.notes[0].frequency);
  EXPECT_EQ(261.63f, p.request.notes[1].frequency);
  EXPECT_FLOAT_EQ(430.0f, p.request.notes[2].frequency);
  EXPECT_NEAR(138.591 * 430 / 440, p.request.notes[3].frequency, 0.001);
  EXPECT_EQ("C#3 135.44 Hz", p.request.notes[3].label);
  EXPECT_NEAR(77.782 * 430 / 440, p.request.notes[4].frequency, 0.001);
}

// An unknown string or tuning, a frequency far past half the rate and an
// empty command line are the tool's system test (tone-errors), exit status
// and all; these are the other usage errors.
TEST(ToneArgumentsTest, BadInputIsAUsageErrorThatSaysWhat) {
  struct Case {
    std::vector<const char*> args;
    const char* mentions;
  };
  const std::vector<Case> cases{
      {{"--tuning", "violin", "0"}, "unknown string 0"},
      {{"Guitar"}, "neither a string number, a note name such as C#3 nor a frequency"},
      {{"C8"}, "note C8 is too high"},
      {{"0Hz"}, "bad frequency"},
      {{"4000Hz"}, "bad frequency"},  // not below half the 8000 Hz rate
      {{"nanHz"}, "bad frequency"},
      {{"--volume", "1.5", "1"}, "volume"},
      {{"--volume", "0", "1"}, "volume"},
      {{"--seconds", "-1", "1"}, "seconds"},
      {{"--calibration", "500", "1"}, "calibration"},
      {{"--calibration", "440.5", "1"}, "calibration"},
      {{"--tuning"}, "needs a value"},
      {{"--loud", "1"}, "unknown option"},
  };
  for (const auto& c : cases) {
    auto p = parse(c.args);
    EXPECT_FALSE(p.ok) << c.mentions;
    EXPECT_NE(std::string::npos, p.error.find(c.mentions)) << p.error;
  }
}

}  // namespace
