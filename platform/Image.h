#pragma once

#include <memory>
#include <string>

#include "platform/Geometry.h"

typedef struct _cairo_surface cairo_surface_t;

namespace platform {

// A bundle image. A file "name.png" may come with "name@2x.png" at twice the
// pixels; drawing picks the 2× picture wherever the device scale is above 1.
class Image {
 public:
  // "Background.png" (or "Background"); none when the bundle has no such image.
  // Images are cached by name.
  static std::shared_ptr<Image> imageNamed(const std::string& name);
  // Forgets the cache (tests switch bundles).
  static void clearCache();

  Image(cairo_surface_t* oneX, cairo_surface_t* twoX);
  ~Image();
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;

  // Size in points.
  Size size() const { return size_; }

  // Draw into the current graphics context.
  void drawInRect(const Rect& rect, double alpha = 1.0) const;
  void drawAtPoint(Point p, double alpha = 1.0) const { drawInRect(Rect{p, size_}, alpha); }

  // The picture for a device scale, and its pixels per point.
  cairo_surface_t* surfaceForScale(double deviceScale, double* pixelsPerPoint) const;

 private:
  cairo_surface_t* oneX_;
  cairo_surface_t* twoX_;
  Size size_;
};

}  // namespace platform
