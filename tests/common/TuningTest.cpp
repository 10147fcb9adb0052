#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <random>
#include <set>
#include <thread>
#include <vector>

#include "common/AudioSampleBuffer.h"
#include "common/Tuning.h"
#include "common/TuningCatalogue.h"
#include "common/UserTunings.h"
#include "platform/FFT.h"
#include "tests/support/AllocationCounter.h"
#include "tests/support/Scoped.h"

// Reaches the running spectrum and the peak search, so both can be checked on
// a spectrum set by hand.
class TuningTestSeam {
 public:
  static float* runningSpectrum(Tuning& tuning) { return tuning.fft_; }
  static const float* window(const Tuning& tuning) { return tuning.lastWindow_; }
  static void findMaxima(Tuning& tuning) { tuning.findMaxima(); }
  static const platform::FFT& fftSetup(const Tuning& tuning) { return *tuning.fftsetup_; }
};

namespace {

constexpr int kFramesPerPass = 5512;  // 0.25 s at 22050 Hz
constexpr int kLo = 59;               // 19.85 Hz
constexpr int kHi = 2972;             // 1000.0 Hz
constexpr int kA2Bin = 327;           // 110.02 Hz, on the guitar's A string
constexpr int kG3Bin = 582;           // 195.81 Hz, on its G string

std::unique_ptr<Tuning> makeGuitarTuning() {
  auto tuning = Tuning::initWithSampleRate(22050.0f);
  tuning->setTargetTuning(Tuning::tuningForId("guitar"));
  return tuning;
}

// A block of `frames` 16-bit samples holding the first five harmonics of
// `fundamental` with equal amplitudes, starting at phase 0.
std::unique_ptr<AudioSampleBuffer> harmonicTone(double fundamental, double amplitude,
                                                int frames = kFramesPerPass) {
  std::vector<int16_t> samples(frames);
  for (int i = 0; i < frames; ++i) {
    double value = 0;
    for (int h = 1; h <= 5; ++h)
      value += amplitude * std::sin(2 * M_PI * fundamental * h * i / 22050.0);
    samples[i] = static_cast<int16_t>(std::lrint(value));
  }
  auto buffer = AudioSampleBuffer::initWithBufferSize(44100);
  buffer->appendFrames(frames, samples.data(), frames * 2);
  return buffer;
}

std::shared_ptr<TuningData> recordFor(const Tuning& tuning, const std::string& soundName) {
  for (const auto& record : tuning.tuningData()) {
    if (record->targetNote()->soundName() == soundName) return record;
  }
  return nullptr;
}

std::vector<int> maximaOf(const Tuning& tuning) {
  return std::vector<int>(tuning.maxima(), tuning.maxima() + tuning.nmaxima());
}

// Sets the running spectrum to zero with isolated spikes of the given levels.
void setSpikes(Tuning& tuning, const std::vector<std::pair<int, float>>& spikes) {
  float* spectrum = TuningTestSeam::runningSpectrum(tuning);
  std::fill(spectrum, spectrum + tuning.bufferSize(), 0.0f);
  for (auto [bin, level] : spikes) spectrum[bin] = level;
}

void scoreSpikes(Tuning& tuning, const std::vector<std::pair<int, float>>& spikes) {
  setSpikes(tuning, spikes);
  TuningTestSeam::findMaxima(tuning);
  tuning.clearTuningData();
  tuning.applyFFT();
}

}  // namespace

// --- Catalogue -------------------------------------------------------------------

TEST(TuningTest, CatalogueKeepsTheStoredIdsInOrderAndSharesNotesByIdentity) {
  // The ids are what the preferences store; their order is the settings list.
  const auto& tunings = Tuning::definedTunings();
  ASSERT_LE(5u, tunings.size());
  const char* ids[] = {"guitar", "dropd", "banjo", "violin", "ukulele"};
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(tunings[i], Tuning::tuningForId(ids[i])) << ids[i];
  EXPECT_FALSE(Tuning::tuningForId("Guitar"));
  EXPECT_FALSE(Tuning::tuningForId(""));

  // The guitar's two E strings share a name and an image but are two notes.
  const auto& lowE = tunings[0]->tuningNotes[0];
  const auto& highE = tunings[0]->tuningNotes[5];
  EXPECT_NE(lowE, highE);
  EXPECT_EQ(lowE->name(), highE->name());
  EXPECT_EQ(lowE->imageName(), highE->imageName());
  EXPECT_NE(lowE->soundName(), highE->soundName());
}

