// The buttons' pictures. Everything readable is drawn for the landscape
// reading (see enterLandscape), since the buttons themselves are not turned.
#include <cmath>
#include <string>

#include "ImageGenerator.h"

namespace {

// A key cap of w × h (landscape) with a bevel; lit keys glow amber.
void keyCap(cairo_t* cr, double w, double h, double radius, bool lit) {
  roundedRect(cr, 1, 1.5, w - 2, h - 2, radius);
  setRGB(cr, 0, 0, 0, 0.7);
  cairo_fill(cr);
  cairo_pattern_t* face = cairo_pattern_create_linear(0, 1, 0, h - 2);
  if (lit) {
    cairo_pattern_add_color_stop_rgb(face, 0, 0.98, 0.72, 0.30);
    cairo_pattern_add_color_stop_rgb(face, 1, 0.72, 0.38, 0.06);
  } else {
    cairo_pattern_add_color_stop_rgb(face, 0, 0.34, 0.35, 0.38);
    cairo_pattern_add_color_stop_rgb(face, 1, 0.15, 0.16, 0.18);
  }
  roundedRect(cr, 2, 1, w - 4, h - 3.5, radius - 1);
  cairo_set_source(cr, face);
  cairo_fill(cr);
  cairo_pattern_destroy(face);
  // Top highlight.
  roundedRect(cr, 3, 2, w - 6, (h - 4) * 0.45, radius - 2);
  setRGB(cr, 1, 1, 1, lit ? 0.22 : 0.08);
  cairo_fill(cr);
}

void landscapeKey(cairo_t* cr, double w, double h, double radius, bool lit) {
  enterLandscape(cr, h);
  keyCap(cr, h, w, radius, lit);
}

void letter(cairo_t* cr, double w, double h, const std::string& text) {
  enterLandscape(cr, h);
  double lw = h, lh = w;  // landscape size
  setRGB(cr, 0, 0, 0, 0.6);
  centredText(cr, text, lw / 2 + 0.8, lh / 2 + 1.2, lh * 0.8, true);
  setRGB(cr, 0.97, 0.96, 0.92);
  centredText(cr, text, lw / 2, lh / 2, lh * 0.8, true);
}

// A sharp sign standing on (x, baseline), h high: two stems and two thick
// bars rising to the right, drawn as paths so that it matches the bold
// letters (Liberation Sans has no music signs).
void sharpSign(cairo_t* cr, double x, double baseline, double h) {
  const double w = h * 0.62, bar = h * 0.13, stem = h * 0.075, rise = h * 0.1;
  for (double at : {0.28, 0.72}) {
    const double sx = x + w * at;
    cairo_rectangle(cr, sx - stem / 2, baseline - h + (at < 0.5 ? rise : 0), stem, h - rise);
  }
  for (double at : {0.3, 0.66}) {
    const double y = baseline - h * at;
    cairo_move_to(cr, x, y + rise / 2 + bar / 2);
    cairo_line_to(cr, x + w, y - rise / 2 + bar / 2);
    cairo_line_to(cr, x + w, y - rise / 2 - bar / 2);
    cairo_line_to(cr, x, y + rise / 2 - bar / 2);
    cairo_close_path(cr);
  }
  cairo_fill(cr);
}

// A flat sign standing on (x, baseline), h high: a stem and a round bowl.
void flatSign(cairo_t* cr, double x, double baseline, double h) {
  const double w = h * 0.52, stem = h * 0.12;
  cairo_rectangle(cr, x, baseline - h, stem, h);
  cairo_fill(cr);
  // The bowl: an outer and an inner curve, filled between them.
  cairo_move_to(cr, x, baseline);
  cairo_curve_to(cr, x + w * 1.1, baseline - h * 0.28, x + w * 1.05, baseline - h * 0.62, x,
                 baseline - h * 0.48);
  cairo_line_to(cr, x, baseline - h * 0.36);
  cairo_curve_to(cr, x + w * 0.6, baseline - h * 0.5, x + w * 0.62, baseline - h * 0.3, x,
                 baseline - h * 0.12);
  cairo_close_path(cr);
  cairo_fill(cr);
}

// A letter with its sign raised beside it, "C♯": the letter a little smaller
// than a plain one so that the pair fits the same key.
void letterWithSign(cairo_t* cr, double w, double h, const std::string& text, bool sharp) {
  enterLandscape(cr, h);
  const double lw = h, lh = w;
  const double letterSize = lh * 0.64;
  const double capHeight = letterSize * 0.72;  // Liberation Sans Bold
  const double signHeight = capHeight * (sharp ? 1.25 : 1.1);
  const double signWidth = signHeight * (sharp ? 0.66 : 0.52);
  const double letterWidth = textWidth(cr, text, letterSize, true);
  const double gap = lh * 0.04;
  const double left = (lw - letterWidth - gap - signWidth) / 2;
  const double baseline = lh / 2 + capHeight / 2;
  for (int pass = 0; pass < 2; ++pass) {
    const double dx = pass == 0 ? 0.8 : 0, dy = pass == 0 ? 1.2 : 0;
    if (pass == 0) {
      setRGB(cr, 0, 0, 0, 0.6);
    } else {
      setRGB(cr, 0.97, 0.96, 0.92);
    }
    centredText(cr, text, left + letterWidth / 2 + dx, lh / 2 + dy, letterSize, true);
    // Raised: its top a little above the letter's. It casts no shadow:
    // between the sharp's bars one reads as hatching.
    if (pass == 0) continue;
    const double signX = left + letterWidth + gap;
    const double signBase = baseline - capHeight + signHeight - lh * 0.08;
    if (sharp) {
      sharpSign(cr, signX, signBase, signHeight);
    } else {
      flatSign(cr, signX, signBase, signHeight);
    }
  }
}

// The ring around the string the analysis shows: a green glow, the colour
// of the in-tune light, where a string chosen by hand lights amber instead.
void stringMark(cairo_t* cr, double w, double h) {
  cairo_set_line_width(cr, 4);
  setRGB(cr, 0.15, 1.0, 0.30, 0.3);
  roundedRect(cr, 2, 2, w - 4, h - 4, 11);
  cairo_stroke(cr);
  cairo_set_line_width(cr, 2);
  setRGB(cr, 0.45, 1.0, 0.55, 0.95);
  roundedRect(cr, 2, 2, w - 4, h - 4, 11);
  cairo_stroke(cr);
}

// The chromatic keyboard's octave buttons: an arrow along the keyboard
// (left: down, right: up) over "OCT".
void octaveArrow(cairo_t* cr, double w, double h, bool up) {
  enterLandscape(cr, h);
  const double lw = h, lh = w;
  const double cx = lw / 2, cy = lh / 2 - lh * 0.12, s = lh * 0.22;
  const double tip = up ? cx + s : cx - s, back = up ? cx - s * 0.7 : cx + s * 0.7;
  for (int pass = 0; pass < 2; ++pass) {
    const double d = pass == 0 ? 0.8 : 0;
    if (pass == 0) {
      setRGB(cr, 0, 0, 0, 0.6);
    } else {
      setRGB(cr, 0.97, 0.96, 0.92);
    }
    cairo_move_to(cr, tip + d, cy + d);
    cairo_line_to(cr, back + d, cy - s * 0.8 + d);
    cairo_line_to(cr, back + d, cy + s * 0.8 + d);
    cairo_close_path(cr);
    cairo_fill(cr);
    centredText(cr, "OCT", cx + d, lh / 2 + lh * 0.28 + d, lh * 0.26, true);
  }
}

void autoLabel(cairo_t* cr, double w, double h) {
  enterLandscape(cr, h);
  double lw = h, lh = w;
  setRGB(cr, 0, 0, 0, 0.6);
  centredText(cr, "AUTO", lw / 2 + 0.8, lh / 2 + 1, 14, true);
  setRGB(cr, 0.97, 0.96, 0.92);
  centredText(cr, "AUTO", lw / 2, lh / 2, 14, true);
}

// A small dial with a needle: stands for tuner mode.
void dialIcon(cairo_t* cr, double cx, double cy, double alpha) {
  cairo_set_line_width(cr, 1.6);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  setRGB(cr, 1, 1, 1, alpha);
  cairo_arc(cr, cx, cy + 5, 9, M_PI * 1.15, M_PI * 1.85);
  cairo_stroke(cr);
  cairo_move_to(cr, cx, cy + 5);
  cairo_line_to(cr, cx + 3.5, cy - 5);
  cairo_stroke(cr);
  cairo_arc(cr, cx, cy + 5, 1.8, 0, 2 * M_PI);
  cairo_fill(cr);
}

// An eighth note: stands for tone mode.
void noteIcon(cairo_t* cr, double cx, double cy, double alpha) {
  setRGB(cr, 1, 1, 1, alpha);
  cairo_save(cr);
  cairo_translate(cr, cx - 2.5, cy + 5);
  cairo_rotate(cr, -0.45);
  cairo_scale(cr, 1.0, 0.72);
  cairo_arc(cr, 0, 0, 3.6, 0, 2 * M_PI);
  cairo_restore(cr);
  cairo_fill(cr);
  cairo_set_line_width(cr, 1.5);
  cairo_move_to(cr, cx + 0.6, cy + 4.5);
  cairo_line_to(cr, cx + 0.6, cy - 8);
  cairo_curve_to(cr, cx + 2, cy - 4, cx + 6, cy - 4, cx + 5, cy);
  cairo_stroke(cr);
}

// The mode switch: two halves, the one for the current mode lit.
void modeSwitch(cairo_t* cr, double w, double h, bool tunerMode) {
  enterLandscape(cr, h);
  double lw = h, lh = w;
  roundedRect(cr, 0.5, 0.5, lw - 1, lh - 1, lh / 2);
  setRGB(cr, 0.02, 0.02, 0.03);
  cairo_fill(cr);
  double half = (lw - 4) / 2;
  double litX = tunerMode ? 2 : 2 + half;
  cairo_pattern_t* p = cairo_pattern_create_linear(0, 2, 0, lh - 2);
  cairo_pattern_add_color_stop_rgb(p, 0, 0.98, 0.72, 0.30);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.72, 0.38, 0.06);
  roundedRect(cr, litX, 2, half, lh - 4, (lh - 4) / 2);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  dialIcon(cr, 2 + half / 2, lh / 2, tunerMode ? 1.0 : 0.45);
  noteIcon(cr, 2 + half * 1.5, lh / 2, tunerMode ? 0.45 : 1.0);
}

