#include "platform/ViewController.h"

#include "platform/Screen.h"

namespace platform {

const std::shared_ptr<View>& ViewController::view() {
  if (!loaded_) {
    loaded_ = true;
    if (!view_) loadView();
    viewDidLoad();
  }
  return view_;
}

void ViewController::loadView() {
  view_ = std::make_shared<View>(Screen::mainScreen().applicationFrame());
}

}  // namespace platform