TEST(TuningTest, UserTuningsAreReplacedAtRunTimeAndNothingHandedOutDangles) {
  const auto builtIn = Tuning::definedTunings();
  Tuning::registerUserTunings(parseUserTunings("Open C = C2 G2 C3\nGone = D2 A2\n").tuningList());
  ASSERT_EQ(builtIn.size() + 2, Tuning::definedTunings().size());
  const auto openC = Tuning::tuningForId("user:Open C");
  std::weak_ptr<const TuningDictionary> gone = Tuning::tuningForId("user:Gone");
  const TargetNote* forced = gone.lock()->tuningNotes[1].get();
  auto engine = Tuning::initWithSampleRate(22050.0f);
  engine->setTargetTuning(gone.lock());
  engine->setManualNoteSelection(forced);

  // "Open C" as it was, "Gone" gone, one added: what the editor does.
  Tuning::registerUserTunings(
      parseUserTunings("Open C = C2 G2 C3\nOpen E = E2 B2 E3\n").tuningList());
  const auto& now = Tuning::definedTunings();
  ASSERT_EQ(builtIn.size() + 2, now.size());
  EXPECT_TRUE(std::equal(builtIn.begin(), builtIn.end(), now.begin())) << "built-ins never change";
  EXPECT_EQ(openC, Tuning::tuningForId("user:Open C")) << "an unchanged tuning keeps its object";
  EXPECT_EQ("user:Open E", now.back()->tuningId);
  EXPECT_FALSE(Tuning::tuningForId("user:Gone"));
  // The retired tuning and its notes live on for whoever still holds them.
  engine->setTargetTuning(nullptr);
  ASSERT_FALSE(gone.expired());
  EXPECT_EQ(forced, gone.lock()->tuningNotes[1].get());
  EXPECT_EQ("A2", forced->pitchName());

  // A changed tuning is a new object under the same id.
  Tuning::registerUserTunings(parseUserTunings("Open C = C2 G2 C3 E3\n").tuningList());
  EXPECT_NE(openC, Tuning::tuningForId("user:Open C"));
  Tuning::registerUserTunings({});
  EXPECT_EQ(builtIn, Tuning::definedTunings());
}

TEST(TuningTest, PresetsFollowTheFirstFiveWithEqualTemperedNotesNamedByOneScheme) {
  const auto& tunings = Tuning::definedTunings();
  std::vector<std::string> ids;
  for (size_t i = 5; i < tunings.size(); ++i) ids.push_back(tunings[i]->tuningId);
  EXPECT_EQ(
      (std::vector<std::string>{"bass", "bass5", "cello", "viola", "guitar7", "guitar-eb", "dadgad",
                                "open-g", "open-d", "ukulele-baritone", "chromatic"}),
      ids);

  std::set<std::string> firstFiveSounds;
  for (size_t i = 0; i < 5; ++i) {
    for (const auto& note : tunings[i]->tuningNotes) firstFiveSounds.insert(note->soundName());
  }
  ASSERT_EQ(20u, firstFiveSounds.size());
  std::map<std::string, float> soundFrequency;
  std::set<std::string> idsSeen;
  for (size_t i = 0; i < tunings.size(); ++i) {
    const auto& tuning = *tunings[i];
    EXPECT_TRUE(idsSeen.insert(tuning.tuningId).second) << tuning.tuningId;
    EXPECT_NE(std::end(BuiltInTuningGroups),
              std::find(std::begin(BuiltInTuningGroups), std::end(BuiltInTuningGroups),
                        tuning.tuningGroup))
        << tuning.tuningId;
    std::optional<SoundTimbre> timbre;
    int previous = -1;
    for (const auto& note : tuning.tuningNotes) {
      SCOPED_TRACE(tuning.tuningId + " " + note->pitchName());
      ASSERT_TRUE(note->pitch());
      const NoteName& pitch = *note->pitch();
      // One sound name, one frequency: shared names are the same note.
      const auto [at, added] = soundFrequency.emplace(note->soundName(), note->frequency());
      EXPECT_EQ(at->second, note->frequency()) << note->soundName();
      // Every tuning's notes are of one timbre.
      if (!timbre) timbre = soundTimbre(note->soundName());
      EXPECT_TRUE(timbre);
      EXPECT_EQ(timbre, soundTimbre(note->soundName()));
      if (i < 5) continue;

      EXPECT_EQ(pitch.frequency(), note->frequency());
      EXPECT_EQ(pitch.displayLetter(), note->name());
      EXPECT_EQ(pitch.display(), note->pitchDisplayName());
      const std::string letter(1, static_cast<char>(pitch.letter() - 'A' + 'a'));
      const char* sign = pitch.accidental() == NoteName::Accidental::Sharp  ? "-sharp"
                         : pitch.accidental() == NoteName::Accidental::Flat ? "-flat"
                                                                            : "";
      EXPECT_EQ("button-fg-" + letter + sign + ".png", note->imageName());
      std::string sound = pitch.ascii();
      if (sound[1] == '#') sound[1] = 's';
      EXPECT_EQ(sound, note->soundName().substr(0, note->soundName().size() - 1));
      EXPECT_FALSE(firstFiveSounds.count(note->soundName()));
      // Lowest string first; no note twice.
      EXPECT_LT(previous, pitch.semitone());
      previous = pitch.semitone();
    }
  }
  EXPECT_EQ(SoundTimbre::Bowed,
            soundTimbre(Tuning::tuningForId("cello")->tuningNotes[0]->soundName()));
  EXPECT_EQ(SoundTimbre::Bowed,
            soundTimbre(Tuning::tuningForId("viola")->tuningNotes[0]->soundName()));
  EXPECT_EQ("Eb2p", Tuning::tuningForId("guitar-eb")->tuningNotes[0]->soundName());
  EXPECT_EQ("E\u266D", Tuning::tuningForId("guitar-eb")->tuningNotes[0]->name());

  // Chromatic: every semitone from B0 to B5, spelled with sharps.
  const auto& chromatic = Tuning::tuningForId("chromatic")->tuningNotes;
  ASSERT_EQ(61u, chromatic.size());
  EXPECT_EQ("B0", chromatic.front()->pitchName());
  EXPECT_EQ("B5", chromatic.back()->pitchName());
  for (size_t n = 1; n < chromatic.size(); ++n) {
    EXPECT_EQ(chromatic[n - 1]->pitch()->semitone() + 1, chromatic[n]->pitch()->semitone());
    EXPECT_NE(NoteName::Accidental::Flat, chromatic[n]->pitch()->accidental());
  }
}

