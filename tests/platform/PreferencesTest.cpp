#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/Preferences.h"
#include "tests/support/Scoped.h"

namespace fs = std::filesystem;
using platform::Preferences;

namespace {

class PreferencesTest : public ::testing::Test {
 protected:
  std::string file() const { return dir_ + "/preferences"; }
  void writeFile(const std::string& text) const { std::ofstream(file(), std::ios::binary) << text; }
  std::string readFile() const {
    std::ifstream in(file(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // Opens the store, returning what it logged on stderr.
  std::string openCapturingLog(std::unique_ptr<Preferences>& prefs) const {
    testing::internal::CaptureStderr();
    prefs = std::make_unique<Preferences>(dir_);
    return testing::internal::GetCapturedStderr();
  }
  static int lineCount(const std::string& s) {
    return static_cast<int>(std::count(s.begin(), s.end(), '\n'));
  }

  test_support::TempDir tempDir_{"prefs"};
  const std::string& dir_ = tempDir_.path();
};

TEST_F(PreferencesTest, DefaultsAnswerUnsetKeysAndAreNeverStored) {
  Preferences prefs(dir_);
  EXPECT_EQ(std::nullopt, prefs.stringForKey("TargetTuning"));
  EXPECT_EQ(0, prefs.integerForKey("Calibration"));

  prefs.registerDefaults({{"TargetTuning", "guitar"}, {"Calibration", 440}});
  EXPECT_EQ("guitar", prefs.stringForKey("TargetTuning"));
  EXPECT_EQ(440, prefs.integerForKey("Calibration"));
  EXPECT_FALSE(fs::exists(file())) << "registering defaults must not write";

  prefs.setInteger(452, "Calibration");
  EXPECT_EQ(452, prefs.integerForKey("Calibration"));
  Preferences reopened(dir_);
  EXPECT_EQ(452, reopened.integerForKey("Calibration"));
  EXPECT_EQ(std::nullopt, reopened.stringForKey("TargetTuning")) << "the default was stored";
  EXPECT_EQ(1u, reopened.storedValues().size());
}

TEST_F(PreferencesTest, WrittenValuesSurviveAReopenWithAwkwardCharacters) {
  const std::string tricky = "a=b\\c\nd\te\x7f\xc3\xa9 \\x41=";
  {
    Preferences prefs(dir_);
    EXPECT_TRUE(prefs.setString("banjo", "TargetTuning"));
    EXPECT_TRUE(prefs.setInteger(-12, "Calibration"));
    EXPECT_TRUE(prefs.setString(tricky, tricky));
    EXPECT_TRUE(prefs.setString("", "Empty"));
    EXPECT_TRUE(prefs.setString("drop-d", "TargetTuning"));  // overwrite
  }
  Preferences reopened(dir_);
  EXPECT_EQ("drop-d", reopened.stringForKey("TargetTuning"));
  EXPECT_EQ(-12, reopened.integerForKey("Calibration"));
  EXPECT_EQ(tricky, reopened.stringForKey(tricky));
  EXPECT_EQ("", reopened.stringForKey("Empty"));
  EXPECT_EQ(4u, reopened.storedValues().size());
  // The file stays one entry per line.
  EXPECT_EQ(5, lineCount(readFile()));
}

TEST_F(PreferencesTest, RewritingTheSameValueLeavesTheFileAlone) {
  Preferences prefs(dir_);
  ASSERT_TRUE(prefs.setInteger(440, "Calibration"));
  fs::remove(file());
  EXPECT_TRUE(prefs.setInteger(440, "Calibration"));
  EXPECT_FALSE(fs::exists(file())) << "an unchanged value was written again";
  EXPECT_TRUE(prefs.setInteger(441, "Calibration"));
  EXPECT_EQ(441, Preferences(dir_).integerForKey("Calibration"));
}

TEST_F(PreferencesTest, DamagedFilesReadAsDefaultsWithOneWarning) {
  const std::string damaged[] = {
      "",                                                             // truncated to nothing
      "quillon-preferences 1\ni Calibration=44x\n",                   // not a number
      "quillon-preferences 1\ni Calibration=99999999999999999999\n",  // out of range
      "quillon-preferences 1\ns TargetTuning\n",                      // no '='
      "quillon-preferences 1\nx Key=1\n",                             // unknown type
      "quillon-preferences 1\ns Key=a\\q\n",                          // bad escape
      "quillon-preferences 1\ns Key=a\\x4\n",                         // short hex escape
      "quillon-preferences 1\ns Key=a=b\n",                           // unescaped '='
      "quillon-preferences 1\ns Key=a\rb\n",                          // raw control byte
      "quillon-preferences 2\ns Key=a\n",                             // a newer format
      std::string("\0\0\0\0garbage", 11),
  };
  for (const auto& text : damaged) {
    SCOPED_TRACE(testing::PrintToString(text));
    writeFile(text);
    std::unique_ptr<Preferences> prefs;
    const std::string log = openCapturingLog(prefs);
    EXPECT_EQ(1, lineCount(log)) << log;
    EXPECT_NE(std::string::npos, log.find("damaged")) << log;
    prefs->registerDefaults({{"Calibration", int64_t{440}}});
    EXPECT_EQ(440, prefs->integerForKey("Calibration"));
    EXPECT_TRUE(prefs->storedValues().empty());
    // The next write replaces the damaged file with a sound one.
    prefs->setInteger(441, "Calibration");
    EXPECT_EQ(441, Preferences(dir_).integerForKey("Calibration"));
  }
}

TEST_F(PreferencesTest, UnreadableFileReadsAsDefaultsAndAFailedSaveIsRetried) {
  std::unique_ptr<Preferences> prefs;
  EXPECT_EQ("", openCapturingLog(prefs)) << "a first run has no file and nothing to say";

  fs::create_directory(file());  // a directory where the file should be
  std::string log = openCapturingLog(prefs);
  EXPECT_EQ(1, lineCount(log)) << log;
  EXPECT_TRUE(prefs->storedValues().empty());
  // And a write cannot replace it, which is reported rather than crashing.
  testing::internal::CaptureStderr();
  EXPECT_FALSE(prefs->setInteger(440, "Calibration"));
  log = testing::internal::GetCapturedStderr();
  EXPECT_EQ(1, lineCount(log)) << log;
  EXPECT_EQ(440, prefs->integerForKey("Calibration")) << "kept for this run";
  // Once the way is clear, the same value is saved after all.
  fs::remove(file());
  EXPECT_TRUE(prefs->setInteger(440, "Calibration"));
  EXPECT_EQ(440, Preferences(dir_).integerForKey("Calibration"));
}

TEST_F(PreferencesTest, AtomicWriteLeavesOnlyTheFileAndCreatesTheDirectory) {
  const std::string nested = dir_ + "/config/quillon";
  Preferences prefs(nested);
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(prefs.setInteger(420 + i, "Calibration"));
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(nested)) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(std::vector<std::string>{"preferences"}, names);
  std::ifstream in(nested + "/preferences");
  std::stringstream contents;
  contents << in.rdbuf();
  EXPECT_EQ("quillon-preferences 1\ni Calibration=439\n", contents.str());
}

// Round trips through the file are the store's tests above; here the edges of
// parsing alone.
TEST(PreferencesFormatTest, AnEmptyStoreAndABlankLineParseAndSeedTheFuzzer) {
  EXPECT_EQ(Preferences::Dictionary{}, Preferences::parse("quillon-preferences 1\n"));
  EXPECT_EQ(Preferences::Dictionary{}, Preferences::parse("quillon-preferences 1"));
  const Preferences::Dictionary ab = {{"a", std::string("b")}};
  EXPECT_EQ(ab, Preferences::parse("quillon-preferences 1\n\ns a=b"));

  const fs::path corpus = fs::path(QUILLON_BINARY_DIR) / "fuzz-corpus" / "PreferencesFuzz";
  fs::create_directories(corpus);
  const std::pair<const char*, std::string> seeds[] = {
      {"typical", "quillon-preferences 1\ni Calibration=440\ns TargetTuning=guitar\n"},
      {"escapes", Preferences::serialize(
                      {{"odd key=\\", std::string("line\nbreak\x01")}, {"neg", int64_t{-12}}})},
      {"empty-store", "quillon-preferences 1\n"},
      {"damaged", "quillon-preferences 1\ns Key=a\\x4"},
  };
  for (const auto& [name, seed] : seeds) {
    std::ofstream(corpus / name, std::ios::binary) << seed;
  }
}

}  // namespace
