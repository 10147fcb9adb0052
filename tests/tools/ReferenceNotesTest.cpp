// The reference notes, read back as the tuner would hear them: the files the
// build writes for every built-in tuning, and the notes the app synthesises
// for a user tuning's strings.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "audio/NoteSynth.h"
#include "common/AudioSampleBuffer.h"
#include "common/TargetNote.h"
#include "common/Tuning.h"
#include "common/TuningCatalogue.h"

namespace {

std::vector<int16_t> readNote(const std::string& name, SF_INFO& info) {
  const std::string path = std::string(QUILLON_TEST_RESOURCE_DIR) + "/" + name + ".caf";
  info = SF_INFO{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return {};
  std::vector<int16_t> samples(size_t(info.frames) * info.channels);
  samples.resize(size_t(sf_readf_short(file, samples.data(), info.frames)) * info.channels);
  sf_close(file);
  return samples;
}

double rms(const std::vector<int16_t>& s, double fromSeconds, double seconds, int rate) {
  const size_t from = size_t(fromSeconds * rate), count = size_t(seconds * rate);
  double sum = 0;
  for (size_t i = from; i < from + count; ++i) sum += double(s[i]) * s[i];
  return std::sqrt(sum / count);
}

// Heard the way the tuner hears the microphone: a block every 0.25 s,
// Hamming window on, `tuning` as the target. Every pass after the first (the
// running spectrum needs one to settle) must show `note` within 3 cents.
float expectHeardAs(const std::vector<int16_t>& samples, int rate,
                    const std::shared_ptr<const TuningDictionary>& tuning, const TargetNote& note) {
  auto tuner = Tuning::initWithSampleRate(float(rate));
  tuner->setTargetTuning(tuning);
  tuner->setApplyHammingWindow(true);
  auto buffer = AudioSampleBuffer::initWithBufferSize(rate * 2);
  const int block = rate / 4;
  float worst = 0;
  for (int pass = 0; pass < 8; ++pass) {
    buffer->reset();
    buffer->appendFrames(block, samples.data() + size_t(pass) * block, block * 2);
    tuner->processSampleBuffer(*buffer);
    const auto& selected = tuner->selectedNote();
    if (pass < 1) continue;
    if (!selected) {
      ADD_FAILURE() << "nothing heard in pass " << pass;
      continue;
    }
    EXPECT_EQ(&note, selected->targetNote().get())
        << "pass " << pass << " heard " << selected->targetNote()->soundName();
    const float cents = tuner->frequencyDeltaForNote(*selected);
    EXPECT_LE(std::abs(cents), 3.0f) << "pass " << pass;
    worst = std::max(worst, std::abs(cents));
  }
  return worst;
}

}  // namespace

TEST(ReferenceNotesTest, EveryBuiltInNoteHasAFileThatReadsAsItselfInItsInstrumentsShape) {
  std::set<std::string> checked;
  float worst = 0;
  for (const auto& tuning : Tuning::definedTunings()) {
    // The violin family is bowed: the tone holds. Every other string is
    // plucked and dies away.
    const bool bowed = tuning->tuningGroup == ViolinFamilyGroup;
    for (const auto& note : tuning->tuningNotes) {
      SCOPED_TRACE(tuning->tuningId + " " + note->soundName());
      SF_INFO info;
      const auto samples = readNote(note->soundName(), info);
      ASSERT_FALSE(samples.empty()) << "missing or unreadable";
      EXPECT_EQ(SF_FORMAT_CAF | SF_FORMAT_PCM_16, info.format);
      EXPECT_EQ(1, info.channels);
      ASSERT_GE(info.samplerate, 22050);
      ASSERT_NEAR(2.5, double(info.frames) / info.samplerate, 0.01);
      checked.insert(note->soundName());

      worst = std::max(worst, expectHeardAs(samples, info.samplerate, tuning, *note));

      // Silent at both ends; then the shape of a bow or of a pluck.
      EXPECT_LT(std::abs(samples.front()), 100);
      EXPECT_LT(std::abs(samples.back()), 100);
      const int rate = info.samplerate;
      const double early = rms(samples, 0.25, 0.5, rate), late = rms(samples, 1.5, 0.5, rate);
      if (bowed) {
        EXPECT_NEAR(1.0, late / early, 0.15) << "a bowed note holds";
      } else {
        EXPECT_LT(late, 0.7 * early) << "a plucked note decays";
        EXPECT_LT(rms(samples, 2.0, 0.5, rate), 0.5 * rms(samples, 0, 0.5, rate));
      }
    }
  }
  // The first five tunings' twenty notes, the presets' and chromatic's.
  EXPECT_EQ(116u, checked.size());
  RecordProperty("worstCents", std::to_string(worst));
  std::printf("worst deviation %.2f cents\n", worst);
}

// The first five tunings' twenty notes are the files shipped from the start:
// the build still makes them the way it always has, with the seed of each
// name's place in the catalogue and the voice of its timbre letter.
TEST(ReferenceNotesTest, TheFirstFiveTuningsNotesAreMadeAsTheyAlwaysWere) {
  std::set<std::string> seen;
  uint32_t seed = 1;
  for (const auto& tuning : Tuning::definedTunings()) {
    for (const auto& note : tuning->tuningNotes) {
      if (!seen.insert(note->soundName()).second) continue;
      if (seen.size() > 20) return;
      SCOPED_TRACE(note->soundName());
      SF_INFO info;
      EXPECT_EQ(notesynth::synthesize(notesynth::timbreForSoundName(note->soundName()),
                                      note->frequency(), seed++),
                readNote(note->soundName(), info));
    }
  }
}

// A user tuning's notes have no file: the app synthesises them from the
// note's frequency, as a plucked string, down to the lowest and up to the
// highest fundamental a user tuning may have.
TEST(ReferenceNotesTest, AUserNoteIsSynthesisedAtItsOwnPitch) {
  auto tuning = std::make_shared<const TuningDictionary>(
      TuningDictionary{"user-low",
                       "Low and high",
                       {
                           TargetNote::initWithName("G", "button-fg-g.png", "f2501x", 25.01f),
                           TargetNote::initWithName("D", "button-fg-d.png", "D2x", 73.42f),
                           TargetNote::initWithName("G", "button-fg-g.png", "f9850x", 98.5f),
                           TargetNote::initWithName("B", "button-fg-b.png", "B5x", 987.77f),
                       }});
  for (const auto& note : tuning->tuningNotes) {
    SCOPED_TRACE(note->soundName());
    const auto samples =
        notesynth::synthesize(notesynth::timbreForSoundName(note->soundName()), note->frequency(),
                              notesynth::seedForSoundName(note->soundName()));
    ASSERT_EQ(size_t(notesynth::kFrames), samples.size());
    expectHeardAs(samples, notesynth::kSampleRate, tuning, *note);
    EXPECT_LT(rms(samples, 1.5, 0.5, notesynth::kSampleRate),
              0.7 * rms(samples, 0.25, 0.5, notesynth::kSampleRate));
  }
}
