#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Font.h"
#include "platform/View.h"

namespace platform {

enum class TextAlignment { Left = 0, Center = 1, Right = 2 };

// Text vertically centred in the bounds: one line, or with numberOfLines 0
// (or more than 1) broken between words to the label's width, up to that
// many lines (0: as many as it takes). Labels do not take touches (they pass
// through to what is below).
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
  int numberOfLines() const { return numberOfLines_; }
  void setNumberOfLines(int lines) {
    numberOfLines_ = lines;
    setNeedsDisplay();
  }
  // The text as drawn, line by line.
  std::vector<std::string> lines() const;

  void drawRect(const Rect& rect) override;

 private:
  std::string text_;
  std::shared_ptr<Font> font_;
  Color textColor_ = Color::blackColor();
  TextAlignment alignment_ = TextAlignment::Left;
  Color shadowColor_ = Color::clearColor();
  Size shadowOffset_{0, -1};
  int numberOfLines_ = 1;
};

}  // namespace platform
