// The desktop's 2-D drawing: the views' graphics context on cairo. Handles
// paths, arcs, colours, gradients, clips and transparency layers; text and
// images draw through Font.cpp and Image.cpp, which take the cairo context
// from here.
#include "platform/desktop/CairoGraphicsContext.h"

#include "platform/Render.h"

namespace platform {

namespace {
struct CairoPicture final : GraphicsContext::Picture {
  explicit CairoPicture(cairo_pattern_t* p) : pattern(p) {}
  ~CairoPicture() override { cairo_pattern_destroy(pattern); }
  cairo_pattern_t* pattern;
};

cairo_pattern_t* makePattern(const Gradient& g) {
  cairo_pattern_t* p = g.kind == Gradient::Kind::Linear
                           ? cairo_pattern_create_linear(g.start.x, g.start.y, g.end.x, g.end.y)
                           : cairo_pattern_create_radial(g.start.x, g.start.y, g.startRadius,
                                                         g.end.x, g.end.y, g.endRadius);
  for (const Gradient::Stop& s : g.stops) {
    cairo_pattern_add_color_stop_rgba(p, s.offset, s.color.red, s.color.green, s.color.blue,
                                      s.color.alpha);
  }
  return p;
}
}  // namespace

CairoGraphicsContext::CairoGraphicsContext(cairo_t* cr, double deviceScale)
    : GraphicsContext(deviceScale), cr_(cr) {}

void CairoGraphicsContext::concatCTM(const AffineTransform& t) {
  cairo_matrix_t m;
  cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
  cairo_transform(cr_, &m);
}

void CairoGraphicsContext::addLineToPoint(double x, double y) {
  if (!cairo_has_current_point(cr_)) cairo_move_to(cr_, x, y);
  cairo_line_to(cr_, x, y);
}

void CairoGraphicsContext::addRect(const Rect& r) {
  cairo_rectangle(cr_, r.origin.x, r.origin.y, r.size.width, r.size.height);
}

void CairoGraphicsContext::useColor(const Color& c) {
  cairo_set_source_rgba(cr_, c.red, c.green, c.blue, c.alpha);
}

void CairoGraphicsContext::useFill() {
  if (state().fillGradient) {
    cairo_pattern_t* p = makePattern(*state().fillGradient);
    cairo_set_source(cr_, p);
    cairo_pattern_destroy(p);
  } else {
    useColor(state().fill);
  }
}

void CairoGraphicsContext::useLineStyle() {
  static constexpr cairo_line_cap_t caps[] = {CAIRO_LINE_CAP_BUTT, CAIRO_LINE_CAP_ROUND,
                                              CAIRO_LINE_CAP_SQUARE};
  static constexpr cairo_line_join_t joins[] = {CAIRO_LINE_JOIN_MITER, CAIRO_LINE_JOIN_ROUND,
                                                CAIRO_LINE_JOIN_BEVEL};
  cairo_set_line_width(cr_, state().lineWidth);
  cairo_set_line_cap(cr_, caps[static_cast<int>(state().lineCap)]);
  cairo_set_line_join(cr_, joins[static_cast<int>(state().lineJoin)]);
}

void CairoGraphicsContext::drawPath(PathDrawingMode mode) {
  cairo_set_operator(
      cr_, state().blendMode == BlendMode::SourceAtop ? CAIRO_OPERATOR_ATOP : CAIRO_OPERATOR_OVER);
  switch (mode) {
    case PathDrawingMode::Fill:
    case PathDrawingMode::EOFill:
      cairo_set_fill_rule(cr_, mode == PathDrawingMode::EOFill ? CAIRO_FILL_RULE_EVEN_ODD
                                                               : CAIRO_FILL_RULE_WINDING);
      useFill();
      cairo_fill(cr_);
      break;
    case PathDrawingMode::Stroke:
      useColor(state().stroke);
      useLineStyle();
      cairo_stroke(cr_);
      break;
    case PathDrawingMode::FillStroke:
      cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
      useFill();
      cairo_fill_preserve(cr_);
      useColor(state().stroke);
      useLineStyle();
      cairo_stroke(cr_);
      break;
  }
  cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
}

void CairoGraphicsContext::clipToRect(const Rect& r) {
  cairo_new_path(cr_);
  addRect(r);
  cairo_clip(cr_);
}

void CairoGraphicsContext::endTransparencyLayer(double alpha) {
  cairo_pop_group_to_source(cr_);
  cairo_paint_with_alpha(cr_, alpha);
}

std::unique_ptr<GraphicsContext::Picture> CairoGraphicsContext::endTransparencyLayerAsPicture() {
  return std::make_unique<CairoPicture>(cairo_pop_group(cr_));
}

void CairoGraphicsContext::drawPicture(const Picture& picture) {
  cairo_set_source(cr_, static_cast<const CairoPicture&>(picture).pattern);
  cairo_paint(cr_);
}

void renderViewTree(View& root, cairo_t* cr, double scale) {
  CairoGraphicsContext ctx(cr, scale);
  renderViewTree(root, ctx);
}

}  // namespace platform
