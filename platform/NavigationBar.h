#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Button.h"
#include "platform/View.h"

namespace platform {

enum class BarStyle { Default = 0, Black = 1, BlackOpaque = 1, BlackTranslucent = 2 };
enum class BarButtonSystemItem { Done = 0, Cancel = 1, Save = 3 };

// An item of a navigation bar: a system button with its action.
class BarButtonItem {
 public:
  BarButtonItem(BarButtonSystemItem item, std::function<void()> action);
  template <typename T>
  static std::shared_ptr<BarButtonItem> initWithBarButtonSystemItem(BarButtonSystemItem item,
                                                                    T* target,
                                                                    void (T::*action)()) {
    return std::make_shared<BarButtonItem>(item, [target, action] { (target->*action)(); });
  }

  std::string title() const;
  void trigger() const {
    if (action_) action_();
  }

 private:
  BarButtonSystemItem item_;
  std::function<void()> action_;
};

// The title and buttons a navigation bar shows for one level.
class NavigationItem {
 public:
  explicit NavigationItem(const std::string& title) : title_(title) {}
  const std::string& title() const { return title_; }
  void setTitle(const std::string& title) { title_ = title; }
  const std::shared_ptr<BarButtonItem>& rightBarButtonItem() const { return right_; }
  void setRightBarButtonItem(std::shared_ptr<BarButtonItem> item) { right_ = std::move(item); }
  const std::shared_ptr<BarButtonItem>& leftBarButtonItem() const { return left_; }
  void setLeftBarButtonItem(std::shared_ptr<BarButtonItem> item) { left_ = std::move(item); }

 private:
  std::string title_;
  std::shared_ptr<BarButtonItem> right_;
  std::shared_ptr<BarButtonItem> left_;
};

// A bar across the top of a screen: the top item's title centred, its left
// button (e.g. Cancel, plain) at the left edge and its right button (Done,
// Save: lit) at the right edge.
class NavigationBar : public View {
 public:
  explicit NavigationBar(const Rect& frame);

  BarStyle barStyle() const { return style_; }
  void setBarStyle(BarStyle style) {
    style_ = style;
    setNeedsDisplay();
  }
  void pushNavigationItem(std::shared_ptr<NavigationItem> item, bool animated);
  NavigationItem* topItem() const { return items_.empty() ? nullptr : items_.back().get(); }
  // The buttons standing for the top item's bar buttons, if any.
  Button* rightButton() const { return rightButton_.get(); }
  Button* leftButton() const { return leftButton_.get(); }

  void drawRect(const Rect& rect) override;

 protected:
  void layoutSubviews() override;

 private:
  void rebuildButtons();
  BarStyle style_ = BarStyle::Default;
  std::vector<std::shared_ptr<NavigationItem>> items_;
  std::shared_ptr<Button> rightButton_;
  std::shared_ptr<Button> leftButton_;
};

}  // namespace platform
