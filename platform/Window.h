#pragma once

#include <memory>

#include "platform/View.h"

namespace platform {

// The root of the view tree. The desktop window (SDL) presents it and feeds it
// touches already mapped to portrait points.
class Window : public View {
 public:
  explicit Window(const Rect& frame);

  void makeKeyAndVisible() { visible_ = true; }
  bool isVisible() const { return visible_; }

  // Touch-down at `p` (portrait points, window coordinates): hit-tests and
  // delivers touchesBegan to the front-most view that takes touches. Moves and
  // the lift go to that same view. Returns the view touched, or null. A move
  // redraws only what the views it reaches say changed (a drag of the list
  // redraws the list, not the screen).
  View* touchDown(Point p);
  void touchMoved(Point p);
  void touchUp(Point p);
  // The mouse wheel turned `notches` (positive away from the user) with the
  // pointer at `p`: the front-most view there that takes touches gets it.
  // Returns that view, or null.
  View* scrollWheel(Point p, double notches);
  using View::scrollWheel;

  // Set by setNeedsDisplay of any view in the tree; cleared by the app loop.
  bool needsDisplay() const { return needsDisplay_; }
  void setNeedsDisplayFlag(bool needs) { needsDisplay_ = needs; }

  // Where a change of alpha or transform altered the picture (before and
  // after, in window points), short of needing all of it drawn again; empty
  // when nothing did. Cleared by the app loop with each picture.
  void addDamage(const Rect& r);
  const Rect& damage() const { return damage_; }
  void clearDamage() { damage_ = Rect{}; }

 private:
  bool visible_ = false;
  bool needsDisplay_ = true;
  Rect damage_;
  std::shared_ptr<View> touched_;
  View* touchedRaw_ = nullptr;
};

}  // namespace platform
