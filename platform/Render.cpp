#include "platform/Render.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "platform/GraphicsContext.h"
#include "platform/Log.h"

namespace platform {

namespace {
void renderView(View& v, cairo_t* cr, double scale, bool isRoot);

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

  // A flip turns the view about its vertical centre line: the old face
  // narrows to nothing, then the new one widens from nothing.
  const View::TransitionState* flip = v.runningTransition();
  double flipProgress = 0;
  if (flip) {
    Nanos now = RunLoop::currentRunLoop().now();
    double t = static_cast<double>(now - flip->start) / static_cast<double>(flip->duration);
    flipProgress = animationCurveValue(AnimationCurve::EaseInOut, std::clamp(t, 0.0, 1.0));
    double sx = std::max(std::abs(std::cos(flipProgress * M_PI)), 0.001);
    cairo_translate(cr, b.size.width * 0.5, 0);
    cairo_scale(cr, sx, 1);
    cairo_translate(cr, -b.size.width * 0.5, 0);
  }

  bool group = alpha < 0.999;
  // A view's own drawing never leaves its bounds; a leaf view can therefore
  // be clipped there, which also keeps its alpha group as small as the view.
  bool leaf = v.subviews().empty() && !flip;
  if (leaf) {
    cairo_rectangle(cr, 0, 0, b.size.width, b.size.height);
    cairo_clip(cr);
  }
  if (group) cairo_push_group(cr);
  if (v.clipsToBounds() && !leaf) {
    cairo_rectangle(cr, 0, 0, b.size.width, b.size.height);
    cairo_clip(cr);
  }
  Color bg = v.backgroundColor();
  if (!bg.isClear()) {
    cairo_set_source_rgba(cr, bg.red, bg.green, bg.blue, bg.alpha);
    cairo_rectangle(cr, 0, 0, b.size.width, b.size.height);
    cairo_fill(cr);
  }
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
  cairo_restore(cr);
}
}  // namespace

void renderViewTree(View& root, cairo_t* cr, double scale) {
  cairo_save(cr);
  cairo_scale(cr, scale, scale);
  renderView(root, cr, scale, true);
  cairo_restore(cr);
}

bool renderToPNG(View& root, const std::string& path, double scale) {
  int w = static_cast<int>(std::lround(root.bounds().size.width * scale));
  int h = static_cast<int>(std::lround(root.bounds().size.height * scale));
  if (w <= 0 || h <= 0) {
    Log("cannot render an empty view to %s", path.c_str());
    return false;
  }
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(surface);
  renderViewTree(root, cr, scale);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    Log("cannot write %s: %s", path.c_str(), cairo_status_to_string(status));
    return false;
  }
  return true;
}

}  // namespace platform