// --- Creation ---------------------------------------------------------------------

TEST(TuningTest, FFTLengthIsTwiceThePowerOfTwoCoveringTheRate) {
  struct Case {
    float rate;
    int bufferSize;
  };
  for (auto c :
       {Case{22050.0f, 65536}, Case{8000.0f, 16384}, Case{16384.0f, 32768}, Case{1.0f, 2}}) {
    auto tuning = Tuning::initWithSampleRate(c.rate);
    ASSERT_TRUE(tuning) << c.rate;
    EXPECT_EQ(c.bufferSize, tuning->bufferSize()) << c.rate;
  }
  // No length exists for these.
  EXPECT_FALSE(Tuning::initWithSampleRate(0.0f));
  EXPECT_FALSE(Tuning::initWithSampleRate(-22050.0f));
  EXPECT_FALSE(Tuning::initWithSampleRate(NAN));
}

// --- Peak search ------------------------------------------------------------------

TEST(TuningPeakSearchTest, WorkedExampleFindsTwoPeaks) {
  auto tuning = makeGuitarTuning();
  float* spectrum = TuningTestSeam::runningSpectrum(*tuning);
  const float values[] = {1, 5, 100, 50, 1, 0.5f, 200, 3};
  std::fill(spectrum, spectrum + tuning->bufferSize(), 3.0f);
  for (int i = 0; i < 8; ++i) spectrum[kLo + i] = values[i];
  spectrum[kHi] = 10.0f;
  TuningTestSeam::findMaxima(*tuning);
  EXPECT_EQ((std::vector<int>{kLo + 2, kLo + 6}), maximaOf(*tuning));
}

TEST(TuningPeakSearchTest, SearchesOnlyBelow1000HzAndKeepsTheTwentyLowestPeaks) {
  auto tuning = makeGuitarTuning();
  // Spikes every 20 bins from just below the range to past its end.
  std::vector<std::pair<int, float>> spikes;
  for (int bin = kLo - 1; bin < kHi + 40; bin += 20) spikes.push_back({bin, 1000.0f});
  setSpikes(*tuning, spikes);
  TuningTestSeam::findMaxima(*tuning);
  std::vector<int> expected;
  for (int i = 1; i <= 20; ++i) expected.push_back(kLo - 1 + 20 * i);
  EXPECT_EQ(expected, maximaOf(*tuning));

  // A spike whose fall comes at or after hi is still open and not recorded.
  setSpikes(*tuning, {{kHi - 3, 1000.0f}, {kHi - 2, 900.0f}, {kHi - 1, 800.0f}});
  TuningTestSeam::findMaxima(*tuning);
  EXPECT_EQ(0, tuning->nmaxima());
}

