#include "platform/Render.h"

#include <algorithm>
#include <cmath>

#include "platform/GraphicsContext.h"

namespace platform {

namespace {
void renderView(View& v, GraphicsContext& ctx, bool isRoot);

// Paints `face` (drawn over 0..size) turned by `angle` about its vertical
// centre line, seen in perspective: vertical strips, each narrowed and
// scaled by its depth. From the right, the right edge comes towards the
// viewer; from the left, the left edge.
void paintTurnedFace(GraphicsContext& ctx, const GraphicsContext::Picture& face, Size size,
                     double angle, bool fromRight) {
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
    ctx.saveGState();
    // Overlap each strip slightly so no seams show between them.
    ctx.clipToRect(RectMake(x0 - 0.25, cy - zoom * cy - 1, x1 - x0 + 0.5, zoom * h + 2));
    ctx.translateCTM(x0, cy);
    ctx.scaleCTM((x1 - x0) / (u1 - u0), zoom);
    ctx.translateCTM(-(u0 + cx), -cy);
    ctx.drawPicture(face);
    ctx.restoreGState();
  }
}

void renderSubviews(const std::vector<std::shared_ptr<View>>& subviews, GraphicsContext& ctx) {
  // Copy: drawing must not be disturbed by a view changing the list.
  auto list = subviews;
  for (auto& s : list) renderView(*s, ctx, false);
}

void renderView(View& v, GraphicsContext& ctx, bool isRoot) {
  if (v.isHidden()) return;
  double alpha = v.presentationAlpha();
  if (alpha <= 0.002) return;
  Rect b = v.bounds();
  ctx.saveGState();
  if (!isRoot) {
    ctx.translateCTM(v.center().x, v.center().y);
    Transform3D t = v.presentationTransform();
    if (!Transform3DIsIdentity(t)) {
      if (std::abs(t.m11 * t.m22 - t.m12 * t.m21) < 1e-9) {
        ctx.restoreGState();
        return;  // turned edge-on: nothing to see
      }
      ctx.concatCTM(AffineTransform{t.m11, t.m12, t.m21, t.m22, t.m41, t.m42});
    }
    ctx.translateCTM(-b.size.width * 0.5, -b.size.height * 0.5);
  }

  // A flip turns the view over about its vertical centre line: the old face
  // turns away to edge-on, then the new one turns in from edge-on.
  const View::TransitionState* flip = v.runningTransition();
  double flipProgress = 0;
  if (flip) {
    Nanos now = RunLoop::currentRunLoop().now();
    double t = static_cast<double>(now - flip->start) / static_cast<double>(flip->duration);
    flipProgress = animationCurveValue(AnimationCurve::EaseInOut, std::clamp(t, 0.0, 1.0));
    ctx.beginTransparencyLayer();
  }

  bool group = alpha < 0.999;
  // A view's own drawing never leaves its bounds; a leaf view can therefore
  // be clipped there, which also keeps its alpha group as small as the view.
  bool leaf = v.subviews().empty() && !flip;
  if (leaf || v.clipsToBounds()) {
    ctx.clipToRect(RectMake(0, 0, b.size.width, b.size.height));
  }
  if (group) ctx.beginTransparencyLayer();
  Color bg = v.backgroundColor();
  if (!bg.isClear()) {
    ctx.setFillColor(bg);
    ctx.fillRect(RectMake(0, 0, b.size.width, b.size.height));
  }
  // The view's own drawing and its subviews are in its bounds' coordinates,
  // whose origin is at the top-left corner.
  ctx.saveGState();
  ctx.translateCTM(-b.origin.x, -b.origin.y);
  {
    ctx.saveGState();
    GraphicsContextScope scope(&ctx);
    v.drawRect(b);
    ctx.beginPath();
    ctx.restoreGState();
  }
  if (flip && flipProgress < 0.5)
    renderSubviews(flip->before, ctx);
  else
    renderSubviews(v.subviews(), ctx);
  ctx.restoreGState();
  if (flip) {
    // Shade the turning face a little as it goes edge-on.
    ctx.setRGBFillColor(0, 0, 0, 0.5 * std::sin(flipProgress * M_PI));
    ctx.fillRect(RectMake(0, 0, b.size.width, b.size.height));
  }
  if (group) ctx.endTransparencyLayer(alpha);
  if (flip) {
    auto face = ctx.endTransparencyLayerAsPicture();
    // First half: the old face turns from 0 to a quarter; second half: the
    // new face (the card's back) turns from minus a quarter to 0.
    double angle = flipProgress < 0.5 ? flipProgress * M_PI : (flipProgress - 1) * M_PI;
    paintTurnedFace(ctx, *face, b.size, angle, flip->kind == AnimationTransition::FlipFromRight);
  }
  ctx.restoreGState();
}
// Maps a non-root view's coordinates to its superview's, as renderView
// places it: about its centre, turned by its presentation transform.
AffineTransform viewToSuperview(const View& v) {
  AffineTransform m = AffineTransformMakeTranslation(v.center().x, v.center().y);
  Transform3D t = v.presentationTransform();
  if (!Transform3DIsIdentity(t)) {
    m = AffineTransformConcat(AffineTransform{t.m11, t.m12, t.m21, t.m22, t.m41, t.m42}, m);
  }
  Rect b = v.bounds();
  return AffineTransformConcat(AffineTransformMakeTranslation(-b.size.width * 0.5 - b.origin.x,
                                                              -b.size.height * 0.5 - b.origin.y),
                               m);
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
void addSubtreeExtent(const View& v, const AffineTransform& toRoot, Extent& extent) {
  if (!drawnAtAll(v)) return;
  Rect b = v.bounds();
  const double xs[] = {b.minX(), b.maxX()}, ys[] = {b.minY(), b.maxY()};
  for (double x : xs) {
    for (double y : ys) {
      const Point p = PointApplyAffineTransform(PointMake(x, y), toRoot);
      extent.add(p.x, p.y);
    }
  }
  if (v.clipsToBounds()) return;
  for (const auto& sub : v.subviews()) {
    addSubtreeExtent(*sub, AffineTransformConcat(viewToSuperview(*sub), toRoot), extent);
  }
}
}  // namespace

Rect renderedExtentInRoot(const View& view, const View& root) {
  AffineTransform toRoot;
  const View* v = &view;
  for (; v && v != &root; v = v->superview()) {
    if (!drawnAtAll(*v)) return Rect{};
    toRoot = AffineTransformConcat(toRoot, viewToSuperview(*v));
  }
  if (v != &root || !drawnAtAll(root)) return Rect{};
  Extent extent;
  addSubtreeExtent(view, toRoot, extent);
  if (!(extent.maxX > extent.minX) || !(extent.maxY > extent.minY)) return Rect{};
  return RectMake(extent.minX, extent.minY, extent.maxX - extent.minX, extent.maxY - extent.minY);
}

void renderViewTree(View& root, GraphicsContext& ctx) {
  ctx.saveGState();
  ctx.scaleCTM(ctx.deviceScale(), ctx.deviceScale());
  renderView(root, ctx, true);
  ctx.restoreGState();
}

}  // namespace platform
