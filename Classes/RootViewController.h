#pragma once

#include "platform/ViewController.h"

// The controller above both screens. The tuner screen only needs to ask it to
// flip to the other screen; the settings side fills in the rest.
class RootViewController : public platform::ViewController {
 public:
  // Flips between the tuner screen and the settings screen.
  virtual void toggleView() = 0;
};
