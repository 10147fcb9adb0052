#include "platform/ImageView.h"

namespace platform {

ImageView::ImageView(std::shared_ptr<Image> image)
    : View(image ? Rect{{0, 0}, image->size()} : Rect{}), image_(std::move(image)) {
  setUserInteractionEnabled(false);
}

ImageView::ImageView(const Rect& frame, std::shared_ptr<Image> image)
    : View(frame), image_(std::move(image)) {
  setUserInteractionEnabled(false);
}

void ImageView::drawRect(const Rect&) {
  if (image_) image_->drawInRect(bounds());
}

}  // namespace platform
