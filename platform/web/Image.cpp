// The browser's images: the bundle pictures the page decoded before the
// program started (it serves the @2x ones only: a browser's picture is
// almost always drawn at two or more pixels per point), drawn by the canvas
// with its best smoothing.
#include "platform/Image.h"

#include "platform/web/CanvasGraphicsContext.h"

extern "C" {
int quillon_canvas_image(const char* name, int* width, int* height);
void quillon_canvas_draw_image(int id, double x, double y, double w, double h, double alpha);
}

namespace platform {

struct Image::Bitmap {
  int id;
};

std::shared_ptr<Image::Bitmap> Image::loadBitmap(const std::string& fileName, int* width,
                                                 int* height) {
  const int id = quillon_canvas_image(fileName.c_str(), width, height);
  if (id < 0) return nullptr;
  return std::make_shared<Bitmap>(Bitmap{id});
}

void Image::drawInRect(const Rect& rect, double alpha) const {
  auto* ctx = dynamic_cast<CanvasGraphicsContext*>(GraphicsGetCurrentContext());
  if (!ctx || rect.isEmpty() || size_.width <= 0 || size_.height <= 0) return;
  const Bitmap* b = bitmapForScale(ctx->deviceScale(), nullptr);
  if (!b) return;
  quillon_canvas_draw_image(b->id, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height,
                            alpha);
}

}  // namespace platform