// The search avoids most logarithms; it must decide a 36 dB fall exactly as
// the plain double-precision test would, also a few ulps either side of it.
TEST(TuningPeakSearchTest, DecidesThe36DbFallAsPlainLogarithmsWouldAtTheBoundary) {
  auto tuning = makeGuitarTuning();
  float* spectrum = TuningTestSeam::runningSpectrum(*tuning);
  std::mt19937 random(5);
  std::uniform_real_distribution<double> decades(-2.0, 7.0);
  for (int round = 0; round < 220; ++round) {
    // A peak at lo, then a flat floor near 10^1.8 below it up to hi.
    const auto peak = static_cast<float>(std::pow(10.0, decades(random)));
    auto floor = static_cast<float>(peak / 63.09573444801933);
    for (int n = round % 11 - 5; n != 0; n += n > 0 ? -1 : 1) {
      floor = std::nextafter(floor, n > 0 ? INFINITY : 0.0f);
    }
    std::fill(spectrum + kLo, spectrum + kHi, floor);
    spectrum[kLo] = peak;
    spectrum[kHi] = INFINITY;
    TuningTestSeam::findMaxima(*tuning);
    const bool falls =
        std::log10(static_cast<double>(floor)) + 1.8 < std::log10(static_cast<double>(peak));
    ASSERT_EQ(falls ? 1 : 0, tuning->nmaxima()) << peak << " over " << floor;
  }
}

// --- Whole passes -----------------------------------------------------------------

TEST(TuningTest, SteadyTone110_5HzSelectsA2SharpBy7_31Cents) {
  auto tuning = makeGuitarTuning();
  tuning->setApplyHammingWindow(true);
  // The same block every pass: a steady spectrum.
  const auto block = harmonicTone(110.5, 6000.0);
  for (int pass = 0; pass < 3; ++pass) {
    tuning->processSampleBuffer(*block);
    EXPECT_EQ((std::vector<int>{328, 657, 985, 1314, 1642}), maximaOf(*tuning)) << pass;

    const auto a2 = recordFor(*tuning, "A2g");
    ASSERT_EQ(a2, tuning->selectedNote()) << pass;
    const float expected[] = {110.36f, 221.05f, 331.41f, 442.10f, 552.46f};
    for (int h = 0; h < 5; ++h) EXPECT_NEAR(expected[h], a2->frequencyAtHarmonic(h), 0.005f);
    EXPECT_EQ(0.0f, a2->frequencyAtHarmonic(5));
    EXPECT_NEAR(7.31f, tuning->frequencyDeltaForNote(*a2), 0.005f);

    const auto lowE = recordFor(*tuning, "E2g");
    for (int h = 0; h < 8; ++h) {
      if (h == 3) {
        EXPECT_NEAR(331.41f, lowE->frequencyAtHarmonic(h), 0.005f);
      } else {
        EXPECT_EQ(0.0f, lowE->frequencyAtHarmonic(h)) << h;
      }
    }
    EXPECT_NEAR(9.27f, tuning->frequencyDeltaForNote(*lowE), 0.005f);
    EXPECT_LT(lowE->score(), a2->score());
  }
}

TEST(TuningTest, RealInputPassGivesTheComplexTransformInEveryBin) {
  auto tuning = makeGuitarTuning();
  tuning->setApplyHammingWindow(true);
  const int n = tuning->bufferSize();
  const auto complex =
      platform::FFT::createSetup(16, platform::FFT::Complex, platform::FFT::Planning::Estimated);
  const auto data = platform::SplitComplexArray::create(n);
  std::vector<float> magnitudes(n);
  std::vector<double> running(n, 0.0);

  for (int frames : {kFramesPerPass, 4000, kFramesPerPass, 4410, 6615, 5120, 5632, 4000, 4410}) {
    const auto block = harmonicTone(196.3, 3000.0, frames);
    tuning->processSampleBuffer(*block);

    // The window, from the stated double-precision formula, float for float.
    const float* window = TuningTestSeam::window(*tuning);
    std::fill(data->realp(), data->realp() + 2 * n, 0.0f);
    for (int i = 0; i < frames; ++i) {
      const float w = static_cast<float>(
          std::cos((static_cast<double>(i) * (2.0 * M_PI)) / static_cast<double>(frames - 1)) *
              -0.46164 +
          0.53836);
      ASSERT_EQ(w, window[i]) << i << " of " << frames;
      int16_t sample;
      memcpy(&sample, block->data() + 2 * i, 2);
      data->realp()[i] = static_cast<float>(sample) * w;
    }
    complex->zip(data->split(), 16);
    platform::FFT::zvabs(data->split(), magnitudes.data(), n);

    const float scale = *std::max_element(magnitudes.begin(), magnitudes.end());
    for (int k = 0; k < n; ++k) {
      running[k] = static_cast<float>(0.3 * running[k] + magnitudes[k]);
      ASSERT_NEAR(magnitudes[k], tuning->fftn()[k], 2e-6f * scale) << "bin " << k;
      ASSERT_NEAR(running[k], tuning->fft()[k], 4e-6f * scale) << "bin " << k;
    }
  }
}

