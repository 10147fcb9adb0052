// The desktop's text: faces found by fontconfig through cairo's toy font
// interface, measured and drawn by cairo. Characters the face lacks are
// drawn in the fallback face, run by run.
#include "platform/Font.h"

#include <algorithm>
#include <map>
#include <string>

#include "platform/desktop/CairoGraphicsContext.h"

namespace platform {

namespace {

// Where a character missing from the chosen face is taken from: DejaVu Sans
// covers the music signs and most symbols, and sits well beside Liberation.
constexpr char kFallbackFamily[] = "DejaVu Sans";

// A one-pixel surface to measure text on when no drawing is in progress.
cairo_t* measuringContext() {
  static cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
  static cairo_t* cr = cairo_create(surface);
  return cr;
}

// Unhinted outlines and metrics: text is often drawn turned a quarter (the
// landscape reading), where hinting for upright pixels makes jagged glyphs,
// and measured sizes must not depend on the pixel grid of the moment.
void selectFace(cairo_t* cr, cairo_font_face_t* face, double pointSize) {
  static cairo_font_options_t* options = [] {
    cairo_font_options_t* o = cairo_font_options_create();
    cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_GRAY);
    return o;
  }();
  cairo_set_font_face(cr, face);
  cairo_set_font_size(cr, pointSize);
  cairo_set_font_options(cr, options);
}

cairo_font_face_t* makeFace(const std::string& family, bool bold) {
  return cairo_toy_font_face_create(family.c_str(), CAIRO_FONT_SLANT_NORMAL,
                                    bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
}

// The character starting at text[i] and its length in bytes; a malformed
// byte counts as one character of its own (drawn in the main face).
char32_t decode(std::string_view text, size_t i, size_t& length) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  if (length == 1 || i + length > text.size()) {
    length = 1;
    return lead;
  }
  char32_t c = lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) {
      length = 1;
      return lead;
    }
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  return c;
}

}  // namespace

struct Font::Faces {
  Faces(const std::string& family, bool bold)
      : face(makeFace(family, bold)), fallback(makeFace(kFallbackFamily, bold)) {}
  ~Faces() {
    cairo_font_face_destroy(face);
    cairo_font_face_destroy(fallback);
  }
  // Whether the face has its own glyph for the character (ASCII always).
  bool hasGlyph(char32_t c) const;
  // Calls run(face, bytes) for each stretch of the text one face draws.
  template <class Run>
  void forEachRun(std::string_view text, Run run) const;

  cairo_font_face_t* face;
  cairo_font_face_t* fallback;
  mutable std::map<char32_t, bool> hasGlyph_;
};

Font::Font(const std::string& family, bool bold, double pointSize)
    : family_(family),
      bold_(bold),
      pointSize_(pointSize),
      faces_(std::make_unique<Faces>(family, bold)) {
  cairo_t* cr = measuringContext();
  cairo_save(cr);
  selectFace(cr, faces_->face, pointSize_);
  cairo_font_extents_t fe;
  cairo_font_extents(cr, &fe);
  cairo_restore(cr);
  ascender_ = fe.ascent;
  descender_ = fe.descent;
}

Font::~Font() = default;

bool Font::Faces::hasGlyph(char32_t c) const {
  if (c < 0x80) return true;
  if (auto it = hasGlyph_.find(c); it != hasGlyph_.end()) return it->second;
  // The size does not matter for whether a glyph exists.
  cairo_t* cr = measuringContext();
  cairo_save(cr);
  selectFace(cr, face, 10.0);
  std::string utf8;
  const auto put = [&](unsigned v) { utf8.push_back(static_cast<char>(v)); };
  if (c < 0x800) {
    put(0xC0 | (c >> 6));
  } else if (c < 0x10000) {
    put(0xE0 | (c >> 12));
    put(0x80 | ((c >> 6) & 0x3F));
  } else {
    put(0xF0 | (c >> 18));
    put(0x80 | ((c >> 12) & 0x3F));
    put(0x80 | ((c >> 6) & 0x3F));
  }
  put(0x80 | (c & 0x3F));
  cairo_glyph_t* glyphs = nullptr;
  int count = 0;
  bool found = false;
  if (cairo_scaled_font_text_to_glyphs(cairo_get_scaled_font(cr), 0, 0, utf8.c_str(),
                                       static_cast<int>(utf8.size()), &glyphs, &count, nullptr,
                                       nullptr, nullptr) == CAIRO_STATUS_SUCCESS) {
    found = count == 1 && glyphs[0].index != 0;  // glyph 0 is the "missing" box
  }
  cairo_glyph_free(glyphs);
  cairo_restore(cr);
  hasGlyph_[c] = found;
  return found;
}

