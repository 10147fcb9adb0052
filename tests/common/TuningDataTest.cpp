#include <gtest/gtest.h>

#include <cmath>

#include "common/Tuning.h"
#include "common/TuningData.h"

namespace {

std::shared_ptr<TuningData> recordOf(const char* tuningId, size_t index) {
  return TuningData::initWithTargetNote(Tuning::tuningForId(tuningId)->tuningNotes[index]);
}

float centsAbove(float frequency, double cents) {
  return static_cast<float>(frequency * std::pow(2.0, cents / 1200.0));
}

}  // namespace

TEST(TuningDataTest, MatchesPeaksWithinHalfASemitone) {
  const auto a2 = recordOf("guitar", 1);  // 110.0 Hz
  for (double cents : {49.9, -49.9}) {
    a2->reset();
    a2->addSampleWithFrequency(centsAbove(110.0f, cents), 100.0f, 440);
    EXPECT_EQ(100.0f, a2->levelAtHarmonic(0)) << cents;
    // The same distance from the third harmonic.
    a2->addSampleWithFrequency(centsAbove(330.0f, cents), 50.0f, 440);
    EXPECT_EQ(50.0f, a2->levelAtHarmonic(2)) << cents;
  }
  for (double cents : {50.05, -50.05, 120.0}) {
    a2->reset();
    a2->addSampleWithFrequency(centsAbove(110.0f, cents), 100.0f, 440);
    a2->addSampleWithFrequency(centsAbove(330.0f, cents), 100.0f, 440);
    for (int h = 0; h < 8; ++h) EXPECT_EQ(0.0f, a2->levelAtHarmonic(h)) << cents << " h" << h;
  }
}

TEST(TuningDataTest, KeepsTheStrongestPeakAndTheFirstOfEqualOnes) {
  const auto a2 = recordOf("guitar", 1);
  a2->addSampleWithFrequency(109.9f, 10.0f, 440);
  a2->addSampleWithFrequency(110.1f, 10.0f, 440);
  EXPECT_EQ(109.9f, a2->frequencyAtHarmonic(0));
  a2->addSampleWithFrequency(110.2f, 20.0f, 440);
  EXPECT_EQ(110.2f, a2->frequencyAtHarmonic(0));
  EXPECT_EQ(20.0f, a2->levelAtHarmonic(0));
  a2->addSampleWithFrequency(110.0f, 5.0f, 440);
  EXPECT_EQ(110.2f, a2->frequencyAtHarmonic(0));
}

TEST(TuningDataTest, ScoreWeighsHarmonicsByPowersOfThreeQuarters) {
  const auto a2 = recordOf("guitar", 1);
  a2->computeNoteScore();
  EXPECT_TRUE(std::isinf(a2->score()) && a2->score() < 0) << "nothing matched";

  // Only the third harmonic, exactly on target.
  a2->addSampleWithFrequency(330.0f, 1000.0f, 440);
  a2->computeNoteScore();
  EXPECT_EQ(log10f(0.5625f * 1000.0f), a2->score());
  auto tuning = Tuning::initWithSampleRate(22050.0f);
  EXPECT_EQ(0.0f, tuning->frequencyDeltaForNote(*a2));

  // All eight at one level: the weights 0.75^0 ... 0.75^7 sum to (1 - 0.75^8) / 0.25.
  a2->reset();
  for (int h = 0; h < 8; ++h) a2->addSampleWithFrequency(110.0f * (h + 1), 1000.0f, 440);
  a2->computeNoteScore();
  EXPECT_NEAR(std::log10(1000.0 * (1 - std::pow(0.75, 8)) / 0.25), a2->score(), 1e-5);

  a2->reset();
  EXPECT_EQ(0.0f, a2->score());
  EXPECT_EQ(0.0f, a2->levelAtHarmonic(0));
}

TEST(TuningDataTest, OnePeakCanServeSeveralNotes) {
  // Drop-D: 146.83 Hz is the D3 fundamental and the D2 second harmonic (146.84 Hz).
  const auto d2 = recordOf("dropd", 0);
  const auto d3 = recordOf("dropd", 2);
  d2->addSampleWithFrequency(146.83f, 1.0e5f, 440);
  d3->addSampleWithFrequency(146.83f, 1.0e5f, 440);
  EXPECT_EQ(146.83f, d2->frequencyAtHarmonic(1));
  EXPECT_EQ(0.0f, d2->frequencyAtHarmonic(0));
  EXPECT_EQ(146.83f, d3->frequencyAtHarmonic(0));
}
