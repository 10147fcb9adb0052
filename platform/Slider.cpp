#include "platform/Slider.h"

#include <cairo.h>

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
  cairo_t* cr = ctx->cairo();
  Rect b = bounds();
  double cy = b.size.height * 0.5;
  double x0 = kThumbRadius, x1 = b.size.width - kThumbRadius, tx = thumbCenterX();
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_width(cr, 5);
  // Track: lit amber to the left of the thumb, dark to the right.
  cairo_set_source_rgb(cr, 0.08, 0.08, 0.09);
  cairo_move_to(cr, x0, cy);
  cairo_line_to(cr, x1, cy);
  cairo_stroke(cr);
  cairo_set_line_width(cr, 3);
  cairo_set_source_rgb(cr, 0.95, 0.66, 0.22);
  cairo_move_to(cr, x0, cy);
  cairo_line_to(cr, tx, cy);
  cairo_stroke(cr);
  // Thumb.
  cairo_pattern_t* knob = cairo_pattern_create_linear(0, cy - kThumbRadius, 0, cy + kThumbRadius);
  cairo_pattern_add_color_stop_rgb(knob, 0, 0.93, 0.93, 0.95);
  cairo_pattern_add_color_stop_rgb(knob, 1, 0.62, 0.63, 0.66);
  cairo_arc(cr, tx, cy, kThumbRadius - 1, 0, 2 * M_PI);
  cairo_set_source(cr, knob);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(knob);
  cairo_set_line_width(cr, 1);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.6);
  cairo_stroke(cr);
}

}  // namespace platform
