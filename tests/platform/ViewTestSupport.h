#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/RunLoop.h"
#include "platform/View.h"

// Puts the main run loop on a manual clock for the test and back on real time
// afterwards, so animation progress is exact.
class ManualClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock = &platform::RunLoop::currentRunLoop().useManualClock();
    platform::View::resetAnimationCounts();
  }
  void TearDown() override {
    platform::RunLoop::currentRunLoop().setClock(std::make_shared<platform::RealClock>());
  }
  void advance(double seconds) { clock->set(clock->now() + platform::secondsToNanos(seconds)); }
  platform::ManualClock* clock = nullptr;
};
