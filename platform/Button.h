#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/Control.h"
#include "platform/Font.h"
#include "platform/Image.h"

namespace platform {

// A button drawn from a background image (stretched to the bounds) and an
// image (its own size, placed by the content alignment inside the content
// edge insets), each chosen by state: the selected picture when selected and
// one was given, else the normal one. While touched it can glow.
class Button : public Control {
 public:
  explicit Button(const Rect& frame = Rect{});

  void setImage(std::shared_ptr<Image> image, unsigned state);
  void setBackgroundImage(std::shared_ptr<Image> image, unsigned state);
  // The picture set for exactly that state (none when not set).
  std::shared_ptr<Image> image(unsigned state) const;
  std::shared_ptr<Image> backgroundImage(unsigned state) const;
  // What the button shows in its present state.
  std::shared_ptr<Image> currentImage() const;
  std::shared_ptr<Image> currentBackgroundImage() const;

  // A plain title, drawn centred (used by bar buttons); empty by default.
  void setTitle(const std::string& title) {
    title_ = title;
    setNeedsDisplay();
  }
  const std::string& title() const { return title_; }
  void setTitleFont(std::shared_ptr<Font> font) {
    titleFont_ = std::move(font);
    setNeedsDisplay();
  }
  void setTitleColor(const Color& color) {
    titleColor_ = color;
    setNeedsDisplay();
  }
  // A rounded body of this colour under the title (clear: none), for
  // buttons drawn without images.
  void setBodyColor(const Color& color) {
    bodyColor_ = color;
    setNeedsDisplay();
  }

  EdgeInsets contentEdgeInsets() const { return insets_; }
  void setContentEdgeInsets(const EdgeInsets& e) {
    insets_ = e;
    setNeedsDisplay();
  }
  void setAdjustsImageWhenDisabled(bool b) {
    adjustsWhenDisabled_ = b;
    setNeedsDisplay();
  }
  void setAdjustsImageWhenHighlighted(bool b) { adjustsWhenHighlighted_ = b; }
  void setShowsTouchWhenHighlighted(bool b) { showsTouch_ = b; }

  // Where the image goes in the bounds, for its size.
  Rect imageRectForContentRect(const Rect& contentRect, Size imageSize) const;

  void drawRect(const Rect& rect) override;

 private:
  static std::shared_ptr<Image> pick(const std::map<unsigned, std::shared_ptr<Image>>& m,
                                     unsigned state);
  std::map<unsigned, std::shared_ptr<Image>> images_;
  std::map<unsigned, std::shared_ptr<Image>> backgrounds_;
  std::string title_;
  std::shared_ptr<Font> titleFont_;
  Color titleColor_ = Color::whiteColor();
  Color bodyColor_ = Color::clearColor();
  EdgeInsets insets_;
  bool adjustsWhenDisabled_ = true;
  bool adjustsWhenHighlighted_ = true;
  bool showsTouch_ = false;
};

}  // namespace platform