TEST(TuningTest, OneFrameBlockStaysFiniteWithTheWindowOn) {
  auto tuning = makeGuitarTuning();
  tuning->setApplyHammingWindow(true);
  auto buffer = AudioSampleBuffer::initWithBufferSize(44100);
  const int16_t sample = 1000;
  buffer->appendFrames(1, &sample, 2);
  tuning->processSampleBuffer(*buffer);
  // One impulse at n = 0, window value 1: a flat spectrum of 1000 in every bin.
  for (int k = 0; k < tuning->bufferSize(); ++k) {
    ASSERT_EQ(1000.0f, tuning->fftn()[k]) << k;
    ASSERT_EQ(1000.0f, tuning->fft()[k]) << k;
  }
}

TEST(TuningTest, SilentPassesLowerEveryScoreByLog10Of0_3) {
  auto tuning = makeGuitarTuning();
  // 110.02 Hz at 10^7 is the A string with a score of exactly 7.0; the other
  // spike (195.81 Hz) gives the G string a lower score that must fall alike.
  scoreSpikes(*tuning, {{kA2Bin, 1.0e7f}, {kG3Bin, 2.0e6f}});
  const auto a2 = recordFor(*tuning, "A2g");
  ASSERT_EQ(7.0f, a2->score());
  ASSERT_EQ(a2, tuning->selectedNote());
  ASSERT_NEAR(std::log10(2.0e6f), recordFor(*tuning, "G3g")->score(), 1e-6f);

  std::vector<float> previous;
  for (const auto& record : tuning->tuningData()) previous.push_back(record->score());

  auto silence = AudioSampleBuffer::initWithBufferSize(44100);
  for (int pass = 1; pass <= 6; ++pass) {
    tuning->processSampleBuffer(*silence);
    EXPECT_EQ((std::vector<int>{kA2Bin, kG3Bin}), maximaOf(*tuning));
    for (size_t r = 0; r < tuning->tuningData().size(); ++r) {
      const float score = tuning->tuningData()[r]->score();
      if (std::isinf(previous[r])) {
        EXPECT_TRUE(std::isinf(score));
      } else {
        EXPECT_NEAR(previous[r] + std::log10(0.3f), score, 1e-5f) << pass;
      }
      previous[r] = score;
    }
    if (pass < 6) {
      EXPECT_EQ(a2, tuning->selectedNote()) << pass;
    } else {
      EXPECT_FALSE(tuning->selectedNote()) << "a score of 7.0 goes in the sixth silent pass";
    }
  }
}

TEST(TuningTest, PassWithTheWindowOnAllocatesNothing) {
  auto tuning = makeGuitarTuning();
  tuning->setApplyHammingWindow(true);
  const auto block = harmonicTone(110.5, 6000.0);
  const auto shorter = harmonicTone(110.5, 6000.0, 4410);
  tuning->processSampleBuffer(*block);

  test_support::startCountingAllocations();
  tuning->processSampleBuffer(*block);
  tuning->processSampleBuffer(*shorter);  // a new block length recomputes the window
  tuning->processSampleBuffer(*block);
  const long allocations = test_support::stopCountingAllocations();
  EXPECT_EQ(0, allocations);
  EXPECT_TRUE(tuning->selectedNote());

  // The counter itself works.
  test_support::startCountingAllocations();
  auto* probe = new std::vector<int>(100);
  const long seen = test_support::stopCountingAllocations();
  delete probe;
  EXPECT_GE(seen, 2);
}

