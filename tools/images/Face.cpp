// The instrument face: background, needle, lights and the application icon.
#include <cmath>

#include "ImageGenerator.h"

namespace {

// Landscape geometry of the tuner screen (480 × 320, y down).
constexpr double kScalePivotX = 240, kScalePivotY = 315;  // the dial's marks turn about this
constexpr double kNeedlePivotY = 308;                     // the needle about (240, 308)

// A point at dial angle theta (radians; pi/2 straight up, smaller to the flat
// side on the left) and radius r from the scale's pivot.
double arcAngle(double theta) {
  return theta + M_PI;
}  // as cairo measures it

void arcBand(cairo_t* cr, double r0, double r1, double theta0, double theta1) {
  cairo_new_path(cr);
  cairo_arc(cr, kScalePivotX, kScalePivotY, r1, arcAngle(theta0), arcAngle(theta1));
  cairo_arc_negative(cr, kScalePivotX, kScalePivotY, r0, arcAngle(theta1), arcAngle(theta0));
  cairo_close_path(cr);
}

double deg(double d) {
  return d * M_PI / 180.0;
}

void socket(cairo_t* cr, double cx, double cy, double r) {
  cairo_pattern_t* p = cairo_pattern_create_linear(0, cy - r, 0, cy + r);
  cairo_pattern_add_color_stop_rgb(p, 0, 0.02, 0.02, 0.02);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.20, 0.21, 0.23);
  cairo_arc(cr, cx, cy, r + 2, 0, 2 * M_PI);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
  setRGB(cr, 0.07, 0.06, 0.06);
  cairo_fill(cr);
}

void drawBackground(cairo_t* cr, double, double h) {
  enterLandscape(cr, h);
  const double W = 480, H = 320;

  // Body: deep charcoal, a little lighter where the dial sits.
  cairo_pattern_t* body = cairo_pattern_create_radial(240, 170, 20, 240, 190, 380);
  cairo_pattern_add_color_stop_rgb(body, 0, 0.135, 0.145, 0.16);
  cairo_pattern_add_color_stop_rgb(body, 1, 0.035, 0.038, 0.045);
  cairo_set_source(cr, body);
  cairo_paint(cr);
  cairo_pattern_destroy(body);

  // Brushed texture: fine horizontal hairlines.
  for (int y = 0; y < H; y += 2) {
    setRGB(cr, 1, 1, 1, (y % 6 == 0) ? 0.012 : 0.006);
    cairo_rectangle(cr, 0, y, W, 1);
    cairo_fill(cr);
  }

  // Dial plate: a sector behind the marks, rim slightly lit.
  cairo_pattern_t* plate =
      cairo_pattern_create_radial(kScalePivotX, kScalePivotY, 90, kScalePivotX, kScalePivotY, 262);
  cairo_pattern_add_color_stop_rgba(plate, 0, 0.0, 0.0, 0.0, 0.0);
  cairo_pattern_add_color_stop_rgba(plate, 0.75, 0.20, 0.21, 0.23, 0.25);
  cairo_pattern_add_color_stop_rgba(plate, 1, 0.28, 0.29, 0.31, 0.35);
  arcBand(cr, 90, 262, deg(34), deg(146));
  cairo_set_source(cr, plate);
  cairo_fill(cr);
  cairo_pattern_destroy(plate);
  arcBand(cr, 261, 263, deg(34), deg(146));
  setRGB(cr, 0.40, 0.41, 0.44, 0.5);
  cairo_fill(cr);

  // Colour band just inside the marks: green within 5 cents (7.5 degrees),
  // amber out to 20 cents, red beyond, all muted so the needle stays the star.
  struct Zone {
    double from, to, r, g, b;
  };
  const Zone zones[] = {{42, 60, 0.62, 0.16, 0.12},
                        {60, 82.5, 0.70, 0.50, 0.14},
                        {82.5, 97.5, 0.20, 0.62, 0.30},
                        {97.5, 120, 0.70, 0.50, 0.14},
                        {120, 138, 0.62, 0.16, 0.12}};
  for (const Zone& z : zones) {
    arcBand(cr, 214, 220, deg(z.from), deg(z.to));
    setRGB(cr, z.r, z.g, z.b, 0.75);
    cairo_fill(cr);
  }

  // Lamp sockets: flat (top left), sharp (top right), in tune (top centre).
  socket(cr, 18.5, 46, 14);
  socket(cr, 457.5, 46, 14);
  {
    double x = 239 - 28, y = 23 - 13;
    roundedRect(cr, x - 2, y - 2, 60, 30, 15);
    setRGB(cr, 0.20, 0.21, 0.23);
    cairo_fill(cr);
    roundedRect(cr, x, y, 56, 26, 13);
    setRGB(cr, 0.05, 0.07, 0.05);
    cairo_fill(cr);
  }
  setRGB(cr, 0.40, 0.41, 0.44);
  centredText(cr, "FLAT", 58, 46, 10, true);
  centredText(cr, "SHARP", 413, 46, 10, true);

  // Calibration read-out window (the "440 Hz" label sits in it).
  setRGB(cr, 0.40, 0.41, 0.44);
  centredText(cr, "A =", 49, 178, 9, true);
  roundedRect(cr, 12, 189, 74, 22, 4);
  setRGB(cr, 0.22, 0.23, 0.25);
  cairo_fill(cr);
  roundedRect(cr, 13, 190, 72, 20, 3.5);
  setRGB(cr, 0.02, 0.02, 0.025);
  cairo_fill(cr);

  // Shelf for the string buttons and the auto button.
  roundedRect(cr, 16, 226, 456, 58, 10);
  setRGB(cr, 0.0, 0.0, 0.0, 0.45);
  cairo_fill(cr);
  roundedRect(cr, 16, 283, 456, 1.5, 0.5);
  setRGB(cr, 1, 1, 1, 0.06);
  cairo_fill(cr);

  // The needle's hub, below the shelf.
  cairo_pattern_t* hub =
      cairo_pattern_create_radial(236, kNeedlePivotY - 4, 1, 240, kNeedlePivotY, 11);
  cairo_pattern_add_color_stop_rgb(hub, 0, 0.75, 0.76, 0.78);
  cairo_pattern_add_color_stop_rgb(hub, 1, 0.18, 0.18, 0.20);
  cairo_arc(cr, 240, kNeedlePivotY, 10, 0, 2 * M_PI);
  cairo_set_source(cr, hub);
  cairo_fill(cr);
  cairo_pattern_destroy(hub);

  setRGB(cr, 0.30, 0.31, 0.34);
  centredText(cr, "QUILLON", 52, 302, 11, true);
}

