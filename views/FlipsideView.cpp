#include "views/FlipsideView.h"

std::shared_ptr<FlipsideView> FlipsideView::initWithFrame(const platform::Rect& frame) {
  return std::make_shared<FlipsideView>(frame);
}

FlipsideView::FlipsideView(const platform::Rect& frame) : platform::View(frame) {}
