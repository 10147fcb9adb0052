// The browser's text: the canvas measures and draws it in the fonts the page
// serves and loads before the program starts (Liberation Sans for
// "Helvetica", DejaVu Sans for the characters it lacks, as on the desktop).
// Does not handle: fonts the page did not load (the browser's own stand in).
#include "platform/Font.h"

#include <string>

#include "platform/web/CanvasGraphicsContext.h"

extern "C" {
void quillon_canvas_measure_text(const char* font, const char* text, double* metrics);
void quillon_canvas_fill_text(const char* font, const char* text, double x, double y, double r,
                              double g, double b, double a, int useGradient);
}

namespace platform {

struct Font::Faces {
  std::string css;  // the canvas's font: weight, size, families in order
};

namespace {
// Advance, ink left, top, right, bottom, font ascent, descent.
struct Metrics {
  double values[7] = {};
};

Metrics measure(const std::string& css, std::string_view text) {
  Metrics m;
  quillon_canvas_measure_text(css.c_str(), std::string(text).c_str(), m.values);
  return m;
}
}  // namespace

Font::Font(const std::string& family, bool bold, double pointSize)
    : family_(family), bold_(bold), pointSize_(pointSize), faces_(std::make_unique<Faces>()) {
  // "Helvetica" is Liberation Sans, metric-compatible, as fontconfig makes it.
  const std::string face = family == "Helvetica" || family == "Arial" ? "Liberation Sans" : family;
  faces_->css = std::string(bold ? "bold " : "") + std::to_string(pointSize) + "px \"" + face +
                "\", \"DejaVu Sans\", sans-serif";
  const Metrics m = measure(faces_->css, "");
  ascender_ = m.values[5];
  descender_ = m.values[6];
}

Font::~Font() = default;

Size Font::sizeOfText(std::string_view text) const {
  if (text.empty()) return Size{0, lineHeight()};
  return Size{measure(faces_->css, text).values[0], lineHeight()};
}

Rect Font::inkBoundsOfText(std::string_view text) const {
  if (text.empty()) return Rect{};
  const Metrics m = measure(faces_->css, text);
  const double left = m.values[1], top = m.values[2], right = m.values[3], bottom = m.values[4];
  if (!(right > left) || !(bottom > top)) return Rect{};
  return RectMake(left, top, right - left, bottom - top);
}

double Font::showText(GraphicsContext& context, std::string_view text, double x, double y) const {
  const std::string s(text);
  if (auto* ctx = dynamic_cast<CanvasGraphicsContext*>(&context)) {
    double rgba[4] = {0, 0, 0, 1};
    const bool gradient = ctx->prepareFill(rgba);
    quillon_canvas_fill_text(faces_->css.c_str(), s.c_str(), x, y, rgba[0], rgba[1], rgba[2],
                             rgba[3], gradient);
  }
  return sizeOfText(text).width;
}

}  // namespace platform
