#pragma once

#include <optional>

namespace platform {

// How the reader holds the 320 x 480 portrait display.
enum class Orientation {
  // Upright: shown as is, in a portrait window.
  Portrait,
  // Read in landscape with the portrait top edge on the reader's right: the
  // portrait picture turned a quarter turn clockwise, in a landscape window.
  LandscapeTopRight,
};

// The portrait display in points.
constexpr double kDisplayWidth = 320;
constexpr double kDisplayHeight = 480;

struct PresentedPoint {
  double x = 0, y = 0;
};

struct PresentedRect {
  double x = 0, y = 0, width = 0, height = 0;
};

// Where the portrait display lands in a window of a given size, and back.
// Window coordinates are whatever unit the size is given in (window points for
// the mouse, drawable pixels for drawing): the picture is scaled uniformly to
// fit, centred, with bars on the long sides (letterbox).
class Presentation {
 public:
  Presentation(Orientation orientation, double windowWidth, double windowHeight);

  Orientation orientation() const { return orientation_; }

  // Window units per portrait point.
  double scale() const { return scale_; }

  // The rectangle the picture fills in the window (after turning).
  PresentedRect contentRect() const { return content_; }

  // The portrait point shown at a window point; none in the bars.
  std::optional<PresentedPoint> displayPointForWindowPoint(PresentedPoint window) const;

  // The window size showing the display at `scale` without bars.
  static void windowSizeForScale(Orientation orientation, double scale, int& width, int& height);

 private:
  Orientation orientation_;
  double scale_;
  PresentedRect content_;
};

}  // namespace platform
