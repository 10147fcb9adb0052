#include "audio/AmplitudeAnimation.h"

AmplitudeAnimation::AmplitudeAnimation(float startValue, float targetValue)
    : startValue_(startValue), targetValue_(targetValue), currentValue_(startValue) {}

AmplitudeAnimation::AmplitudeAnimation(float startValue, float targetValue, float frequency)
    : AmplitudeAnimation(startValue, targetValue) {
  frequency_ = frequency;
}

AmplitudeAnimation::AmplitudeAnimation(float startValue, float targetValue,
                                       std::shared_ptr<AmplitudeAnimation> nextAnimation)
    : AmplitudeAnimation(startValue, targetValue) {
  nextAnimation_ = std::move(nextAnimation);
}

std::shared_ptr<AmplitudeAnimation> AmplitudeAnimation::initWithStartValue(float startValue,
                                                                           float targetValue) {
  return std::make_shared<AmplitudeAnimation>(startValue, targetValue);
}

std::shared_ptr<AmplitudeAnimation> AmplitudeAnimation::initWithStartValue(float startValue,
                                                                           float targetValue,
                                                                           float frequency) {
  return std::make_shared<AmplitudeAnimation>(startValue, targetValue, frequency);
}

std::shared_ptr<AmplitudeAnimation> AmplitudeAnimation::initWithStartValue(
    float startValue, float targetValue, std::shared_ptr<AmplitudeAnimation> nextAnimation) {
  return std::make_shared<AmplitudeAnimation>(startValue, targetValue, std::move(nextAnimation));
}

void AmplitudeAnimation::step() {
  ++step_;
  // Single precision throughout, in this order: at step 8 the factor is
  // exactly 1, so a ramp to 0 ends on 0 exactly and the next start of the
  // generator takes the fade-in path.
  const float distance = targetValue_ - startValue_;
  const float scaled = static_cast<float>(step_) * distance;
  const float fraction = scaled * kStepFactor;
  currentValue_ = startValue_ + fraction;
}