// On a first start (no wisdom) passes run on a quick plan until the plan
// measured in the background is taken over, between passes: the latest
// block's spectrum is the same either side of the swap, and the pass that
// takes it over allocates nothing.
TEST(TuningThreadTest, FirstStartTakesOverTheMeasuredPlanBetweenPasses) {
  const test_support::TempDir directory("tuning");
  const test_support::ScopedEnv cacheHome("XDG_CACHE_HOME", directory.path().c_str());
  platform::FFT::forgetWisdom();
  auto tuning = makeGuitarTuning();
  tuning->setApplyHammingWindow(true);
  const platform::FFT& setup = TuningTestSeam::fftSetup(*tuning);
  const auto block = harmonicTone(110.5, 6000.0);
  tuning->processSampleBuffer(*block);
  // Measuring 65536 points takes far longer than one pass.
  ASSERT_TRUE(setup.awaitsMeasuredPlans());
  const std::vector<float> quick(tuning->fftn(), tuning->fftn() + tuning->bufferSize());
  const auto quickNote = tuning->selectedNote();

  test_support::startCountingAllocations();
  for (int waited = 0; setup.awaitsMeasuredPlans() && waited < 60'000; waited += 10) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    tuning->processSampleBuffer(*block);
  }
  const long allocations = test_support::stopCountingAllocations();
  ASSERT_FALSE(setup.awaitsMeasuredPlans());
  EXPECT_EQ(0, allocations);

  const float largest = *std::max_element(quick.begin(), quick.end());
  for (int k = 0; k < tuning->bufferSize(); ++k) {
    ASSERT_NEAR(quick[k], tuning->fftn()[k], largest * 2e-6f) << "bin " << k;
  }
  EXPECT_TRUE(quickNote);
  EXPECT_EQ(quickNote, tuning->selectedNote());
  platform::FFT::forgetWisdom();
}

// --- Scoring and selection -----------------------------------------------------------

TEST(TuningTest, SelectionTakesTheBestScoreAboveFourAndTiesGoToTheEarlierNote) {
  auto tuning = makeGuitarTuning();
  scoreSpikes(*tuning, {{kA2Bin, 1.0e6f}, {kG3Bin, 1.0e6f}});
  const auto a2 = recordFor(*tuning, "A2g");
  const auto g3 = recordFor(*tuning, "G3g");
  ASSERT_EQ(a2->score(), g3->score());
  EXPECT_EQ(a2, tuning->selectedNote());

  scoreSpikes(*tuning, {{kA2Bin, 1.0e6f}, {kG3Bin, 1.1e6f}});
  EXPECT_EQ(g3, tuning->selectedNote());

  // Exactly 4.0 is not above the threshold.
  scoreSpikes(*tuning, {{kA2Bin, 1.0e4f}});
  ASSERT_EQ(4.0f, a2->score());
  EXPECT_FALSE(tuning->selectedNote());
}

TEST(TuningTest, ManualSelectionMatchesByIdentityAndOnlyAboveFour) {
  auto tuning = makeGuitarTuning();
  const auto guitar = tuning->targetTuning();

  tuning->setManualNoteSelection(guitar->tuningNotes[3]);  // G3g, the quieter one
  scoreSpikes(*tuning, {{kA2Bin, 1.0e7f}, {kG3Bin, 1.0e5f}});
  EXPECT_EQ(recordFor(*tuning, "G3g"), tuning->selectedNote());

  scoreSpikes(*tuning, {{kA2Bin, 1.0e7f}, {kG3Bin, 1.0e4f}});
  EXPECT_FALSE(tuning->selectedNote()) << "a forced note at exactly 4.0 is too quiet";

  // Equal contents are not enough: drop-D's A is another note.
  tuning->setManualNoteSelection(Tuning::tuningForId("dropd")->tuningNotes[1]);
  scoreSpikes(*tuning, {{kA2Bin, 1.0e7f}});
  EXPECT_FALSE(tuning->selectedNote());

  tuning->setManualNoteSelection(nullptr);
  scoreSpikes(*tuning, {{kA2Bin, 1.0e7f}});
  EXPECT_EQ(recordFor(*tuning, "A2g"), tuning->selectedNote());
}

TEST(TuningTest, ChangingTheTuningRebuildsRecordsButKeepsTheSelectionReadable) {
  auto tuning = makeGuitarTuning();
  scoreSpikes(*tuning, {{kA2Bin, 1.0e7f}});
  const auto selected = tuning->selectedNote();
  const auto records = tuning->tuningData();

  tuning->setTargetTuning(Tuning::tuningForId("guitar"));  // the same object: nothing happens
  EXPECT_EQ(records, tuning->tuningData());

  tuning->setTargetTuning(Tuning::tuningForId("violin"));
  ASSERT_EQ(4u, tuning->tuningData().size());
  EXPECT_EQ(Tuning::tuningForId("violin")->tuningNotes[2], tuning->tuningData()[2]->targetNote());
  EXPECT_EQ(selected, tuning->selectedNote());
  EXPECT_EQ(7.0f, tuning->selectedNote()->score());
}

