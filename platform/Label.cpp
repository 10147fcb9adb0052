#include "platform/Label.h"

#include "platform/GraphicsContext.h"

namespace platform {

Label::Label(const Rect& frame) : View(frame), font_(Font::systemFontOfSize(17)) {
  setUserInteractionEnabled(false);
}

void Label::setText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  setNeedsDisplay();
}

void Label::drawRect(const Rect&) {
  GraphicsContext* ctx = GraphicsGetCurrentContext();
  if (!ctx || text_.empty() || !font_) return;
  Size size = sizeWithFont(text_, font_);
  Rect b = bounds();
  double x = 0;
  switch (alignment_) {
    case TextAlignment::Left:
      x = 0;
      break;
    case TextAlignment::Center:
      x = (b.size.width - size.width) * 0.5;
      break;
    case TextAlignment::Right:
      x = b.size.width - size.width;
      break;
  }
  double y = (b.size.height - size.height) * 0.5;
  if (!shadowColor_.isClear()) {
    ctx->setFillColor(shadowColor_);
    drawAtPoint(text_, Point{x + shadowOffset_.width, y + shadowOffset_.height}, font_);
  }
  ctx->setFillColor(textColor_);
  drawAtPoint(text_, Point{x, y}, font_);
}

}  // namespace platform
