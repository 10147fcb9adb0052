#include "platform/Presentation.h"

#include <algorithm>

namespace platform {

namespace {
// The picture's size once turned for the reader.
void presentedSize(Orientation orientation, double& width, double& height) {
  if (orientation == Orientation::Portrait) {
    width = kDisplayWidth;
    height = kDisplayHeight;
  } else {
    width = kDisplayHeight;
    height = kDisplayWidth;
  }
}
}  // namespace

Presentation::Presentation(Orientation orientation, double windowWidth, double windowHeight)
    : orientation_(orientation) {
  double w, h;
  presentedSize(orientation, w, h);
  windowWidth = std::max(windowWidth, 1.0);
  windowHeight = std::max(windowHeight, 1.0);
  scale_ = std::min(windowWidth / w, windowHeight / h);
  content_.width = w * scale_;
  content_.height = h * scale_;
  content_.x = (windowWidth - content_.width) / 2;
  content_.y = (windowHeight - content_.height) / 2;
}

std::optional<PresentedPoint> Presentation::displayPointForWindowPoint(
    PresentedPoint window) const {
  const double tx = (window.x - content_.x) / scale_;
  const double ty = (window.y - content_.y) / scale_;
  PresentedPoint display{tx, ty};
  if (orientation_ == Orientation::LandscapeTopRight) display = {ty, kDisplayHeight - tx};
  if (display.x < 0 || display.y < 0 || display.x > kDisplayWidth || display.y > kDisplayHeight) {
    return std::nullopt;
  }
  return display;
}

void Presentation::windowSizeForScale(Orientation orientation, double scale, int& width,
                                      int& height) {
  double w, h;
  presentedSize(orientation, w, h);
  width = static_cast<int>(w * scale + 0.5);
  height = static_cast<int>(h * scale + 0.5);
}

}  // namespace platform
