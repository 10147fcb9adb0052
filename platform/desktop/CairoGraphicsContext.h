#pragma once

#include <cairo.h>

#include "platform/GraphicsContext.h"
#include "platform/Image.h"
#include "platform/View.h"

namespace platform {

// The drawing context on cairo (the desktop backend): every call maps onto
// cairo's own, in cairo's imaging model. Text and images reach the cairo
// context through cairo().
class CairoGraphicsContext final : public GraphicsContext {
 public:
  // Draws into `cr` (not owned).
  CairoGraphicsContext(cairo_t* cr, double deviceScale);

  cairo_t* cairo() const { return cr_; }
  // Sets cairo's source to the fill colour or gradient.
  void useFill();

  void translateCTM(double tx, double ty) override { cairo_translate(cr_, tx, ty); }
  void rotateCTM(double angle) override { cairo_rotate(cr_, angle); }
  void scaleCTM(double sx, double sy) override { cairo_scale(cr_, sx, sy); }
  void concatCTM(const AffineTransform& t) override;
  void beginPath() override { cairo_new_path(cr_); }
  void moveToPoint(double x, double y) override { cairo_move_to(cr_, x, y); }
  void addLineToPoint(double x, double y) override;
  void addArc(double x, double y, double radius, double start, double end) override {
    cairo_arc(cr_, x, y, radius, start, end);
  }
  void newSubPath() override { cairo_new_sub_path(cr_); }
  void closePath() override { cairo_close_path(cr_); }
  void addRect(const Rect& r) override;
  void drawPath(PathDrawingMode mode) override;
  void clipToRect(const Rect& r) override;
  void beginTransparencyLayer() override { cairo_push_group(cr_); }
  void endTransparencyLayer(double alpha) override;
  std::unique_ptr<Picture> endTransparencyLayerAsPicture() override;
  void drawPicture(const Picture& picture) override;

 protected:
  void save() override { cairo_save(cr_); }
  void restore() override { cairo_restore(cr_); }

 private:
  void useColor(const Color& c);
  void useLineStyle();
  cairo_t* cr_;
};

// Draws `root` and its subviews into `cr` (see renderViewTree in Render.h).
void renderViewTree(View& root, cairo_t* cr, double scale);

// An image of one picture at one pixel per point, taking `surface` over.
std::shared_ptr<Image> imageWithCairoSurface(cairo_surface_t* surface);

}  // namespace platform
