#pragma once

#include <memory>
#include <string>

#include "platform/Geometry.h"

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

  // A picture decoded by the backend.
  struct Bitmap;
  // The pictures (either may be null) and the size in points.
  Image(std::shared_ptr<Bitmap> oneX, std::shared_ptr<Bitmap> twoX, Size size);
  ~Image() = default;
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;

  // Size in points.
  Size size() const { return size_; }

  // Draw into the current graphics context.
  void drawInRect(const Rect& rect, double alpha = 1.0) const;
  void drawAtPoint(Point p, double alpha = 1.0) const { drawInRect(Rect{p, size_}, alpha); }

  // The picture for a device scale, and its pixels per point.
  const Bitmap* bitmapForScale(double deviceScale, double* pixelsPerPoint) const;

 private:
  // The backend reads a picture of the bundle ("Needle@2x.png"), and its size
  // in pixels; null when there is none or it cannot be read.
  static std::shared_ptr<Bitmap> loadBitmap(const std::string& fileName, int* width, int* height);

  std::shared_ptr<Bitmap> oneX_;
  std::shared_ptr<Bitmap> twoX_;
  Size size_;
};

}  // namespace platform
