#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "audio/SoundGenerator.h"
#include "platform/AudioUnit.h"
#include "platform/RunLoop.h"
#include "tests/support/AllocationCounter.h"
#include "tests/support/ManualClockTest.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

std::vector<int16_t> render(uint32_t start, uint32_t count, double amplitude, double frequency) {
  std::vector<int16_t> samples(count, 12345);
  RenderSin(start, count, samples.data(), amplitude, frequency);
  return samples;
}

// ---------------------------------------------------------------- RenderSin

TEST(RenderSinTest, ZeroFrequencyIsSilentAtAnyGainAndZeroGainAtAnyFrequency) {
  for (double gain : {0.0, 0.5, 1.0}) {
    for (int16_t s : render(0, 256, gain, 0.0)) ASSERT_EQ(0, s) << "gain " << gain;
    for (int16_t s : render(123456789, 256, gain, 0.0)) ASSERT_EQ(0, s) << "gain " << gain;
  }
  for (int16_t s : render(0, 1024, 0.0, 440.0)) ASSERT_EQ(0, s);
}

TEST(RenderSinTest, FullScaleCrestSaturatesInsteadOfWrapping) {
  const auto samples = render(0, 8, 1.0, 2000.0);
  EXPECT_EQ(0, samples[0]);
  EXPECT_EQ(32767, samples[1]);  // 1.0 x 32768 would not fit
  EXPECT_EQ(-32767, samples[3]);
  EXPECT_EQ(32767, samples[5]);
}

TEST(RenderSinTest, FollowsTheSineOfTheAbsoluteFrameNumber) {
  const double f = 440.0, gain = 0.7;
  const uint32_t start = 1000000;
  const auto samples = render(start, 20000, gain, f);
  for (uint32_t i = 0; i < samples.size(); ++i) {
    const double n = static_cast<double>(start) + i;
    const double ideal = gain * std::sin(kTwoPi * std::fmod(n * f / 8000.0, 1.0)) * 32768.0;
    // Adding 0.5 and truncating toward zero is off by up to 1.5 below zero.
    ASSERT_NEAR(ideal, samples[i], 1.5) << "frame " << n;
  }
}

TEST(RenderSinTest, StartFrameIsUnsigned) {
  // W = 3 frames: 2^32 - 1 is a whole number of periods, so the sample is ~0.
  // Read as a signed -1 it would be a third of a period off (-0.87 x gain).
  const auto samples = render(0xFFFFFFFFu, 1, 0.5, 8000.0 / 3.0);
  EXPECT_LE(std::abs(samples[0]), 1);
}

// ------------------------------------------------- generator on a test unit

// The generator on an output unit that opens no device: buffers are pulled
// by hand with AudioUnitProcessOutput, and envelope ticks come from the
// run loop's manual clock.
class SoundGeneratorTest : public ManualRunLoopTest {
 protected:
  void SetUp() override {
    platform::AudioUnitSetDevicelessForTesting(true);
    ManualRunLoopTest::SetUp();
  }
  void TearDown() override {
    ManualRunLoopTest::TearDown();
    platform::AudioUnitSetDevicelessForTesting(false);
  }
  static void tick() { loop().advanceBy(SoundGenerator::kEnvelopeInterval); }

  std::vector<int16_t> pull(SoundGenerator& generator, uint32_t frames) {
    std::vector<int16_t> samples(frames);
    platform::AudioUnitProcessOutput(generator.outputUnit(), samples.data(),
                                     frames * sizeof(int16_t));
    return samples;
  }
};

TEST_F(SoundGeneratorTest, RendererGoesOnFromItsFrameCountInsideTheBufferWithoutAllocating) {
  auto generator = SoundGenerator::init();
  generator->startAU();
  generator->setFrequency(440.0);
  generator->setAmplitude(0.5);
  EXPECT_EQ(render(0, 256, 0.5, 440.0), pull(*generator, 256));

  std::vector<int16_t> samples(300, 777);
  AudioBufferList list{1, {{1, 100 * sizeof(int16_t), samples.data()}}};
  test_support::startCountingAllocations();
  // Asked for more frames than the buffer holds.
  const platform::OSStatus status = MyRenderer(generator.get(), nullptr, nullptr, 0, 300, &list);
  const long allocations = test_support::stopCountingAllocations();
  EXPECT_EQ(0, status);
  EXPECT_EQ(0, allocations);
  EXPECT_EQ(render(256, 100, 0.5, 440.0),
            std::vector<int16_t>(samples.begin(), samples.begin() + 100));
  EXPECT_EQ(777, samples[100]);
}