// Upright needle, pivot 120 points below the image centre.
void drawNeedle(cairo_t* cr, double w, double h) {
  double cx = w / 2, pivot = h / 2 + 120, tip = pivot - 228;
  // Soft glow around the blade.
  for (int i = 4; i >= 1; --i) {
    double spread = i * 1.6;
    cairo_move_to(cr, cx, tip - spread);
    cairo_line_to(cr, cx + 1.6 + spread, pivot);
    cairo_line_to(cr, cx - 1.6 - spread, pivot);
    cairo_close_path(cr);
    setRGB(cr, 1.0, 0.35, 0.15, 0.07);
    cairo_fill(cr);
  }
  // Blade: hot tip fading into a deeper red at the hub.
  cairo_pattern_t* blade = cairo_pattern_create_linear(0, tip, 0, pivot);
  cairo_pattern_add_color_stop_rgb(blade, 0, 1.0, 0.62, 0.30);
  cairo_pattern_add_color_stop_rgb(blade, 0.35, 1.0, 0.30, 0.12);
  cairo_pattern_add_color_stop_rgb(blade, 1, 0.75, 0.12, 0.06);
  cairo_move_to(cr, cx, tip);
  cairo_line_to(cr, cx + 1.8, pivot - 6);
  cairo_line_to(cr, cx + 2.6, pivot + 8);
  cairo_line_to(cr, cx - 2.6, pivot + 8);
  cairo_line_to(cr, cx - 1.8, pivot - 6);
  cairo_close_path(cr);
  cairo_set_source(cr, blade);
  cairo_fill(cr);
  cairo_pattern_destroy(blade);
  // Counterweight cap over the pivot.
  cairo_arc(cr, cx, pivot, 5.5, 0, 2 * M_PI);
  setRGB(cr, 0.55, 0.09, 0.05);
  cairo_fill_preserve(cr);
  setRGB(cr, 1, 0.5, 0.3, 0.8);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
}

void drawSideLight(cairo_t* cr, double w, double h) {
  lamp(cr, w / 2, h / 2, w / 2, 1.0, 0.12, 0.08);
}

void drawCenterLight(cairo_t* cr, double w, double h) {
  // A pill lying across the landscape screen: tall in portrait.
  cairo_save(cr);
  cairo_translate(cr, w / 2, h / 2);
  cairo_scale(cr, 1.0, h / w);
  lamp(cr, 0, 0, w / 2, 0.15, 1.0, 0.30);
  cairo_restore(cr);
}

void drawIcon(cairo_t* cr, double w, double) {
  double s = w / 256.0;
  cairo_scale(cr, s, s);
  cairo_pattern_t* body = cairo_pattern_create_linear(0, 0, 0, 256);
  cairo_pattern_add_color_stop_rgb(body, 0, 0.20, 0.21, 0.23);
  cairo_pattern_add_color_stop_rgb(body, 1, 0.05, 0.05, 0.06);
  roundedRect(cr, 8, 8, 240, 240, 44);
  cairo_set_source(cr, body);
  cairo_fill(cr);
  cairo_pattern_destroy(body);
  double px = 128, py = 200;
  cairo_set_line_width(cr, 7);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  for (int i = 0; i <= 8; ++i) {
    double a = deg(42 + i * 12) + M_PI;
    double r0 = (i == 4) ? 118 : 130, r1 = 146;
    setRGB(cr, 0.62, 0.63, 0.66);
    cairo_move_to(cr, px + r0 * std::cos(a), py + r0 * std::sin(a));
    cairo_line_to(cr, px + r1 * std::cos(a), py + r1 * std::sin(a));
    cairo_stroke(cr);
  }
  lamp(cr, 128, 40, 22, 0.15, 1.0, 0.30);
  // Needle, a little sharp of centre.
  double a = deg(98) + M_PI;
  cairo_move_to(cr, px + 140 * std::cos(a), py + 140 * std::sin(a));
  cairo_line_to(cr, px + 7 * std::cos(a + M_PI / 2), py + 7 * std::sin(a + M_PI / 2));
  cairo_line_to(cr, px + 7 * std::cos(a - M_PI / 2), py + 7 * std::sin(a - M_PI / 2));
  cairo_close_path(cr);
  setRGB(cr, 1.0, 0.32, 0.14);
  cairo_fill(cr);
  cairo_arc(cr, px, py, 14, 0, 2 * M_PI);
  setRGB(cr, 0.70, 0.71, 0.74);
  cairo_fill(cr);
}

}  // namespace

std::vector<ImageRecipe> faceImages() {
  return {
      {"Background", 320, 480, drawBackground}, {"NeedleHilight", 24, 260, drawNeedle},
      {"SideLight_Red", 40, 40, drawSideLight}, {"CenterLight_Green", 36, 64, drawCenterLight},
      {"quillon", 256, 256, drawIcon},
  };
}