TEST(TuningTest, CalibrationScalesTargets) {
  auto tuning = makeGuitarTuning();
  const auto a2 = recordFor(*tuning, "A2g");
  a2->addSampleWithFrequency(110.0f, 1.0e6f, 440);
  EXPECT_EQ(0.0f, tuning->frequencyDeltaForNote(*a2));
  tuning->setCalibration(442);
  EXPECT_NEAR(-7.85f, tuning->frequencyDeltaForNote(*a2), 0.005f);
  a2->reset();
  a2->addSampleWithFrequency(110.0f, 1.0e6f, 442);
  EXPECT_NEAR(-7.85f, tuning->frequencyDeltaForNote(*a2), 0.005f);
  a2->reset();
  EXPECT_EQ(0.0f, tuning->frequencyDeltaForNote(*a2)) << "nothing detected";
}

TEST(TuningDeathTest, PassWithoutTuningDataIsABrokenInvariant) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto tuning = Tuning::initWithSampleRate(22050.0f);
  auto buffer = AudioSampleBuffer::initWithBufferSize(4);
  EXPECT_DEATH(tuning->processSampleBuffer(*buffer), "common/Tuning.*No tuning data");
}

// --- The low string of an octave or twelfth pair ------------------------------------

namespace {

// `blocks` passes of a steady tone: partial n (1-based) at n x f0 with
// amplitudes[n - 1].
std::vector<std::unique_ptr<AudioSampleBuffer>> toneBlocks(double f0,
                                                           const std::vector<double>& amplitudes,
                                                           int blocks) {
  std::vector<std::unique_ptr<AudioSampleBuffer>> list;
  for (int b = 0; b < blocks; ++b) {
    std::vector<int16_t> samples(kFramesPerPass);
    for (int i = 0; i < kFramesPerPass; ++i) {
      const double t = (b * kFramesPerPass + i) / 22050.0;
      double value = 0;
      for (size_t n = 0; n < amplitudes.size(); ++n)
        value += amplitudes[n] * std::sin(2 * M_PI * f0 * (n + 1) * t + n);
      samples[i] = static_cast<int16_t>(std::lrint(value));
    }
    list.push_back(AudioSampleBuffer::initWithBufferSize(2 * kFramesPerPass));
    list.back()->appendFrames(kFramesPerPass, samples.data(), 2 * kFramesPerPass);
  }
  return list;
}

// Partials 1/n of a string, the fundamental `fundamentalDb` below the 2nd.
std::vector<double> stringPartials(double fundamentalDb, int count = 12) {
  std::vector<double> a;
  for (int n = 1; n <= count; ++n) a.push_back(4000.0 / n);
  a[0] = a[1] * std::pow(10.0, -fundamentalDb / 20.0);
  return a;
}

// The best score above the threshold alone, as the selection was before it
// looked for the low string.
std::string bestScoreName(const Tuning& tuning) {
  std::shared_ptr<TuningData> best;
  for (const auto& record : tuning.tuningData()) {
    if (record->score() > Tuning::kScoreThreshold && (!best || record->score() > best->score()))
      best = record;
  }
  return best ? best->targetNote()->pitchName() : "none";
}

struct Heard {
  std::string bestScore;
  std::string selected;
};

// What the last of `passes` passes of the tone gives in the tuning.
Heard hear(const char* tuningId, double f0, const std::vector<double>& amplitudes) {
  auto tuning = Tuning::initWithSampleRate(22050.0f);
  tuning->setTargetTuning(Tuning::tuningForId(tuningId));
  tuning->setApplyHammingWindow(true);
  for (const auto& block : toneBlocks(f0, amplitudes, 4)) tuning->processSampleBuffer(*block);
  const auto& selected = tuning->selectedNote();
  return {bestScoreName(*tuning), selected ? selected->targetNote()->pitchName() : "none"};
}

}  // namespace

