// The recording analyser as a user runs it: generated recordings in, the
// program's own output and exit status out.

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <tuple>
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

// Interleaved frames in any format libsndfile writes.
std::string soundFile(const std::string& name, int format, int rate, int channels,
                      const std::vector<int16_t>& frames) {
  const std::string path = aifftest::tempPath(name);
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  EXPECT_NE(nullptr, file) << name << ": " << sf_strerror(nullptr);
  sf_writef_short(file, frames.data(), static_cast<sf_count_t>(frames.size()) / channels);
  sf_close(file);
  return path;
}

std::vector<int16_t> interleave(const std::vector<int16_t>& left,
                                const std::vector<int16_t>& right) {
  std::vector<int16_t> frames;
  for (size_t i = 0; i < left.size(); ++i) frames.insert(frames.end(), {left[i], right[i]});
  return frames;
}

std::vector<int16_t> scaled(std::vector<int16_t> v, double gain) {
  for (auto& s : v) s = static_cast<int16_t>(std::lround(s * gain));
  return v;
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

// The same sharp A, silent for its first 0.6 s, recorded in other formats,
// rates and channel counts reads pass for pass as the tuner's own recording:
// the converter neither moves the onset nor adds or loses a pass at the end.
TEST(QuillonAnalyseTest, AnyFormatRateAndChannelCountReadsAsTheTunersOwnRecording) {
  const auto note = [](double rate) {
    std::vector<int16_t> samples(static_cast<size_t>(0.6 * rate));
    const auto a = aifftest::tone(rate, 2.4, 110.5, 5);
    samples.insert(samples.end(), a.begin(), a.end());
    return samples;
  };
  const auto reference = passes(analyse("--json " + recording("own.aiff", note(22050))).out);
  ASSERT_EQ(12u, reference.size());
  for (const JsonPass& silence : {reference[0], reference[1]}) {
    EXPECT_EQ("null", silence.note);
    EXPECT_EQ("null", silence.string);
    EXPECT_EQ("null", silence.name);
    EXPECT_TRUE(std::isnan(silence.hz));
  }
  EXPECT_EQ("\"A\"", reference[3].note);

  const auto wave = note(44100);  // the average of the two channels
  const std::string wav = soundFile("note.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2,
                                    interleave(scaled(wave, 1.5), scaled(wave, 0.5)));
  const std::string flac =
      soundFile("note.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 48000, 1, note(48000));
  for (const std::string& file : {wav, flac}) {
    const ToolRun run = analyse("--json " + file);
    ASSERT_EQ(0, run.status) << run.err;
    EXPECT_EQ("", run.err);
    const auto all = passes(run.out);
    ASSERT_EQ(reference.size(), all.size()) << file;
    for (size_t i = 0; i < all.size(); ++i) {
      const JsonPass &p = all[i], &r = reference[i];
      EXPECT_EQ(r.time, p.time) << file;
      EXPECT_EQ(r.frames, p.frames) << file << " " << p.time;
      EXPECT_EQ(r.note, p.note) << file << " " << p.time;
      EXPECT_EQ(r.string, p.string) << file << " " << p.time;
      if (!std::isnan(r.cents)) {
        EXPECT_NEAR(r.cents, p.cents, 0.05) << file << " " << p.time;
      }
    }
  }

  // A FLAC cut short is read as far as it goes, and said to be.
  std::filesystem::resize_file(flac, std::filesystem::file_size(flac) / 2);
  const ToolRun cut = analyse("--json " + flac);
  EXPECT_EQ(0, cut.status);
  // The reason after the colon is libsndfile's ("flac decoder lost sync").
  EXPECT_EQ(0u, cut.err.find("quillon-analyse: " + flac + ": warning: the recording ends early: "))
      << cut.err;
}

// The note only on the right, another on the left: each channel on its own.
// A stereo AIFF, which the tuner's file source refuses and libsndfile reads.
TEST(QuillonAnalyseTest, ChannelTakesOneChannelOfTheFile) {
  const auto d = aifftest::tone(22050, 1.0, 146.83, 5), a = aifftest::tone(22050, 1.0, 110.5, 5);
  const std::string file =
      soundFile("two-notes.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 22050, 2, interleave(d, a));
  for (const auto& [channel, note, cents, within] :
       {std::tuple{"1", "\"D\"", 0.0, 1.0}, {"2", "\"A\"", 7.31, 0.05}}) {
    const ToolRun run = analyse(std::string("--json --channel ") + channel + " " + file);
    ASSERT_EQ(0, run.status) << run.err;
    const auto all = passes(run.out);
    ASSERT_EQ(4u, all.size());
    for (const auto& p : all) {
      EXPECT_EQ(note, p.note) << "channel " << channel;
      EXPECT_NEAR(cents, p.cents, within) << "channel " << channel;
    }
  }
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

  const std::string empty = aifftest::tempPath("empty.wav");
  const std::string text = aifftest::tempPath("notes.txt");
  aifftest::writeFile(empty, {});
  std::ofstream(text) << "E2 A2 D3 G3 B3 E4\n";
  const std::string silent =
      soundFile("zero.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, std::vector<int16_t>());
  // An AIFC whose samples neither reader can decode: the tuner's reader says why.
  const std::string compressed = aifftest::tempPath("compressed.aifc");
  aifftest::ChunkWriter aifc("AIFC");
  aifc.id("COMM").u32(24).u16(1).u32(100).u16(16).rate(22050).id("QDM2").u16(0);
  aifftest::writeFile(compressed, aifc.ssnd(std::vector<unsigned char>(200)).finish());
  const std::string stereo = soundFile("stereo.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 2,
                                       std::vector<int16_t>(200));
  const std::string mono = recording("mono.aiff", std::vector<int16_t>(200));
  for (const auto& [args, message] : std::vector<std::pair<std::string, std::string>>{
           {empty, empty + ": the file is empty"},
           {text, text + ": Format not recognised"},  // libsndfile's reason
           {silent, silent + ": the file holds no audio frames"},
           {compressed, compressed + ": compressed samples are not supported"},
           {"--channel 3 " + stereo, stereo + ": the file has 2 channels, so no channel 3"},
           {"--channel 2 " + mono, mono + ": the file has 1 channel, so no channel 2"}}) {
    run = analyse(args);
    EXPECT_EQ(1, run.status) << args;
    EXPECT_EQ("quillon-analyse: " + message + "\n", run.err);
    EXPECT_EQ("", run.out);
  }

  const std::string good = recording("args.aiff", std::vector<int16_t>(100));
  for (const std::string& args :
       {std::string(), "--tuning Guitar " + good, "--calibration abc " + good,
        "--calibration 0 " + good, "--string 0 " + good, "--string 7 " + good, "--bogus " + good,
        "--channel 0 " + good, "--channel " + good, good + " " + good, std::string("--tuning")}) {
    run = analyse(args);
    EXPECT_EQ(2, run.status) << args;
    EXPECT_NE(std::string::npos, run.err.find("Usage: quillon-analyse")) << args;
  }
}

}  // namespace
