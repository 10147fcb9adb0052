#include "platform/Image.h"

#include <cairo.h>

#include <map>

#include "platform/Bundle.h"
#include "platform/GraphicsContext.h"
#include "platform/Log.h"

namespace platform {

namespace {
std::map<std::string, std::shared_ptr<Image>>& cache() {
  static std::map<std::string, std::shared_ptr<Image>> images;
  return images;
}

cairo_surface_t* loadPNG(const std::string& path) {
  cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return nullptr;
  }
  return s;
}

cairo_surface_t* loadResource(const std::string& base, const std::string& ext) {
  auto path = Bundle::mainBundle().pathForResource(base, ext);
  if (!path) return nullptr;
  cairo_surface_t* s = loadPNG(*path);
  if (!s) Log("cannot read image %s", path->c_str());
  return s;
}
}  // namespace

Image::Image(cairo_surface_t* oneX, cairo_surface_t* twoX) : oneX_(oneX), twoX_(twoX) {
  if (oneX_) {
    size_ = Size{static_cast<double>(cairo_image_surface_get_width(oneX_)),
                 static_cast<double>(cairo_image_surface_get_height(oneX_))};
  } else if (twoX_) {
    size_ = Size{cairo_image_surface_get_width(twoX_) / 2.0,
                 cairo_image_surface_get_height(twoX_) / 2.0};
  }
}

Image::~Image() {
  if (oneX_) cairo_surface_destroy(oneX_);
  if (twoX_) cairo_surface_destroy(twoX_);
}

std::shared_ptr<Image> Image::imageNamed(const std::string& name) {
  auto found = cache().find(name);
  if (found != cache().end()) return found->second;
  std::string base = name, ext = "png";
  if (auto dot = name.rfind('.'); dot != std::string::npos && dot > 0) {
    base = name.substr(0, dot);
    ext = name.substr(dot + 1);
  }
  cairo_surface_t* one = loadResource(base, ext);
  cairo_surface_t* two = loadResource(base + "@2x", ext);
  if (!one && !two) return nullptr;  // not cached: a later build may add it
  auto image = std::make_shared<Image>(one, two);
  cache()[name] = image;
  return image;
}

void Image::clearCache() {
  cache().clear();
}

cairo_surface_t* Image::surfaceForScale(double deviceScale, double* pixelsPerPoint) const {
  bool wantTwo = deviceScale > 1.0;
  cairo_surface_t* s = (wantTwo && twoX_) || !oneX_ ? twoX_ : oneX_;
  if (pixelsPerPoint) *pixelsPerPoint = s == twoX_ ? 2.0 : 1.0;
  return s;
}

void Image::drawInRect(const Rect& rect, double alpha) const {
  GraphicsContext* ctx = GraphicsGetCurrentContext();
  if (!ctx || rect.isEmpty() || size_.width <= 0 || size_.height <= 0) return;
  double ppp = 1;
  cairo_surface_t* s = surfaceForScale(ctx->deviceScale(), &ppp);
  if (!s) return;
  cairo_t* cr = ctx->cairo();
  cairo_save(cr);
  cairo_new_path(cr);
  cairo_translate(cr, rect.origin.x, rect.origin.y);
  cairo_scale(cr, rect.size.width / (size_.width * ppp), rect.size.height / (size_.height * ppp));
  cairo_set_source_surface(cr, s, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_paint_with_alpha(cr, alpha);
  cairo_restore(cr);
}

}  // namespace platform
