#pragma once

#include <memory>

#include "platform/Image.h"
#include "platform/View.h"

namespace platform {

// Shows an image scaled to its bounds. Made from an image, it takes the
// image's size (origin 0, 0); with no image it is empty and draws nothing.
class ImageView : public View {
 public:
  explicit ImageView(std::shared_ptr<Image> image);
  ImageView(const Rect& frame, std::shared_ptr<Image> image);

  const std::shared_ptr<Image>& image() const { return image_; }
  void setImage(std::shared_ptr<Image> image) {
    image_ = std::move(image);
    setNeedsDisplay();
  }

  void drawRect(const Rect& rect) override;

 private:
  std::shared_ptr<Image> image_;
};

}  // namespace platform
