#pragma once

#include <memory>

#include "platform/View.h"

// The settings screen's top view: a plain view that only holds the table. It
// draws nothing of its own; its background colour is set by its controller.
class FlipsideView : public platform::View {
 public:
  static std::shared_ptr<FlipsideView> initWithFrame(const platform::Rect& frame);
  explicit FlipsideView(const platform::Rect& frame);
};
