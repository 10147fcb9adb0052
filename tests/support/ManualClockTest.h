#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/RunLoop.h"
#include "platform/View.h"

// Puts the main run loop on a manual clock, with no timer left over from an
// earlier test, and back on real time afterwards, so that timed behaviour is
// exact and no test sees another's timers.
class ManualRunLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    loop().removeAllTimers();
    clock = &loop().useManualClock();
    platform::View::resetAnimationCounts();
  }
  void TearDown() override {
    loop().removeAllTimers();
    loop().setClock(std::make_shared<platform::RealClock>());
  }
  static platform::RunLoop& loop() { return platform::RunLoop::currentRunLoop(); }

  platform::ManualClock* clock = nullptr;
};
