#pragma once

#include <cairo.h>

#include <functional>
#include <string>
#include <vector>

// The drawing of one bundle image: its name, its size in points and a
// function that draws it in points (the canvas is already scaled).
struct ImageRecipe {
  std::string name;  // "Background" → Background.png and Background@2x.png
  double width;
  double height;
  std::function<void(cairo_t*, double w, double h)> draw;
};

std::vector<ImageRecipe> faceImages();
std::vector<ImageRecipe> buttonImages();

// --- shared drawing helpers

// Draws in landscape coordinates on a portrait canvas of w × h points: the
// reader holds the screen with the portrait top edge on the right, so the
// landscape canvas is h wide and w high, its up pointing to portrait -x.
void enterLandscape(cairo_t* cr, double portraitHeight);

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r);
void setRGB(cairo_t* cr, double r, double g, double b, double a = 1.0);
// Text is drawn in Liberation Sans ("Helvetica"); it has no music signs, so
// those are drawn as paths.
inline constexpr char kLetterFace[] = "Helvetica";

// Text whose ink is centred on (cx, cy).
void centredText(cairo_t* cr, const std::string& text, double cx, double cy, double size, bool bold,
                 const char* face = kLetterFace);
// The width of the text's ink.
double textWidth(cairo_t* cr, const std::string& text, double size, bool bold,
                 const char* face = kLetterFace);
// A glowing round lamp: lit core of colour (r, g, b) fading out to radius.
void lamp(cairo_t* cr, double cx, double cy, double radius, double r, double g, double b);
