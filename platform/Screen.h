#pragma once

#include "platform/Geometry.h"

namespace platform {

// The display the screens are laid out on: 320 × 480 portrait points, no
// status bar (the whole screen is the application's).
class Screen {
 public:
  static Screen& mainScreen();
  Rect bounds() const { return RectMake(0, 0, 320, 480); }
  Rect applicationFrame() const { return bounds(); }
};

}  // namespace platform
