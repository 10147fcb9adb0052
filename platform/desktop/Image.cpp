// The desktop's images: PNG files of the bundle read by cairo, drawn into the
// cairo context with good filtering.
#include "platform/Image.h"

#include "platform/Bundle.h"
#include "platform/Log.h"
#include "platform/desktop/CairoGraphicsContext.h"

namespace platform {

struct Image::Bitmap {
  explicit Bitmap(cairo_surface_t* s) : surface(s) {}
  ~Bitmap() { cairo_surface_destroy(surface); }
  cairo_surface_t* surface;
};

std::shared_ptr<Image::Bitmap> Image::loadBitmap(const std::string& fileName, int* width,
                                                 int* height) {
  auto path = Bundle::mainBundle().pathForResource(fileName);
  if (!path) return nullptr;
  cairo_surface_t* s = cairo_image_surface_create_from_png(path->c_str());
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    Log("cannot read image %s", path->c_str());
    return nullptr;
  }
  *width = cairo_image_surface_get_width(s);
  *height = cairo_image_surface_get_height(s);
  return std::make_shared<Bitmap>(s);
}

std::shared_ptr<Image> imageWithCairoSurface(cairo_surface_t* surface) {
  const Size size{static_cast<double>(cairo_image_surface_get_width(surface)),
                  static_cast<double>(cairo_image_surface_get_height(surface))};
  return std::make_shared<Image>(std::make_shared<Image::Bitmap>(surface), nullptr, size);
}

void Image::drawInRect(const Rect& rect, double alpha) const {
  auto* ctx = dynamic_cast<CairoGraphicsContext*>(GraphicsGetCurrentContext());
  if (!ctx || rect.isEmpty() || size_.width <= 0 || size_.height <= 0) return;
  double ppp = 1;
  const Bitmap* b = bitmapForScale(ctx->deviceScale(), &ppp);
  if (!b) return;
  cairo_t* cr = ctx->cairo();
  cairo_save(cr);
  cairo_new_path(cr);
  cairo_translate(cr, rect.origin.x, rect.origin.y);
  cairo_scale(cr, rect.size.width / (size_.width * ppp), rect.size.height / (size_.height * ppp));
  cairo_set_source_surface(cr, b->surface, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_paint_with_alpha(cr, alpha);
  cairo_restore(cr);
}

}  // namespace platform
