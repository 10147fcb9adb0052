// The recording analyser as a user runs it: generated recordings in, the
// program's own output and exit status out.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "audio/AiffIO.h"
#include "tests/support/AiffTestFiles.h"

namespace {

struct ToolRun {
  int status = -1;
  std::string out, err;
};

// The tool's config directory is a folder of the test's own, so that the
// user's tunings file is never read.
ToolRun analyse(const std::string& args,
                const std::string& configHome = aifftest::tempPath("config")) {
  const std::string outPath = aifftest::tempPath("analyse.out");
  const std::string errPath = aifftest::tempPath("analyse.err");
  const std::string tool = std::string(QUILLON_BINARY_DIR) + "/tools/quillon-analyse";
  if (access(tool.c_str(), X_OK) != 0) ADD_FAILURE() << "build " << tool << " first";
  const std::string command =
      "XDG_CONFIG_HOME=" + configHome + " " + tool + " " + args + " >" + outPath + " 2>" + errPath;
  ToolRun run;
  const int raw = std::system(command.c_str());
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  auto text = [](const std::string& p) {
    const auto bytes = aifftest::readFile(p);
    return std::string(bytes.begin(), bytes.end());
  };
  run.out = text(outPath);
  run.err = text(errPath);
  return run;
}

struct JsonPass {
  double time = 0;
  int frames = 0;
  std::string note;  // "null" when none
  std::string string;
  std::string sound;
  double cents = NAN;
  std::string name;  // "null" when none
  double hz = NAN;
};

// One object per line, with the keys in the documented order.
std::vector<JsonPass> passes(const std::string& out) {
  static const std::regex line(
      R"(\{"time": ([0-9.]+), "frames": (\d+), "note": ("[^"]*"|null), "string": (\d+|null), )"
      R"("sound": ("[^"]*"|null), "cents": (-?[0-9.]+|null), "score": (-?[0-9.]+|null), )"
      R"("name": ("[^"]*"|null), "hz": ([0-9.]+|null)\})");
  std::vector<JsonPass> result;
  size_t start = 0;
  while (start < out.size()) {
    const size_t end = out.find('\n', start);
    const std::string text = out.substr(start, end - start);
    std::smatch m;
    if (!std::regex_match(text, m, line)) {
      ADD_FAILURE() << "not a pass: " << text;
      break;
    }
    JsonPass p;
    p.time = std::stod(m[1]);
    p.frames = std::stoi(m[2]);
    p.note = m[3];
    p.string = m[4];
    p.sound = m[5];
    if (m[6] != "null") p.cents = std::stod(m[6]);
    p.name = m[8];
    if (m[9] != "null") p.hz = std::stod(m[9]);
    result.push_back(p);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return result;
}

std::string recording(const std::string& name, const std::vector<int16_t>& samples,
                      double rate = 22050) {
  const std::string path = aifftest::tempPath(name);
  aifftest::writeSamples(path, rate, samples);
  return path;
}

std::vector<int16_t> mix(std::vector<int16_t> a, const std::vector<int16_t>& b) {
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) a[i] = static_cast<int16_t>(a[i] + b[i]);
  return a;
}

TEST(QuillonAnalyseTest, SharpAReadsPlusSevenCentsInEveryPass) {
  const std::string file = recording("a.aiff", aifftest::tone(22050, 3.0, 110.5, 5));
  const ToolRun run = analyse("--json " + file);
  ASSERT_EQ(0, run.status) << run.err;
  const auto all = passes(run.out);
  EXPECT_EQ("", run.err);
  ASSERT_EQ(12u, all.size()) << "3 s at four passes a second";
  int frames = 0;
  for (const auto& p : all) {
    EXPECT_EQ("\"A\"", p.note) << p.time;
    EXPECT_EQ("2", p.string);
    EXPECT_NEAR(7.31, p.cents, 0.05);
    EXPECT_EQ("\"A2\"", p.name);
    // The frequency heard: the calibrated target moved by the cents.
    EXPECT_NEAR(110.0 * std::exp2(p.cents / 1200), p.hz, 0.006);
    frames += p.frames;
  }
  EXPECT_EQ(4410, all.front().frames);
  EXPECT_DOUBLE_EQ(3.0, all.back().time) << "stops with the pass that reads the last frames";
  EXPECT_EQ(66150, frames);
}

