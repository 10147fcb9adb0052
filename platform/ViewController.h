#pragma once

#include <memory>

#include "platform/View.h"

namespace platform {

// Owns one screen's view. The view is made on first request: loadView (a
// plain view by default, unless setView already gave one), then viewDidLoad,
// once. The appearance notifications come from whoever shows the screen.
class ViewController {
 public:
  ViewController() = default;
  virtual ~ViewController() = default;
  ViewController(const ViewController&) = delete;
  ViewController& operator=(const ViewController&) = delete;

  // Loads the view the first time it is asked for.
  const std::shared_ptr<View>& view();
  bool isViewLoaded() const { return loaded_; }
  void setView(std::shared_ptr<View> view) { view_ = std::move(view); }

  virtual void loadView();
  virtual void viewDidLoad() {}
  virtual void viewWillAppear(bool) {}
  virtual void viewDidAppear(bool) {}
  virtual void viewWillDisappear(bool) {}
  virtual void viewDidDisappear(bool) {}

 private:
  std::shared_ptr<View> view_;
  bool loaded_ = false;
};

}  // namespace platform
