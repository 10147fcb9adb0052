#include "platform/Window.h"

#include <algorithm>

#include "platform/Screen.h"

namespace platform {

Screen& Screen::mainScreen() {
  static Screen screen;
  return screen;
}

Window::Window(const Rect& frame) : View(frame) {
  setBackgroundColor(Color::blackColor());
}

void Window::addDamage(const Rect& r) {
  if (r.isEmpty()) return;
  if (damage_.isEmpty()) {
    damage_ = r;
    return;
  }
  const double x0 = std::min(damage_.minX(), r.minX()), y0 = std::min(damage_.minY(), r.minY());
  damage_ = RectMake(x0, y0, std::max(damage_.maxX(), r.maxX()) - x0,
                     std::max(damage_.maxY(), r.maxY()) - y0);
}

View* Window::touchDown(Point p) {
  View* hit = hitTest(p);
  touched_ = hit ? hit->weak_from_this().lock() : nullptr;
  touchedRaw_ = hit;
  if (!hit) return nullptr;
  // Keep the view alive through its own handler: a table row's action reloads
  // the table, which drops the very cell being touched.
  std::shared_ptr<View> keep = touched_;
  hit->touchesBegan(hit->convertPointFromView(p, this));
  setNeedsDisplayFlag(true);
  return hit;
}

void Window::touchMoved(Point p) {
  if (!touchedRaw_) return;
  std::shared_ptr<View> keep = touched_;
  touchedRaw_->touchesMoved(touchedRaw_->convertPointFromView(p, this));
}

View* Window::scrollWheel(Point p, double notches) {
  View* hit = hitTest(p);
  if (!hit) return nullptr;
  std::shared_ptr<View> keep = hit->weak_from_this().lock();
  hit->scrollWheel(notches);
  return hit;
}

void Window::touchUp(Point p) {
  if (!touchedRaw_) return;
  std::shared_ptr<View> keep = std::move(touched_);
  View* v = touchedRaw_;
  touchedRaw_ = nullptr;
  v->touchesEnded(v->convertPointFromView(p, this));
  setNeedsDisplayFlag(true);
}

}  // namespace platform
