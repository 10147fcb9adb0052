#include "platform/Control.h"

namespace platform {

Control::Control(const Rect& frame) : View(frame) {}

void Control::addAction(Action action, unsigned events) {
  if (action && events) actions_.push_back(Entry{std::move(action), events});
}

void Control::sendActionsForControlEvents(unsigned events) {
  // Copy: an action may change this control's targets (or drop the control).
  auto entries = actions_;
  auto keep = weak_from_this().lock();
  for (auto& e : entries)
    if (e.events & events) e.action(this);
}

unsigned Control::state() const {
  unsigned s = ControlStateNormal;
  if (highlighted_) s |= ControlStateHighlighted;
  if (!enabled_) s |= ControlStateDisabled;
  if (selected_) s |= ControlStateSelected;
  return s;
}

View* Control::hitTest(Point p) {
  if (!enabled_) return nullptr;
  return View::hitTest(p);
}

void Control::touchesBegan(Point) {
  setHighlighted(true);
  setNeedsDisplay();
  sendActionsForControlEvents(ControlEventTouchDown);
}

void Control::touchesMoved(Point p) {
  setHighlighted(pointInside(p));
}

void Control::touchesEnded(Point p) {
  bool inside = pointInside(p);
  setHighlighted(false);
  setNeedsDisplay();
  if (inside) sendActionsForControlEvents(ControlEventTouchUpInside);
}

}  // namespace platform
