#include "platform/GraphicsContext.h"

#include <cairo.h>

namespace platform {

namespace {
// The context drawRect draws into, reached without being passed, as the
// views' drawing code expects; one per thread that draws.
thread_local GraphicsContext* currentContext = nullptr;
}  // namespace

GraphicsContext::GraphicsContext(cairo_t* cr, double deviceScale)
    : cr_(cr), deviceScale_(deviceScale) {
  cairo_set_line_width(cr_, state_.lineWidth);
}

void GraphicsContext::saveGState() {
  cairo_save(cr_);
  saved_.push_back(state_);
}

void GraphicsContext::restoreGState() {
  // An unbalanced restore is ignored rather than corrupting the caller's state.
  if (saved_.empty()) return;
  cairo_restore(cr_);
  state_ = saved_.back();
  saved_.pop_back();
}

void GraphicsContext::setRGBStrokeColor(double r, double g, double b, double a) {
  state_.stroke = Color{r, g, b, a};
}

void GraphicsContext::setRGBFillColor(double r, double g, double b, double a) {
  state_.fill = Color{r, g, b, a};
}

void GraphicsContext::setLineWidth(double width) {
  state_.lineWidth = width;
  cairo_set_line_width(cr_, width);
}

void GraphicsContext::translateCTM(double tx, double ty) {
  cairo_translate(cr_, tx, ty);
}
void GraphicsContext::rotateCTM(double angle) {
  cairo_rotate(cr_, angle);
}
void GraphicsContext::beginPath() {
  cairo_new_path(cr_);
}
void GraphicsContext::moveToPoint(double x, double y) {
  cairo_move_to(cr_, x, y);
}
void GraphicsContext::addLineToPoint(double x, double y) {
  // As in the drawing model the views expect, a line with no current point
  // starts where it is asked to.
  if (!cairo_has_current_point(cr_)) cairo_move_to(cr_, x, y);
  cairo_line_to(cr_, x, y);
}
void GraphicsContext::addRect(const Rect& r) {
  cairo_rectangle(cr_, r.origin.x, r.origin.y, r.size.width, r.size.height);
}
void GraphicsContext::useFillColor() {
  cairo_set_source_rgba(cr_, state_.fill.red, state_.fill.green, state_.fill.blue,
                        state_.fill.alpha);
}

void GraphicsContext::drawPath(PathDrawingMode mode) {
  const Color& s = state_.stroke;
  switch (mode) {
    case PathDrawingMode::Fill:
    case PathDrawingMode::EOFill:
      cairo_set_fill_rule(cr_, mode == PathDrawingMode::EOFill ? CAIRO_FILL_RULE_EVEN_ODD
                                                               : CAIRO_FILL_RULE_WINDING);
      useFillColor();
      cairo_fill(cr_);
      break;
    case PathDrawingMode::Stroke:
      cairo_set_source_rgba(cr_, s.red, s.green, s.blue, s.alpha);
      cairo_stroke(cr_);
      break;
    case PathDrawingMode::FillStroke:
      useFillColor();
      cairo_fill_preserve(cr_);
      cairo_set_source_rgba(cr_, s.red, s.green, s.blue, s.alpha);
      cairo_stroke(cr_);
      break;
  }
}

void GraphicsContext::fillRect(const Rect& r) {
  cairo_new_path(cr_);
  addRect(r);
  useFillColor();
  cairo_fill(cr_);
}

void GraphicsContext::strokeRect(const Rect& r) {
  cairo_new_path(cr_);
  addRect(r);
  const Color& s = state_.stroke;
  cairo_set_source_rgba(cr_, s.red, s.green, s.blue, s.alpha);
  cairo_stroke(cr_);
}

GraphicsContext* GraphicsGetCurrentContext() {
  return currentContext;
}

GraphicsContextScope::GraphicsContextScope(GraphicsContext* context) : previous_(currentContext) {
  currentContext = context;
}

GraphicsContextScope::~GraphicsContextScope() {
  currentContext = previous_;
}

}  // namespace platform