template <class Run>
void Font::Faces::forEachRun(std::string_view text, Run run) const {
  size_t start = 0;
  bool startOwn = true;
  for (size_t i = 0; i < text.size();) {
    size_t length = 1;
    const bool own = hasGlyph(decode(text, i, length));
    if (i == 0) {
      startOwn = own;
    } else if (own != startOwn) {
      run(startOwn ? face : fallback, text.substr(start, i - start));
      start = i;
      startOwn = own;
    }
    i += length;
  }
  if (start < text.size()) run(startOwn ? face : fallback, text.substr(start));
}

Size Font::sizeOfText(std::string_view text) const {
  if (text.empty()) return Size{0, lineHeight()};
  cairo_t* cr = measuringContext();
  cairo_save(cr);
  double width = 0;
  faces_->forEachRun(text, [&](cairo_font_face_t* face, std::string_view run) {
    selectFace(cr, face, pointSize_);
    const std::string s(run);
    cairo_text_extents_t te;
    cairo_text_extents(cr, s.c_str(), &te);
    width += te.x_advance;
  });
  cairo_restore(cr);
  return Size{width, lineHeight()};
}

Rect Font::inkBoundsOfText(std::string_view text) const {
  cairo_t* cr = measuringContext();
  cairo_save(cr);
  double advance = 0;
  bool any = false;
  double left = 0, top = 0, right = 0, bottom = 0;
  faces_->forEachRun(text, [&](cairo_font_face_t* face, std::string_view run) {
    selectFace(cr, face, pointSize_);
    const std::string s(run);
    cairo_text_extents_t te;
    cairo_text_extents(cr, s.c_str(), &te);
    if (te.width > 0 && te.height > 0) {
      const double l = advance + te.x_bearing, t = te.y_bearing;
      const double r = l + te.width, b = t + te.height;
      if (!any) {
        left = l, top = t, right = r, bottom = b;
      } else {
        left = std::min(left, l), top = std::min(top, t);
        right = std::max(right, r), bottom = std::max(bottom, b);
      }
      any = true;
    }
    advance += te.x_advance;
  });
  cairo_restore(cr);
  return any ? RectMake(left, top, right - left, bottom - top) : Rect{};
}

double Font::showText(GraphicsContext& context, std::string_view text, double x, double y) const {
  auto* ctx = dynamic_cast<CairoGraphicsContext*>(&context);
  if (!ctx) return sizeOfText(text).width;
  cairo_t* cr = ctx->cairo();
  cairo_save(cr);
  ctx->useFill();
  cairo_new_path(cr);
  cairo_move_to(cr, x, y);
  faces_->forEachRun(text, [&](cairo_font_face_t* face, std::string_view run) {
    selectFace(cr, face, pointSize_);
    const std::string s(run);
    cairo_show_text(cr, s.c_str());  // leaves the current point after the text
  });
  double endX = x, endY = y;
  if (cairo_has_current_point(cr)) cairo_get_current_point(cr, &endX, &endY);
  cairo_new_path(cr);
  cairo_restore(cr);
  return endX - x;
}

}  // namespace platform

// fontconfig keeps its configuration and pattern caches for the life of the
// process by design; under the leak checker they would read as our leaks.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