TEST(QuillonAnalyseTest, SummaryAndCalibration) {
  const std::string file = recording("a-text.aiff", aifftest::tone(22050, 1.0, 110.5, 5));
  const ToolRun run = analyse(file);
  ASSERT_EQ(0, run.status) << run.err;
  EXPECT_NE(std::string::npos, run.out.find("string 2 A2  (A2g): 1.00 s selected, median +7.31"))
      << run.out;

  const ToolRun calibrated = analyse("--json --calibration 442 " + file);
  for (const auto& p : passes(calibrated.out)) {
    EXPECT_NEAR(7.31 - 7.85, p.cents, 0.1);
    EXPECT_NEAR(110.0 * 442 / 440 * std::exp2(p.cents / 1200), p.hz, 0.006);
  }
}

TEST(QuillonAnalyseTest, SaysSoWhenARecordingOverflowsTheSampleBuffer) {
  // At 96 kHz three 0.1 s reads (57600 bytes) do not fit the 44100-byte
  // buffer: every other pass loses one, as it would on the tuner screen.
  const std::string file = recording("96k.aiff", aifftest::tone(96000, 1.0, 110.5, 5), 96000);
  const ToolRun run = analyse("--json " + file);
  ASSERT_EQ(0, run.status) << run.err;
  for (const auto& p : passes(run.out)) EXPECT_EQ(19200, p.frames);
  EXPECT_NE(std::string::npos, run.err.find("warning: 0.2 s of the recording did not fit"))
      << run.err;
}

TEST(QuillonAnalyseTest, SilenceReadsNoNote) {
  const std::string file = recording("silence.aiff", std::vector<int16_t>(22050));
  const ToolRun json = analyse("--json " + file);
  ASSERT_EQ(0, json.status) << json.err;
  const auto all = passes(json.out);
  ASSERT_EQ(4u, all.size());
  for (const auto& p : all) {
    EXPECT_EQ("null", p.note);
    EXPECT_EQ("null", p.string);
    EXPECT_EQ("null", p.name);
    EXPECT_TRUE(std::isnan(p.hz));
  }
  const ToolRun text = analyse(file);
  EXPECT_NE(std::string::npos, text.out.find("no note: 1.00 s")) << text.out;
}

TEST(QuillonAnalyseTest, DropDLowStringWithItsOctave) {
  const auto low = aifftest::tone(22050, 2.0, 73.42, 1, 6000);
  const auto octave = aifftest::tone(22050, 2.0, 146.84, 1, 3000);
  const std::string file = recording("drop-d.aiff", mix(low, octave));
  const ToolRun run = analyse("--tuning dropd --json " + file);
  ASSERT_EQ(0, run.status) << run.err;
  for (const auto& p : passes(run.out)) {
    EXPECT_EQ("\"D\"", p.note);
    EXPECT_EQ("1", p.string) << "the low D, not the D string an octave up";
    EXPECT_NEAR(0.0, p.cents, 3.0);
  }
  // Forcing the other D shows that one instead.
  for (const auto& p : passes(analyse("--tuning dropd --string 3 --json " + file).out)) {
    EXPECT_EQ("3", p.string);
  }
}

TEST(QuillonAnalyseTest, RealTimeReplayGivesTheSameReadings) {
  const std::string file = recording("realtime.aiff", aifftest::tone(22050, 0.5, 110.5, 5));
  const ToolRun paced = analyse("--json --realtime " + file);
  ASSERT_EQ(0, paced.status) << paced.err;
  // A machine busy enough to delay a 0.1 s read moves it into the next pass,
  // and a block of another length reads a little differently. Passes over
  // the usual two or three reads must read as the fast replay's do; whatever
  // the load, every frame is read and every pass names the A.
  const auto all = passes(paced.out);
  ASSERT_GE(all.size(), 2u);
  int frames = 0;
  for (const auto& p : all) {
    frames += p.frames;
    EXPECT_EQ("\"A\"", p.note);
    if (p.frames == 4410 || p.frames == 6615) {
      EXPECT_NEAR(7.31, p.cents, 0.05);
    }
  }
  EXPECT_EQ(11025, frames);
}

