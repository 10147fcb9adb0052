#pragma once

#include <memory>

// One linear ramp of a gain from a start value to a target value in eight
// equal steps. A ramp may own the ramp that follows it and may carry the tone
// frequency that takes effect when it starts. It knows nothing of timers or
// audio: the tone generator steps it on a timer and copies currentValue().
class AmplitudeAnimation {
 public:
  // Number of steps in a ramp; stepFactor is its reciprocal.
  static constexpr int kSteps = 8;
  static constexpr float kStepFactor = 0.125f;

  AmplitudeAnimation(float startValue, float targetValue);
  AmplitudeAnimation(float startValue, float targetValue, float frequency);
  AmplitudeAnimation(float startValue, float targetValue,
                     std::shared_ptr<AmplitudeAnimation> nextAnimation);

  static std::shared_ptr<AmplitudeAnimation> initWithStartValue(float startValue,
                                                                float targetValue);
  static std::shared_ptr<AmplitudeAnimation> initWithStartValue(float startValue, float targetValue,
                                                                float frequency);
  static std::shared_ptr<AmplitudeAnimation> initWithStartValue(
      float startValue, float targetValue, std::shared_ptr<AmplitudeAnimation> nextAnimation);

  // Advances one step and recomputes currentValue.
  void step();
  // True exactly when eight steps have been taken (a ninth makes it false again).
  bool complete() const { return step_ == kSteps; }
  float currentValue() const { return currentValue_; }

  const std::shared_ptr<AmplitudeAnimation>& nextAnimation() const { return nextAnimation_; }
  float frequency() const { return frequency_; }

 private:
  float frequency_ = 0.0f;
  float startValue_;
  float targetValue_;
  float currentValue_;
  std::shared_ptr<AmplitudeAnimation> nextAnimation_;
  int step_ = 0;
};
