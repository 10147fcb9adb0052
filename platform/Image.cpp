#include "platform/Image.h"

#include <map>

namespace platform {

namespace {
std::map<std::string, std::shared_ptr<Image>>& cache() {
  static std::map<std::string, std::shared_ptr<Image>> images;
  return images;
}
}  // namespace

Image::Image(std::shared_ptr<Bitmap> oneX, std::shared_ptr<Bitmap> twoX, Size size)
    : oneX_(std::move(oneX)), twoX_(std::move(twoX)), size_(size) {}

std::shared_ptr<Image> Image::imageNamed(const std::string& name) {
  auto found = cache().find(name);
  if (found != cache().end()) return found->second;
  std::string base = name, ext = "png";
  if (auto dot = name.rfind('.'); dot != std::string::npos && dot > 0) {
    base = name.substr(0, dot);
    ext = name.substr(dot + 1);
  }
  int w1 = 0, h1 = 0, w2 = 0, h2 = 0;
  auto one = loadBitmap(base + "." + ext, &w1, &h1);
  auto two = loadBitmap(base + "@2x." + ext, &w2, &h2);
  if (!one && !two) return nullptr;  // not cached: a later build may add it
  const Size size =
      one ? Size{static_cast<double>(w1), static_cast<double>(h1)} : Size{w2 / 2.0, h2 / 2.0};
  auto image = std::make_shared<Image>(std::move(one), std::move(two), size);
  cache()[name] = image;
  return image;
}

void Image::clearCache() {
  cache().clear();
}

const Image::Bitmap* Image::bitmapForScale(double deviceScale, double* pixelsPerPoint) const {
  const bool wantTwo = deviceScale > 1.0;
  const Bitmap* b = (wantTwo && twoX_) || !oneX_ ? twoX_.get() : oneX_.get();
  if (pixelsPerPoint) *pixelsPerPoint = b == twoX_.get() ? 2.0 : 1.0;
  return b;
}

}  // namespace platform