TEST(QuillonAnalyseTest, UserTuningsFromTheConfigDirectoryOrAFile) {
  const std::string config = aifftest::tempPath("user-config");
  std::filesystem::create_directories(config + "/quillon");
  std::ofstream(config + "/quillon/tunings") << "# strings low to high\n"
                                                "Low drone = D2 98.5Hz D3\n"
                                                "Broken = H2\n";
  ToolRun run = analyse("--list-tunings", config);
  ASSERT_EQ(0, run.status) << run.err;
  EXPECT_EQ(0u, run.out.find("guitar\tStandard Guitar\tE2 A2 D3 G3 B3 E4\n")) << run.out;
  EXPECT_NE(std::string::npos,
            run.out.find("\nguitar-eb\tHalf-Step Down\tEb2 Ab2 Db3 Gb3 Bb3 Eb4\n"));
  const std::string user = "user:Low drone\tLow drone\tD2 98.5Hz D3\n";
  ASSERT_LE(user.size(), run.out.size());
  EXPECT_EQ(user, run.out.substr(run.out.size() - user.size())) << "listed last";
  EXPECT_EQ("quillon-analyse: " + config +
                "/quillon/tunings:3: \"Broken\": 'H2' is not a note: a note starts with a letter A "
                "to G; line skipped\n",
            run.err);

  // The string typed as a frequency, read through the user's id.
  const std::string file = recording("drone.aiff", aifftest::tone(22050, 1.0, 98.5, 5));
  run = analyse("--json --tuning 'user:Low drone' " + file, config);
  ASSERT_EQ(0, run.status) << run.err;
  const auto all = passes(run.out);
  ASSERT_EQ(4u, all.size());
  for (const auto& p : all) {
    EXPECT_EQ("2", p.string);
    EXPECT_EQ("\"f9850x\"", p.sound);
    EXPECT_EQ("\"G2\"", p.name) << "the nearest note";
    EXPECT_NEAR(0.0, p.cents, 1.0);
    EXPECT_NEAR(98.5, p.hz, 0.06);
  }

  // --tunings reads another file instead; one that cannot be read is an error.
  const std::string other = aifftest::tempPath("other-tunings");
  std::ofstream(other) << "Other = E2\n";
  run = analyse("--tunings " + other + " --list-tunings", config);
  EXPECT_EQ("", run.err);
  EXPECT_NE(std::string::npos, run.out.find("\nuser:Other\tOther\tE2\n"));
  EXPECT_EQ(std::string::npos, run.out.find("user:Low drone"));

  const std::string missing = aifftest::tempPath("no-tunings");
  run = analyse("--tunings " + missing + " " + file, config);
  EXPECT_EQ(1, run.status);
  EXPECT_EQ("quillon-analyse: " + missing + ": No such file or directory\n", run.err);
  run = analyse("--tunings " + config + " " + file, config);
  EXPECT_EQ(1, run.status);
  EXPECT_EQ("quillon-analyse: " + config + ": Is a directory\n", run.err);
}

TEST(QuillonAnalyseTest, UnreadableFilesAndBadArguments) {
  const std::string missing = aifftest::tempPath("missing.aiff");
  ToolRun run = analyse(missing);
  EXPECT_EQ(1, run.status);
  EXPECT_EQ("quillon-analyse: " + missing + ": No such file or directory\n", run.err);

  run = analyse(aifftest::tempPath(""));
  EXPECT_EQ(1, run.status);
  EXPECT_NE(std::string::npos, run.err.find(": Is a directory\n")) << run.err;

  const std::string stereo = aifftest::tempPath("stereo.aiff");
  aiff_data* aiff = aiff_open(stereo.c_str(), "w");
  aiff_write_header(aiff, 22050, 2, 16, 1);
  aiff_close(aiff);
  run = analyse(stereo);
  EXPECT_EQ(1, run.status);
  EXPECT_EQ(0u, run.err.find("quillon-analyse: " + stereo + ": not 16-bit mono")) << run.err;
  EXPECT_TRUE(run.out.empty());

  const std::string junk = aifftest::tempPath("junk.aiff");
  aifftest::writeFile(junk, {'F', 'O', 'R', 'M', 0, 0, 0, 4, 'A', 'I', 'F', 'F'});
  run = analyse(junk);
  EXPECT_EQ(1, run.status);
  EXPECT_EQ("quillon-analyse: " + junk + ": there is no COMM chunk\n", run.err);

  const std::string good = recording("args.aiff", std::vector<int16_t>(100));
  for (const std::string& args :
       {std::string(), "--tuning Guitar " + good, "--calibration abc " + good,
        "--calibration 0 " + good, "--string 0 " + good, "--string 7 " + good, "--bogus " + good,
        good + " " + good, std::string("--tuning")}) {
    run = analyse(args);
    EXPECT_EQ(2, run.status) << args;
    EXPECT_NE(std::string::npos, run.err.find("usage: quillon-analyse")) << args;
  }
}

}  // namespace
