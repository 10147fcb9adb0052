#include "platform/Slider.h"

#include <algorithm>
#include <cmath>

#include "platform/GraphicsContext.h"

namespace platform {

Slider::Slider(const Rect& frame) : Control(frame) {}

void Slider::setValue(float value) {
  if (std::isnan(value)) return;
  float v = std::clamp(value, min_, max_);
  if (v != value_) setNeedsDisplay();
  value_ = v;
}

void Slider::setMinimumValue(float v) {
  min_ = v;
  if (max_ < min_) max_ = min_;
  setValue(value_);
}

void Slider::setMaximumValue(float v) {
  max_ = v;
  if (min_ > max_) min_ = max_;
  setValue(value_);
}

float Slider::valueForX(double x) const {
  double track = bounds().size.width - 2 * kThumbRadius;
  if (track <= 0 || max_ <= min_) return min_;
  double f = std::clamp((x - kThumbRadius) / track, 0.0, 1.0);
  return static_cast<float>(min_ + f * (static_cast<double>(max_) - min_));
}

double Slider::thumbCenterX() const {
  double track = bounds().size.width - 2 * kThumbRadius;
  double f =
      max_ > min_ ? (static_cast<double>(value_) - min_) / (static_cast<double>(max_) - min_) : 0.0;
  return kThumbRadius + f * std::max(0.0, track);
}

void Slider::trackTo(double x) {
  float v = valueForX(x);
  if (v == value_) return;
  value_ = v;
  setNeedsDisplay();
  if (continuous_)
    sendActionsForControlEvents(ControlEventValueChanged);
  else
    changedWhileTracking_ = true;
}

// A touch anywhere on the track takes the thumb there, and it follows the drag.
void Slider::touchesBegan(Point p) {
  changedWhileTracking_ = false;
  setHighlighted(true);
  sendActionsForControlEvents(ControlEventTouchDown);
  trackTo(p.x);
}

void Slider::touchesMoved(Point p) {
  trackTo(p.x);
}

void Slider::touchesEnded(Point p) {
  trackTo(p.x);
  setHighlighted(false);
  if (changedWhileTracking_) sendActionsForControlEvents(ControlEventValueChanged);
  changedWhileTracking_ = false;
}

void Slider::drawRect(const Rect&) {
  GraphicsContext* ctx = GraphicsGetCurrentContext();
  if (!ctx) return;
  Rect b = bounds();
  double cy = b.size.height * 0.5;
  double x0 = kThumbRadius, x1 = b.size.width - kThumbRadius, tx = thumbCenterX();
  ctx->saveGState();
  ctx->setLineCap(LineCap::Round);
  ctx->setLineWidth(5);
  // Track: lit amber to the left of the thumb, dark to the right.
  ctx->setRGBStrokeColor(0.08, 0.08, 0.09, 1);
  ctx->beginPath();
  ctx->moveToPoint(x0, cy);
  ctx->addLineToPoint(x1, cy);
  ctx->strokePath();
  ctx->setLineWidth(3);
  ctx->setRGBStrokeColor(0.95, 0.66, 0.22, 1);
  ctx->moveToPoint(x0, cy);
  ctx->addLineToPoint(tx, cy);
  ctx->strokePath();
  // Thumb.
  ctx->setFillGradient(Gradient::linear({0, cy - kThumbRadius}, {0, cy + kThumbRadius},
                                        {{0, {0.93, 0.93, 0.95, 1}}, {1, {0.62, 0.63, 0.66, 1}}}));
  ctx->addArc(tx, cy, kThumbRadius - 1, 0, 2 * M_PI);
  ctx->setLineWidth(1);
  ctx->setRGBStrokeColor(0, 0, 0, 0.6);
  ctx->drawPath(PathDrawingMode::FillStroke);
  ctx->restoreGState();
}

}  // namespace platform