TEST_F(SoundGeneratorTest, NoteChangeFadesOutAtTheOldFrequencyThenFadesInTheNew) {
  auto generator = SoundGenerator::init();
  generator->startSoundWithFrequency(440.0f, 0.8f);
  EXPECT_EQ(440.0, generator->frequency());  // at once: nothing was sounding
  for (int k = 1; k <= 8; ++k) {
    tick();
    EXPECT_FLOAT_EQ(0.1f * k, static_cast<float>(generator->amplitude())) << "tick " << k;
  }

  generator->startSoundWithFrequency(659.26f, 0.4f);
  for (int k = 1; k <= 16; ++k) {
    tick();
    if (k < 8) {
      EXPECT_EQ(440.0, generator->frequency()) << "tick " << k;
      EXPECT_FLOAT_EQ(0.8f - 0.1f * k, static_cast<float>(generator->amplitude())) << "tick " << k;
    } else if (k == 8) {
      // The fade-out ends exactly at silence, and only then does the pitch move.
      EXPECT_EQ(0.0, generator->amplitude());
      EXPECT_EQ(static_cast<double>(659.26f), generator->frequency());
    } else {
      EXPECT_EQ(static_cast<double>(659.26f), generator->frequency()) << "tick " << k;
      EXPECT_FLOAT_EQ(0.05f * (k - 8), static_cast<float>(generator->amplitude())) << "tick " << k;
    }
  }
  EXPECT_EQ(static_cast<double>(0.4f), generator->amplitude());
  EXPECT_EQ(0u, loop().timerCount());
}

TEST_F(SoundGeneratorTest, StopSoundFadesToExactSilenceAndTheNextStartFadesIn) {
  auto generator = SoundGenerator::init();
  generator->startAU();
  generator->startSoundWithFrequency(196.0f, 0.3f);
  for (int k = 0; k < 8; ++k) tick();
  generator->stopSound();
  for (int k = 0; k < 8; ++k) tick();
  EXPECT_EQ(0.0, generator->amplitude());
  EXPECT_TRUE(generator->started());  // the unit keeps running, rendering zeros
  for (int16_t s : pull(*generator, 128)) ASSERT_EQ(0, s);

  // Silent again, so a new note switches its pitch at once.
  generator->startSoundWithFrequency(293.66f, 0.3f);
  EXPECT_EQ(static_cast<double>(293.66f), generator->frequency());
}

TEST_F(SoundGeneratorTest, RunningRampKeepsTheGeneratorAlive) {
  std::weak_ptr<SoundGenerator> alive;
  {
    auto generator = SoundGenerator::init();
    generator->startSoundWithFrequency(440.0f, 0.5f);
    alive = generator;
  }
  for (int k = 0; k < 7; ++k) {
    tick();
    ASSERT_FALSE(alive.expired()) << "tick " << k + 1;
  }
  tick();
  EXPECT_TRUE(alive.expired());
}

TEST_F(SoundGeneratorTest, OverlappingRampsBothWriteAndTheLaterWins) {
  auto generator = SoundGenerator::init();
  generator->startSoundWithFrequency(440.0f, 0.8f);
  for (int k = 0; k < 4; ++k) tick();  // gain 0.4, fade-in half done
  generator->stopSound();              // 0.4 -> 0, alongside the fade-in
  EXPECT_EQ(2u, loop().timerCount());
  tick();
  // Both ticked; the fade-out was scheduled later, so its 0.35 is what stays.
  EXPECT_FLOAT_EQ(0.35f, static_cast<float>(generator->amplitude()));
  for (int k = 0; k < 3; ++k) tick();
  EXPECT_EQ(1u, loop().timerCount());  // the fade-in has ended at 0.8
  for (int k = 0; k < 4; ++k) tick();
  EXPECT_EQ(0.0, generator->amplitude());
}

}  // namespace
