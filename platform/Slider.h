#pragma once

#include "platform/Control.h"

namespace platform {

// A horizontal slider with no step: it reports fractional values between its
// minimum and maximum. Continuous by default (value-changed actions fire for
// every move of the thumb); otherwise only when the touch is lifted.
class Slider : public Control {
 public:
  explicit Slider(const Rect& frame = Rect{});

  float value() const { return value_; }
  // Clamped to [minimum, maximum]; sends no action (as when set in code).
  void setValue(float value);
  float minimumValue() const { return min_; }
  float maximumValue() const { return max_; }
  void setMinimumValue(float v);
  void setMaximumValue(float v);
  bool isContinuous() const { return continuous_; }
  void setContinuous(bool c) { continuous_ = c; }

  // The value a touch at x (view coordinates) stands for.
  float valueForX(double x) const;
  // Centre of the thumb for the current value.
  double thumbCenterX() const;

  void drawRect(const Rect& rect) override;
  void touchesBegan(Point p) override;
  void touchesMoved(Point p) override;
  void touchesEnded(Point p) override;

  static constexpr double kThumbRadius = 11.0;

 private:
  void trackTo(double x);
  float value_ = 0;
  float min_ = 0;
  float max_ = 1;
  bool continuous_ = true;
  bool changedWhileTracking_ = false;
};

}  // namespace platform
