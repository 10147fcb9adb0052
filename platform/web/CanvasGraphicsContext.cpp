// The browser's 2-D drawing: the views' graphics context on the page's
// canvas. Handles paths, arcs, colours, gradients, clips, the source-atop
// blend and transparency layers; text and images draw through Font.cpp and
// Image.cpp. Does not handle even-odd clips or dashes (nothing draws them).
#include "platform/web/CanvasGraphicsContext.h"

#include <cmath>
#include <vector>

extern "C" {
void quillon_canvas_save();
void quillon_canvas_restore();
void quillon_canvas_transform(double a, double b, double c, double d, double e, double f);
void quillon_canvas_begin_path();
void quillon_canvas_move_to(double x, double y);
void quillon_canvas_line_to(double x, double y);
void quillon_canvas_arc(double x, double y, double r, double start, double end);
void quillon_canvas_close_path();
void quillon_canvas_rect(double x, double y, double w, double h);
void quillon_canvas_clip_rect(double x, double y, double w, double h);
void quillon_canvas_gradient(int radial, double x0, double y0, double r0, double x1, double y1,
                             double r1, const double* stops, int count);
void quillon_canvas_draw_path(int mode, const double* style, int useGradient, int cap, int join,
                              int atop);
void quillon_canvas_begin_layer();
void quillon_canvas_end_layer(double alpha);
int quillon_canvas_end_layer_as_picture();
void quillon_canvas_draw_picture(int id);
void quillon_canvas_free_picture(int id);
}

namespace platform {

namespace {
struct CanvasPicture final : GraphicsContext::Picture {
  explicit CanvasPicture(int i) : id(i) {}
  ~CanvasPicture() override { quillon_canvas_free_picture(id); }
  int id;
};

void sendGradient(const Gradient& g) {
  std::vector<double> stops;
  stops.reserve(g.stops.size() * 5);
  for (const Gradient::Stop& s : g.stops) {
    stops.insert(stops.end(), {s.offset, s.color.red, s.color.green, s.color.blue, s.color.alpha});
  }
  quillon_canvas_gradient(g.kind == Gradient::Kind::Radial, g.start.x, g.start.y, g.startRadius,
                          g.end.x, g.end.y, g.endRadius, stops.data(),
                          static_cast<int>(g.stops.size()));
}
}  // namespace

void CanvasGraphicsContext::save() {
  quillon_canvas_save();
}
void CanvasGraphicsContext::restore() {
  quillon_canvas_restore();
}
void CanvasGraphicsContext::translateCTM(double tx, double ty) {
  quillon_canvas_transform(1, 0, 0, 1, tx, ty);
}
void CanvasGraphicsContext::rotateCTM(double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  quillon_canvas_transform(c, s, -s, c, 0, 0);
}
void CanvasGraphicsContext::scaleCTM(double sx, double sy) {
  quillon_canvas_transform(sx, 0, 0, sy, 0, 0);
}
void CanvasGraphicsContext::concatCTM(const AffineTransform& t) {
  quillon_canvas_transform(t.a, t.b, t.c, t.d, t.tx, t.ty);
}
void CanvasGraphicsContext::beginPath() {
  quillon_canvas_begin_path();
  newSubPath_ = false;
}
void CanvasGraphicsContext::moveToPoint(double x, double y) {
  quillon_canvas_move_to(x, y);
  newSubPath_ = false;
}
void CanvasGraphicsContext::addLineToPoint(double x, double y) {
  if (newSubPath_) quillon_canvas_move_to(x, y);
  newSubPath_ = false;
  quillon_canvas_line_to(x, y);
}
void CanvasGraphicsContext::addArc(double x, double y, double radius, double start, double end) {
  if (newSubPath_) {
    quillon_canvas_move_to(x + radius * std::cos(start), y + radius * std::sin(start));
    newSubPath_ = false;
  }
  quillon_canvas_arc(x, y, radius, start, end);
}
void CanvasGraphicsContext::closePath() {
  quillon_canvas_close_path();
}
void CanvasGraphicsContext::addRect(const Rect& r) {
  quillon_canvas_rect(r.origin.x, r.origin.y, r.size.width, r.size.height);
  newSubPath_ = false;
}

bool CanvasGraphicsContext::prepareFill(double rgba[4]) {
  const State& s = state();
  if (s.fillGradient) {
    sendGradient(*s.fillGradient);
    return true;
  }
  rgba[0] = s.fill.red, rgba[1] = s.fill.green, rgba[2] = s.fill.blue, rgba[3] = s.fill.alpha;
  return false;
}

void CanvasGraphicsContext::drawPath(PathDrawingMode mode) {
  const State& s = state();
  double style[9];
  bool gradient = false;
  if (mode != PathDrawingMode::Stroke) gradient = prepareFill(style);
  style[4] = s.stroke.red, style[5] = s.stroke.green, style[6] = s.stroke.blue;
  style[7] = s.stroke.alpha, style[8] = s.lineWidth;
  quillon_canvas_draw_path(static_cast<int>(mode), style, gradient, static_cast<int>(s.lineCap),
                           static_cast<int>(s.lineJoin), s.blendMode == BlendMode::SourceAtop);
  newSubPath_ = false;
}

void CanvasGraphicsContext::clipToRect(const Rect& r) {
  quillon_canvas_clip_rect(r.origin.x, r.origin.y, r.size.width, r.size.height);
  newSubPath_ = false;
}

void CanvasGraphicsContext::beginTransparencyLayer() {
  quillon_canvas_begin_layer();
}
void CanvasGraphicsContext::endTransparencyLayer(double alpha) {
  quillon_canvas_end_layer(alpha);
}
std::unique_ptr<GraphicsContext::Picture> CanvasGraphicsContext::endTransparencyLayerAsPicture() {
  return std::make_unique<CanvasPicture>(quillon_canvas_end_layer_as_picture());
}
void CanvasGraphicsContext::drawPicture(const Picture& picture) {
  quillon_canvas_draw_picture(static_cast<const CanvasPicture&>(picture).id);
}

}  // namespace platform
