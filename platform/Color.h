#pragma once

namespace platform {

// An RGBA colour, components 0 to 1.
struct Color {
  double red = 0;
  double green = 0;
  double blue = 0;
  double alpha = 0;

  static Color colorWithRed(double r, double g, double b, double a) { return Color{r, g, b, a}; }
  static Color colorWithWhite(double w, double a) { return Color{w, w, w, a}; }
  static Color clearColor() { return Color{0, 0, 0, 0}; }
  static Color blackColor() { return Color{0, 0, 0, 1}; }
  static Color whiteColor() { return Color{1, 1, 1, 1}; }
  static Color grayColor() { return Color{0.5, 0.5, 0.5, 1}; }
  static Color redColor() { return Color{1, 0, 0, 1}; }
  // Behind the settings screen: a deep slate that the grouped table sits on.
  static Color viewFlipsideBackgroundColor() { return Color{0.12, 0.13, 0.15, 1}; }

  bool isClear() const { return alpha <= 0; }
  bool operator==(const Color&) const = default;
};

}  // namespace platform
