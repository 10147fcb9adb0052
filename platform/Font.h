#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/Geometry.h"

namespace platform {

class GraphicsContext;

// A font by family name and point size. "Helvetica" is the metric-compatible
// Liberation Sans; characters the face has no glyph for (the music signs ♯
// and ♭ in Liberation Sans) are measured and drawn in DejaVu Sans of the same
// weight and size. The backend finds the faces (fontconfig on the desktop,
// the fonts served with the page in the browser).
class Font {
 public:
  static std::shared_ptr<Font> fontWithName(const std::string& name, double pointSize);
  static std::shared_ptr<Font> systemFontOfSize(double pointSize);
  static std::shared_ptr<Font> boldSystemFontOfSize(double pointSize);

  Font(const std::string& family, bool bold, double pointSize);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  // The same family and weight at another size.
  std::shared_ptr<Font> fontWithSize(double pointSize) const;

  double pointSize() const { return pointSize_; }
  double ascender() const { return ascender_; }
  double descender() const { return descender_; }  // positive, below the baseline
  double lineHeight() const { return ascender_ + descender_; }

  // Width of the text's advance, height of one line.
  Size sizeOfText(std::string_view text) const;
  // The ink of the text's glyphs, relative to the start of its baseline (y
  // negative above it).
  Rect inkBoundsOfText(std::string_view text) const;
  // Draws the text into `ctx` in its fill colour, with its baseline
  // starting at (x, y); returns the advance.
  double showText(GraphicsContext& ctx, std::string_view text, double x, double y) const;

  // The backend's faces for this font.
  struct Faces;
  const Faces& faces() const { return *faces_; }

 private:
  std::string family_;
  bool bold_;
  double pointSize_;
  double ascender_ = 0;
  double descender_ = 0;
  std::unique_ptr<Faces> faces_;
};

// Text measuring and drawing, as the screens call them on strings. The point is
// the top-left corner of the text; drawing uses the current context's fill
// colour. Both are no-ops (size 0) without a font.
Size sizeWithFont(std::string_view text, const Font* font);
inline Size sizeWithFont(std::string_view text, const std::shared_ptr<Font>& font) {
  return sizeWithFont(text, font.get());
}
// Draws into the current graphics context; returns the text's size.
Size drawAtPoint(std::string_view text, Point point, const Font* font);
inline Size drawAtPoint(std::string_view text, Point point, const std::shared_ptr<Font>& font) {
  return drawAtPoint(text, point, font.get());
}

}  // namespace platform
