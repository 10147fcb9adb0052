#include "platform/GraphicsContext.h"

#include <cmath>

namespace platform {

namespace {
// The context drawRect draws into, reached without being passed, as the
// views' drawing code expects; one per thread that draws.
thread_local GraphicsContext* currentContext = nullptr;
}  // namespace

void GraphicsContext::saveGState() {
  save();
  saved_.push_back(state_);
}

void GraphicsContext::restoreGState() {
  // An unbalanced restore is ignored rather than corrupting the caller's state.
  if (saved_.empty()) return;
  restore();
  state_ = saved_.back();
  saved_.pop_back();
}

void GraphicsContext::setRGBFillColor(double r, double g, double b, double a) {
  state_.fill = Color{r, g, b, a};
  state_.fillGradient.reset();
}

void GraphicsContext::setFillGradient(Gradient gradient) {
  state_.fillGradient = std::make_shared<const Gradient>(std::move(gradient));
}

void GraphicsContext::addRoundedRect(const Rect& r, double top, double bottom) {
  const double x0 = r.minX(), y0 = r.minY(), x1 = r.maxX(), y1 = r.maxY();
  newSubPath();
  addArc(x1 - top, y0 + top, top, -M_PI / 2, 0);
  addArc(x1 - bottom, y1 - bottom, bottom, 0, M_PI / 2);
  addArc(x0 + bottom, y1 - bottom, bottom, M_PI / 2, M_PI);
  addArc(x0 + top, y0 + top, top, M_PI, 3 * M_PI / 2);
  closePath();
}

void GraphicsContext::fillRect(const Rect& r) {
  beginPath();
  addRect(r);
  drawPath(PathDrawingMode::Fill);
}

void GraphicsContext::strokeRect(const Rect& r) {
  beginPath();
  addRect(r);
  drawPath(PathDrawingMode::Stroke);
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
