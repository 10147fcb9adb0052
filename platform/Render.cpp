#include "platform/Render.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "platform/GraphicsContext.h"

namespace platform {

namespace {
void renderView(View& v, cairo_t* cr, double scale, bool isRoot);

// Paints `face` (drawn over 0..size) turned by `angle` about its vertical
// centre line, seen in perspective: vertical strips, each narrowed and
// scaled by its depth. From the right, the right edge comes towards the
// viewer; from the left, the left edge.
void paintTurnedFace(cairo_t* cr, cairo_pattern_t* face, Size size, double angle, bool fromRight) {
  const int kStrips = 48;
  const double w = size.width, h = size.height, cx = w / 2, cy = h / 2;
  const double eye = 2.5 * std::max(w, 1.0);  // viewing distance
  double c = std::cos(angle), s = std::sin(angle) * (fromRight ? 1 : -1);
  if (c < 1e-3) return;  // edge-on
  auto project = [&](double u, double* x, double* zoom) {
    double depth = u * s;  // towards the viewer
    *zoom = eye / (eye - depth);
    *x = cx + u * c * *zoom;
  };
  for (int i = 0; i < kStrips; ++i) {
    double u0 = -cx + w * i / kStrips, u1 = -cx + w * (i + 1) / kStrips;
    double x0, x1, z0, z1;
    project(u0, &x0, &z0);
    project(u1, &x1, &z1);
    double zoom = 0.5 * (z0 + z1);
    cairo_save(cr);
    // Overlap each strip slightly so no seams show between them.
    cairo_rectangle(cr, x0 - 0.25, cy - zoom * cy - 1, x1 - x0 + 0.5, zoom * h + 2);
    cairo_clip(cr);
    cairo_translate(cr, x0, cy);
    cairo_scale(cr, (x1 - x0) / (u1 - u0), zoom);
    cairo_translate(cr, -(u0 + cx), -cy);
    cairo_set_source(cr, face);
    cairo_paint(cr);
    cairo_restore(cr);
  }
}

void renderSubviews(const std::vector<std::shared_ptr<View>>& subviews, cairo_t* cr, double scale) {
  // Copy: drawing must not be disturbed by a view changing the list.
  auto list = subviews;
  for (auto& s : list) renderView(*s, cr, scale, false);
}

void renderView(View& v, cairo_t* cr, double scale, bool isRoot) {
  if (v.isHidden()) return;
  double alpha = v.presentationAlpha();
  if (alpha <= 0.002) return;
  Rect b = v.bounds();
  cairo_save(cr);
  if (!isRoot) {
    cairo_translate(cr, v.center().x, v.center().y);
    Transform3D t = v.presentationTransform();
    if (!Transform3DIsIdentity(t)) {
      cairo_matrix_t m;
      cairo_matrix_init(&m, t.m11, t.m12, t.m21, t.m22, t.m41, t.m42);
      if (std::abs(t.m11 * t.m22 - t.m12 * t.m21) < 1e-9) {
        cairo_restore(cr);
        return;  // turned edge-on: nothing to see
      }
      cairo_transform(cr, &m);
    }
    cairo_translate(cr, -b.size.width * 0.5, -b.size.height * 0.5);
  }

  // A flip turns the view over about its vertical centre line: the old face
  // turns away to edge-on, then the new one turns in from edge-on.
  const View::TransitionState* flip = v.runningTransition();
  double flipProgress = 0;
  if (flip) {
    Nanos now = RunLoop::currentRunLoop().now();
    double t = static_cast<double>(now - flip->start) / static_cast<double>(flip->duration);
    flipProgress = animationCurveValue(AnimationCurve::EaseInOut, std::clamp(t, 0.0, 1.0));
    cairo_push_group(cr);
  }

  bool group = alpha < 0.999;
  // A view's own drawing never leaves its bounds; a leaf view can therefore
  // be clipped there, which also keeps its alpha group as small as the view.
  bool leaf = v.subviews().empty() && !flip;
  if (leaf || v.clipsToBounds()) {
    cairo_rectangle(cr, 0, 0, b.size.width, b.size.height);
    cairo_clip(cr);
  }
  if (group) cairo_push_group(cr);
  Color bg = v.backgroundColor();
  if (!bg.isClear()) {
    cairo_set_source_rgba(cr, bg.red, bg.green, bg.blue, bg.alpha);
    cairo_rectangle(cr, 0, 0, b.size.width, b.size.height);
    cairo_fill(cr);
  }
  // The view's own drawing and its subviews are in its bounds' coordinates,
  // whose origin is at the top-left corner.
  cairo_save(cr);
  cairo_translate(cr, -b.origin.x, -b.origin.y);
  {
    cairo_save(cr);
    GraphicsContext ctx(cr, scale);
    GraphicsContextScope scope(&ctx);
    v.drawRect(b);
    cairo_new_path(cr);
    cairo_restore(cr);
  }
  if (flip && flipProgress < 0.5)
    renderSubviews(flip->before, cr, scale);
  else
    renderSubviews(v.subviews(), cr, scale);
  cairo_restore(cr);
  if (flip) {
    // Shade the turning face a little as it goes edge-on.
    cairo_set_source_rgba(cr, 0, 0, 0, 0.5 * std::sin(flipProgress * M_PI));
    cairo_rectangle(cr, 0, 0, b.size.width, b.size.height);
    cairo_fill(cr);
  }
  if (group) {
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, alpha);
  }
  if (flip) {
    cairo_pattern_t* face = cairo_pop_group(cr);
    // First half: the old face turns from 0 to a quarter; second half: the
    // new face (the card's back) turns from minus a quarter to 0.
    double angle = flipProgress < 0.5 ? flipProgress * M_PI : (flipProgress - 1) * M_PI;
    paintTurnedFace(cr, face, b.size, angle, flip->kind == AnimationTransition::FlipFromRight);
    cairo_pattern_destroy(face);
  }
  cairo_restore(cr);
}
// Maps a non-root view's coordinates to its superview's, as renderView
// places it: about its centre, turned by its presentation transform.
cairo_matrix_t viewToSuperview(const View& v) {
  cairo_matrix_t m;
  cairo_matrix_init_translate(&m, v.center().x, v.center().y);
  Transform3D t = v.presentationTransform();
  if (!Transform3DIsIdentity(t)) {
    cairo_matrix_t turn;
    cairo_matrix_init(&turn, t.m11, t.m12, t.m21, t.m22, t.m41, t.m42);
    cairo_matrix_multiply(&m, &turn, &m);
  }
  Rect b = v.bounds();
  cairo_matrix_translate(&m, -b.size.width * 0.5 - b.origin.x, -b.size.height * 0.5 - b.origin.y);
  return m;
}

struct Extent {
  double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
  void add(double x, double y) {
    minX = std::min(minX, x);
    minY = std::min(minY, y);
    maxX = std::max(maxX, x);
    maxY = std::max(maxY, y);
  }
};

bool drawnAtAll(const View& v) {
  return !v.isHidden() && v.presentationAlpha() > 0.002;
}

// Adds the corners of `v` and of every visible subview below it, mapped by
// `toRoot` (v's coordinates to the root's); a view that clips its subviews
// holds them all.
void addSubtreeExtent(const View& v, const cairo_matrix_t& toRoot, Extent& extent) {
  if (!drawnAtAll(v)) return;
  Rect b = v.bounds();
  const double xs[] = {b.minX(), b.maxX()}, ys[] = {b.minY(), b.maxY()};
  for (double x : xs) {
    for (double y : ys) {
      double px = x, py = y;
      cairo_matrix_transform_point(&toRoot, &px, &py);
      extent.add(px, py);
    }
  }
  if (v.clipsToBounds()) return;
  for (const auto& sub : v.subviews()) {
    cairo_matrix_t m = viewToSuperview(*sub);
    cairo_matrix_multiply(&m, &m, &toRoot);
    addSubtreeExtent(*sub, m, extent);
  }
}
}  // namespace

Rect renderedExtentInRoot(const View& view, const View& root) {
  cairo_matrix_t toRoot;
  cairo_matrix_init_identity(&toRoot);
  const View* v = &view;
  for (; v && v != &root; v = v->superview()) {
    if (!drawnAtAll(*v)) return Rect{};
    cairo_matrix_t m = viewToSuperview(*v);
    cairo_matrix_multiply(&toRoot, &toRoot, &m);
  }
  if (v != &root || !drawnAtAll(root)) return Rect{};
  Extent extent;
  addSubtreeExtent(view, toRoot, extent);
  if (!(extent.maxX > extent.minX) || !(extent.maxY > extent.minY)) return Rect{};
  return RectMake(extent.minX, extent.minY, extent.maxX - extent.minX, extent.maxY - extent.minY);
}

void renderViewTree(View& root, cairo_t* cr, double scale) {
  cairo_save(cr);
  cairo_scale(cr, scale, scale);
  renderView(root, cr, scale, true);
  cairo_restore(cr);
}

}  // namespace platform
