// The generated reference notes, read back as the tuner would hear them.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "common/AudioSampleBuffer.h"
#include "common/Tuning.h"

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

double rms(const std::vector<int16_t>& s, size_t from, size_t count) {
  double sum = 0;
  for (size_t i = from; i < from + count; ++i) sum += double(s[i]) * s[i];
  return std::sqrt(sum / count);
}

}  // namespace

TEST(ReferenceNotesTest, EveryNoteReadsAsItselfWithinThreeCents) {
  std::set<std::string> checked;
  float worst = 0;
  for (const auto& tuning : Tuning::definedTunings()) {
    for (const auto& note : tuning->tuningNotes) {
      SCOPED_TRACE(tuning->tuningId + " " + note->soundName());
      SF_INFO info;
      const auto samples = readNote(note->soundName(), info);
      ASSERT_FALSE(samples.empty()) << "missing or unreadable";
      EXPECT_EQ(SF_FORMAT_CAF | SF_FORMAT_PCM_16, info.format);
      EXPECT_EQ(1, info.channels);
      ASSERT_GE(info.samplerate, 22050);
      EXPECT_NEAR(2.5, double(info.frames) / info.samplerate, 0.01);
      checked.insert(note->soundName());

      // Heard the way the tuner hears the microphone: a block every 0.25 s,
      // Hamming window on, this tuning as the target.
      auto tuner = Tuning::initWithSampleRate(float(info.samplerate));
      ASSERT_NE(nullptr, tuner);
      tuner->setTargetTuning(tuning);
      tuner->setApplyHammingWindow(true);
      auto buffer = AudioSampleBuffer::initWithBufferSize(info.samplerate * 2);
      const int block = info.samplerate / 4;
      int passesOnNote = 0;
      for (int pass = 0; pass < 8; ++pass) {
        buffer->reset();
        buffer->appendFrames(block, samples.data() + size_t(pass) * block, block * 2);
        tuner->processSampleBuffer(*buffer);
        const auto& selected = tuner->selectedNote();
        if (pass < 1) continue;  // the running spectrum needs a pass to settle
        if (!selected) {
          ADD_FAILURE() << "nothing heard in pass " << pass;
          continue;
        }
        EXPECT_EQ(note.get(), selected->targetNote().get())
            << "pass " << pass << " heard " << selected->targetNote()->soundName();
        const float cents = tuner->frequencyDeltaForNote(*selected);
        EXPECT_LE(std::abs(cents), 3.0f) << "pass " << pass;
        worst = std::max(worst, std::abs(cents));
        passesOnNote++;
      }
      EXPECT_EQ(7, passesOnNote);

      // Natural shape: silent at both ends, plucked notes decay.
      EXPECT_LT(std::abs(samples.front()), 100);
      EXPECT_LT(std::abs(samples.back()), 100);
      const size_t half = size_t(info.samplerate) / 2;
      if (tuning->tuningId != "violin") {
        EXPECT_LT(rms(samples, 4 * half, half), 0.5 * rms(samples, 0, half));
      }
    }
  }
  // The first five tunings' twenty notes, and the presets'.
  EXPECT_LT(20u, checked.size());
  RecordProperty("worstCents", std::to_string(worst));
  std::printf("worst deviation %.2f cents\n", worst);
}
