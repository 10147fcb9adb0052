#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "audio/AmplitudeAnimation.h"

namespace {

std::vector<float> stepThrough(AmplitudeAnimation& ramp, int steps) {
  std::vector<float> values;
  for (int i = 0; i < steps; ++i) {
    ramp.step();
    values.push_back(ramp.currentValue());
  }
  return values;
}

TEST(AmplitudeAnimationTest, FadeOutFromPointTwoEndsExactlyOnZeroAfterEightSteps) {
  AmplitudeAnimation ramp(0.2f, 0.0f);
  EXPECT_EQ(0.2f, ramp.currentValue());
  EXPECT_FALSE(ramp.complete());

  const std::vector<float> expected{0.175f, 0.15f, 0.125f, 0.1f, 0.075f, 0.05f, 0.025f};
  for (size_t k = 0; k < expected.size(); ++k) {
    ramp.step();
    EXPECT_FLOAT_EQ(expected[k], ramp.currentValue()) << "step " << k + 1;
    EXPECT_FALSE(ramp.complete()) << "step " << k + 1;
  }
  ramp.step();
  EXPECT_TRUE(ramp.complete());
  // Exactly zero, not merely close: the generator's next start must take the
  // fade-in path, which tests the gain for equality with 0.
  EXPECT_EQ(0.0f, ramp.currentValue());
}

TEST(AmplitudeAnimationTest, FlatRampHoldsItsValue) {
  AmplitudeAnimation ramp(0.5f, 0.5f);
  for (float v : stepThrough(ramp, 8)) EXPECT_EQ(0.5f, v);
  EXPECT_TRUE(ramp.complete());
}

TEST(AmplitudeAnimationTest, FirstRampOfAChainKeepsTheRestAliveAndReleasesIt) {
  std::weak_ptr<AmplitudeAnimation> second, third;
  {
    auto last = AmplitudeAnimation::initWithStartValue(0.0f, 0.5f, 220.0f);
    auto middle = AmplitudeAnimation::initWithStartValue(0.5f, 0.0f, last);
    auto first = AmplitudeAnimation::initWithStartValue(0.2f, 0.5f, middle);
    second = middle;
    third = last;
    last.reset();
    middle.reset();
    EXPECT_FALSE(second.expired());
    EXPECT_FALSE(third.expired());
    EXPECT_EQ(220.0f, first->nextAnimation()->nextAnimation()->frequency());
  }
  EXPECT_TRUE(second.expired());
  EXPECT_TRUE(third.expired());
}

}  // namespace
