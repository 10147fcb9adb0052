#pragma once

#include <cairo.h>

#include <cstdint>
#include <cstring>

#include "platform/View.h"
#include "platform/desktop/CairoGraphicsContext.h"

namespace test_support {

struct Pixel {
  int r = 0, g = 0, b = 0, a = 0;
};

// A view tree rendered offscreen at `scale` pixels per point into memory
// (ARGB32, premultiplied), with its pixels readable.
class Canvas {
 public:
  Canvas(platform::View& root, double scale) {
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32,
                                          static_cast<int>(root.bounds().size.width * scale),
                                          static_cast<int>(root.bounds().size.height * scale));
    cairo_t* cr = cairo_create(surface_);
    platform::renderViewTree(root, cr, scale);
    cairo_destroy(cr);
    cairo_surface_flush(surface_);
  }
  ~Canvas() { cairo_surface_destroy(surface_); }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  cairo_surface_t* surface() const { return surface_; }

  // How many rows of pixels differ from `other`'s, a canvas of the same size.
  int rowsDifferingFrom(const Canvas& other) const {
    const int stride = cairo_image_surface_get_stride(surface_);
    const int bytes = 4 * cairo_image_surface_get_width(surface_);
    int differing = 0;
    for (int y = 0; y < cairo_image_surface_get_height(surface_); ++y) {
      differing +=
          std::memcmp(cairo_image_surface_get_data(surface_) + y * stride,
                      cairo_image_surface_get_data(other.surface_) + y * stride, bytes) != 0;
    }
    return differing;
  }

  Pixel at(int x, int y) const {
    const unsigned char* row =
        cairo_image_surface_get_data(surface_) + y * cairo_image_surface_get_stride(surface_);
    const uint32_t v = reinterpret_cast<const uint32_t*>(row)[x];
    return Pixel{static_cast<int>((v >> 16) & 255), static_cast<int>((v >> 8) & 255),
                 static_cast<int>(v & 255), static_cast<int>(v >> 24)};
  }

 private:
  cairo_surface_t* surface_;
};

}  // namespace test_support