void infoIcon(cairo_t* cr, double w, double h) {
  enterLandscape(cr, h);
  double lw = h, lh = w;
  cairo_arc(cr, lw / 2, lh / 2, lw / 2 - 1, 0, 2 * M_PI);
  setRGB(cr, 0.80, 0.81, 0.84);
  cairo_set_line_width(cr, 1.5);
  cairo_stroke(cr);
  setRGB(cr, 0.90, 0.91, 0.93);
  centredText(cr, "i", lw / 2, lh / 2 + 0.5, lh * 0.72, true);
}

}  // namespace

std::vector<ImageRecipe> buttonImages() {
  std::vector<ImageRecipe> list = {
      {"info_button", 16, 16, infoIcon},
      {"tuner-mode", 26, 70, [](cairo_t* cr, double w, double h) { modeSwitch(cr, w, h, true); }},
      {"tone-mode", 26, 70, [](cairo_t* cr, double w, double h) { modeSwitch(cr, w, h, false); }},
      {"auto-button-bg", 40, 65,
       [](cairo_t* cr, double w, double h) { landscapeKey(cr, w, h, 8, false); }},
      {"auto-button-bg-sel", 40, 65,
       [](cairo_t* cr, double w, double h) { landscapeKey(cr, w, h, 8, true); }},
      {"auto-button-fg", 20, 50, autoLabel},
      {"button-bg", 40, 40,
       [](cairo_t* cr, double w, double h) { landscapeKey(cr, w, h, 9, false); }},
      {"button-bg-sel", 40, 40,
       [](cairo_t* cr, double w, double h) { landscapeKey(cr, w, h, 9, true); }},
  };
  list.push_back({"string-mark", 48, 48, stringMark});
  list.push_back({"octave-down", 28, 28,
                  [](cairo_t* cr, double w, double h) { octaveArrow(cr, w, h, false); }});
  list.push_back(
      {"octave-up", 28, 28, [](cairo_t* cr, double w, double h) { octaveArrow(cr, w, h, true); }});
  // Every letter, plain and with each sign (the images TargetNote names).
  for (char c = 'a'; c <= 'g'; ++c) {
    std::string upper(1, static_cast<char>(c - 'a' + 'A'));
    std::string name = std::string("button-fg-") + c;
    list.push_back(
        {name, 28, 28, [upper](cairo_t* cr, double w, double h) { letter(cr, w, h, upper); }});
    list.push_back({name + "-sharp", 28, 28, [upper](cairo_t* cr, double w, double h) {
                      letterWithSign(cr, w, h, upper, true);
                    }});
    list.push_back({name + "-flat", 28, 28, [upper](cairo_t* cr, double w, double h) {
                      letterWithSign(cr, w, h, upper, false);
                    }});
  }
  return list;
}
