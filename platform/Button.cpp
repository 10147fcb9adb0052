#include "platform/Button.h"

#include <algorithm>
#include <cmath>

#include "platform/GraphicsContext.h"

namespace platform {

Button::Button(const Rect& frame) : Control(frame) {}

void Button::setImage(std::shared_ptr<Image> image, unsigned state) {
  images_[state] = std::move(image);
  setNeedsDisplay();
}

void Button::setBackgroundImage(std::shared_ptr<Image> image, unsigned state) {
  backgrounds_[state] = std::move(image);
  setNeedsDisplay();
}

std::shared_ptr<Image> Button::image(unsigned state) const {
  auto it = images_.find(state);
  return it == images_.end() ? nullptr : it->second;
}

std::shared_ptr<Image> Button::backgroundImage(unsigned state) const {
  auto it = backgrounds_.find(state);
  return it == backgrounds_.end() ? nullptr : it->second;
}

std::shared_ptr<Image> Button::pick(const std::map<unsigned, std::shared_ptr<Image>>& m,
                                    unsigned state) {
  // The picture for the selected state if there is one, else the normal one:
  // a highlight alone never changes the picture here (it glows instead).
  if (state & ControlStateSelected) {
    auto it = m.find(ControlStateSelected);
    if (it != m.end() && it->second) return it->second;
  }
  auto it = m.find(ControlStateNormal);
  return it == m.end() ? nullptr : it->second;
}

std::shared_ptr<Image> Button::currentImage() const {
  return pick(images_, state());
}
std::shared_ptr<Image> Button::currentBackgroundImage() const {
  return pick(backgrounds_, state());
}

Rect Button::imageRectForContentRect(const Rect& content, Size imageSize) const {
  double w = imageSize.width, h = imageSize.height;
  // An image larger than the content area shrinks to fit, keeping its shape.
  double fit = std::min({1.0, content.size.width > 0 ? content.size.width / w : 1.0,
                         content.size.height > 0 ? content.size.height / h : 1.0});
  if (w > 0 && h > 0 && fit < 1.0) {
    w *= fit;
    h *= fit;
  }
  double x = content.origin.x, y = content.origin.y;
  switch (contentHorizontalAlignment()) {
    case ControlContentHorizontalAlignment::Center:
      x += (content.size.width - w) * 0.5;
      break;
    case ControlContentHorizontalAlignment::Left:
      break;
    case ControlContentHorizontalAlignment::Right:
      x += content.size.width - w;
      break;
    case ControlContentHorizontalAlignment::Fill:
      w = content.size.width;
      break;
  }
  switch (contentVerticalAlignment()) {
    case ControlContentVerticalAlignment::Center:
      y += (content.size.height - h) * 0.5;
      break;
    case ControlContentVerticalAlignment::Top:
      break;
    case ControlContentVerticalAlignment::Bottom:
      y += content.size.height - h;
      break;
    case ControlContentVerticalAlignment::Fill:
      h = content.size.height;
      break;
  }
  return RectMake(x, y, w, h);
}

void Button::drawRect(const Rect&) {
  GraphicsContext* ctx = GraphicsGetCurrentContext();
  if (!ctx) return;
  bool dimmed = (!isEnabled() && adjustsWhenDisabled_);
  bool darkened = isHighlighted() && adjustsWhenHighlighted_;
  double alpha = dimmed ? 0.4 : 1.0;

  // Darkening is drawn as a group so only the pictures' own pixels darken.
  if (darkened) ctx->beginTransparencyLayer();
  if (!bodyColor_.isClear()) {
    const Rect b = insetRect(bounds(), EdgeInsets{0.5, 0.5, 0.5, 0.5});
    const double r = std::min(6.0, b.size.height / 2);
    const Color& c = bodyColor_;
    ctx->saveGState();
    ctx->beginPath();
    ctx->addRoundedRect(b, r, r);
    ctx->setFillGradient(
        Gradient::linear({0, b.minY()}, {0, b.maxY()},
                         {{0,
                           {std::min(1.0, c.red + 0.12), std::min(1.0, c.green + 0.12),
                            std::min(1.0, c.blue + 0.12), c.alpha * alpha}},
                          {1, {c.red, c.green, c.blue, c.alpha * alpha}}}));
    ctx->setRGBStrokeColor(0, 0, 0, 0.7 * alpha);
    ctx->setLineWidth(1);
    ctx->drawPath(PathDrawingMode::FillStroke);
    ctx->restoreGState();
  }
  if (auto bg = currentBackgroundImage()) bg->drawInRect(bounds(), alpha);
  Rect content = insetRect(bounds(), insets_);
  if (auto img = currentImage())
    img->drawInRect(imageRectForContentRect(content, img->size()), alpha);
  if (!title_.empty()) {
    auto font = titleFont_ ? titleFont_ : Font::boldSystemFontOfSize(13);
    Size s = sizeWithFont(title_, font);
    ctx->setFillColor(
        Color{titleColor_.red, titleColor_.green, titleColor_.blue, titleColor_.alpha * alpha});
    drawAtPoint(title_, Point{content.midX() - s.width * 0.5, content.midY() - s.height * 0.5},
                font);
  }
  if (darkened) {
    // Black over the pictures' own pixels only.
    ctx->saveGState();
    ctx->setBlendMode(BlendMode::SourceAtop);
    ctx->setRGBFillColor(0, 0, 0, 0.35);
    ctx->fillRect(bounds());
    ctx->restoreGState();
    ctx->endTransparencyLayer(1.0);
  }

  if (isHighlighted() && showsTouch_) {
    // A soft white glow centred on the content, the touch made visible.
    double cx = content.midX(), cy = content.midY();
    double r = std::max(12.0, std::min(bounds().size.width, bounds().size.height) * 0.5 + 6);
    ctx->saveGState();
    ctx->setFillGradient(Gradient::radial(
        {cx, cy}, 0, r, {{0, {1, 1, 1, 0.85}}, {0.35, {1, 1, 1, 0.45}}, {1, {1, 1, 1, 0}}}));
    ctx->beginPath();
    ctx->addArc(cx, cy, r, 0, 2 * M_PI);
    ctx->fillPath();
    ctx->restoreGState();
  }
}

}  // namespace platform
