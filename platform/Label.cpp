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

std::vector<std::string> Label::lines() const {
  if (numberOfLines_ == 1 || !font_) return {text_};
  // Words go onto a line while they fit; a word wider than the label has a
  // line of its own.
  const double width = bounds().size.width;
  std::vector<std::string> lines;
  std::string line;
  size_t at = 0;
  while (at < text_.size()) {
    const size_t space = text_.find(' ', at);
    const size_t end = space == std::string::npos ? text_.size() : space;
    const std::string word = text_.substr(at, end - at);
    const std::string longer = line.empty() ? word : line + " " + word;
    if (!line.empty() && sizeWithFont(longer, font_).width > width) {
      lines.push_back(line);
      line = word;
    } else {
      line = longer;
    }
    at = end + 1;
  }
  if (!line.empty() || lines.empty()) lines.push_back(line);
  if (numberOfLines_ > 0 && lines.size() > static_cast<size_t>(numberOfLines_)) {
    lines.resize(numberOfLines_);
  }
  return lines;
}

void Label::drawRect(const Rect&) {
  GraphicsContext* ctx = GraphicsGetCurrentContext();
  if (!ctx || text_.empty() || !font_) return;
  const std::vector<std::string> shown = lines();
  const Rect b = bounds();
  double y = (b.size.height - font_->lineHeight() * static_cast<double>(shown.size())) * 0.5;
  for (const std::string& line : shown) {
    const Size size = sizeWithFont(line, font_);
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
    if (!shadowColor_.isClear()) {
      ctx->setFillColor(shadowColor_);
      drawAtPoint(line, Point{x + shadowOffset_.width, y + shadowOffset_.height}, font_);
    }
    ctx->setFillColor(textColor_);
    drawAtPoint(line, Point{x, y}, font_);
    y += font_->lineHeight();
  }
}

}  // namespace platform
