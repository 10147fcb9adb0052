#include "platform/Font.h"

#include <cairo.h>

#include <map>
#include <string>
#include <tuple>

#include "platform/GraphicsContext.h"

namespace platform {

namespace {
// A one-pixel surface to measure text on when no drawing is in progress.
cairo_t* measuringContext() {
  static cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
  static cairo_t* cr = cairo_create(surface);
  return cr;
}

// Unhinted outlines and metrics: text is often drawn turned a quarter (the
// landscape reading), where hinting for upright pixels makes jagged glyphs,
// and measured sizes must not depend on the pixel grid of the moment.
void selectFont(cairo_t* cr, const Font& font) {
  static cairo_font_options_t* options = [] {
    cairo_font_options_t* o = cairo_font_options_create();
    cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_GRAY);
    return o;
  }();
  cairo_set_font_face(cr, font.cairoFace());
  cairo_set_font_size(cr, font.pointSize());
  cairo_set_font_options(cr, options);
}
}  // namespace

Font::Font(const std::string& family, bool bold, double pointSize) : pointSize_(pointSize) {
  face_ = cairo_toy_font_face_create(family.c_str(), CAIRO_FONT_SLANT_NORMAL,
                                     bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_t* cr = measuringContext();
  cairo_save(cr);
  selectFont(cr, *this);
  cairo_font_extents_t fe;
  cairo_font_extents(cr, &fe);
  cairo_restore(cr);
  ascender_ = fe.ascent;
  descender_ = fe.descent;
}

Font::~Font() {
  cairo_font_face_destroy(face_);
}

std::shared_ptr<Font> Font::fontWithName(const std::string& name, double pointSize) {
  if (name.empty() || !(pointSize > 0)) return nullptr;
  // "Helvetica-Bold" style names choose the bold face of the family.
  std::string family = name;
  bool bold = false;
  if (auto dash = name.find('-'); dash != std::string::npos) {
    family = name.substr(0, dash);
    bold = name.find("Bold", dash) != std::string::npos;
  }
  return std::make_shared<Font>(family, bold, pointSize);
}

std::shared_ptr<Font> Font::systemFontOfSize(double pointSize) {
  return std::make_shared<Font>("Helvetica", false, pointSize);
}

std::shared_ptr<Font> Font::boldSystemFontOfSize(double pointSize) {
  return std::make_shared<Font>("Helvetica", true, pointSize);
}

Size Font::sizeOfText(std::string_view text) const {
  if (text.empty()) return Size{0, lineHeight()};
  cairo_t* cr = measuringContext();
  cairo_save(cr);
  selectFont(cr, *this);
  std::string s(text);
  cairo_text_extents_t te;
  cairo_text_extents(cr, s.c_str(), &te);
  cairo_restore(cr);
  return Size{te.x_advance, lineHeight()};
}

Size sizeWithFont(std::string_view text, const Font* font) {
  if (!font) return Size{};
  return font->sizeOfText(text);
}

Size drawAtPoint(std::string_view text, Point point, const Font* font) {
  if (!font) return Size{};
  Size size = font->sizeOfText(text);
  GraphicsContext* ctx = GraphicsGetCurrentContext();
  if (!ctx || text.empty()) return size;
  cairo_t* cr = ctx->cairo();
  cairo_save(cr);
  selectFont(cr, *font);
  ctx->useFillColor();
  cairo_new_path(cr);
  cairo_move_to(cr, point.x, point.y + font->ascender());
  std::string s(text);
  cairo_show_text(cr, s.c_str());
  cairo_new_path(cr);
  cairo_restore(cr);
  return size;
}

}  // namespace platform

// fontconfig keeps its configuration and pattern caches for the life of the
// process by design; under the leak checker they would read as our leaks.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
