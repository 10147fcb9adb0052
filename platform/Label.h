#pragma once

#include <memory>
#include <string>

#include "platform/Font.h"
#include "platform/View.h"

namespace platform {

enum class TextAlignment { Left = 0, Center = 1, Right = 2 };

// One line of text, vertically centred in the bounds. Labels do not take
// touches (they pass through to what is below).
class Label : public View {
 public:
  explicit Label(const Rect& frame = Rect{});

  const std::string& text() const { return text_; }
  void setText(const std::string& text);
  const std::shared_ptr<Font>& font() const { return font_; }
  void setFont(std::shared_ptr<Font> font) {
    font_ = std::move(font);
    setNeedsDisplay();
  }
  const Color& textColor() const { return textColor_; }
  TextAlignment textAlignment() const { return alignment_; }
  const Color& shadowColor() const { return shadowColor_; }
  Size shadowOffset() const { return shadowOffset_; }
  void setTextColor(const Color& c) {
    textColor_ = c;
    setNeedsDisplay();
  }
  void setTextAlignment(TextAlignment a) {
    alignment_ = a;
    setNeedsDisplay();
  }
  void setShadowColor(const Color& c) {
    shadowColor_ = c;
    setNeedsDisplay();
  }
  void setShadowOffset(Size s) {
    shadowOffset_ = s;
    setNeedsDisplay();
  }

  void drawRect(const Rect& rect) override;

 private:
  std::string text_;
  std::shared_ptr<Font> font_;
  Color textColor_ = Color::blackColor();
  TextAlignment alignment_ = TextAlignment::Left;
  Color shadowColor_ = Color::clearColor();
  Size shadowOffset_{0, -1};
};

}  // namespace platform