TEST(TuningLowerStringTest, ReadsTheLowStringOfAnOctaveOrTwelfthPairAndTheUpperOneAlone) {
  // Drop-D's low D with its fundamental 25 dB under the 2nd partial: D3's
  // record collects D2's even partials at higher weights and outscores it.
  auto heard = hear("dropd", 73.42, stringPartials(25.0));
  EXPECT_EQ("D3", heard.bestScore);
  EXPECT_EQ("D2", heard.selected);
  heard = hear("dropd", 146.83, stringPartials(0.0));
  EXPECT_EQ("D3", heard.selected) << "the upper string alone";
  heard = hear("dropd", 146.83, stringPartials(20.0));
  EXPECT_EQ("D3", heard.selected) << "the upper string alone, weak fundamental";

  // A twelfth: a low C whose 3rd partial is the strongest reads as G3.
  auto cello = stringPartials(20.0);
  cello[2] = 2.5 * cello[1];
  heard = hear("chromatic", 65.41, cello);
  EXPECT_EQ("G3", heard.bestScore);
  EXPECT_EQ("C2", heard.selected);
  heard = hear("chromatic", 196.0, stringPartials(0.0));
  EXPECT_EQ("G3", heard.selected) << "the upper note alone";

  // Two steps: a D2 whose 4th partial dominates scores best as D4; D3 is the
  // octave below that, D2 the octave below D3.
  auto twoOctaves = stringPartials(20.0);
  twoOctaves[3] = 2 * twoOctaves[1];
  twoOctaves[1] *= 0.3;
  heard = hear("dadgad", 73.42, twoOctaves);
  EXPECT_EQ("D4", heard.bestScore);
  EXPECT_EQ("D2", heard.selected);
}

TEST(TuningLowerStringTest, NeedsTheLowStringsOwnScoreAboveFourAndLeavesManualChoicesAlone) {
  // Drop-D: E4 (329.72 Hz) at level x, and the A2 string's harmonics 1 and 5
  // (110.02 and 550.03 Hz) 15.9 dB under it, which E4 cannot explain. A2's
  // record also holds E4 as its 3rd harmonic.
  constexpr int kE4Bin = 980, kA2FifthBin = 1635;
  auto tuning = Tuning::initWithSampleRate(22050.0f);
  tuning->setTargetTuning(Tuning::tuningForId("dropd"));
  const auto score = [&](float x) {
    scoreSpikes(*tuning, {{kA2Bin, 0.16f * x}, {kE4Bin, x}, {kA2FifthBin, 0.16f * x}});
  };
  score(1.2e4f);
  const auto a2 = recordFor(*tuning, "A2g");
  const auto e4 = recordFor(*tuning, "E4g");
  ASSERT_GT(e4->score(), 4.0f);
  ASSERT_LT(a2->score(), 4.0f);
  EXPECT_EQ(e4, tuning->selectedNote()) << "A2 is too quiet to be shown at all";

  score(2.0e4f);
  ASSERT_GT(a2->score(), 4.0f);
  ASSERT_GT(e4->score(), a2->score());
  EXPECT_EQ(a2, tuning->selectedNote());

  tuning->setManualNoteSelection(e4->targetNote());
  score(2.0e4f);
  EXPECT_EQ(e4, tuning->selectedNote()) << "a string chosen by hand stays chosen";
}

TEST(TuningLowerStringTest, AStringRingingAFourthOrFifthBelowDoesNotMakeTheNoteBelow) {
  auto tuning = Tuning::initWithSampleRate(22050.0f);
  tuning->setTargetTuning(Tuning::tuningForId("chromatic"));
  const auto heard = [&](std::vector<std::pair<int, float>> spikes) {
    scoreSpikes(*tuning, spikes);
    return tuning->selectedNote() ? tuning->selectedNote()->targetNote()->pitchName() : "none";
  };
  // A2 played (110, 220, 330, 440 Hz) while E2 still rings 10 dB under it:
  // E2's 2nd partial (164.86 Hz) sits where A1's 3rd harmonic would, but A1
  // has three more harmonics to show and shows none.
  EXPECT_EQ("A2", heard({{327, 1e6f}, {490, 3e5f}, {654, 1e6f}, {981, 1e6f}, {1308, 1e6f}}));
  // G2 played (98, 196, 294, 392 Hz) while C2 rings (65.41, 130.8, 261.6 Hz):
  // C2's partials are C1's 2nd, 4th and 8th, which C1's octave explains as
  // well as C1 would.
  EXPECT_EQ("G2", heard({{194, 3e5f},
                         {291, 1e6f},
                         {389, 3e5f},
                         {583, 1e6f},
                         {777, 3e5f},
                         {874, 1e6f},
                         {1165, 1e6f}}));
}
