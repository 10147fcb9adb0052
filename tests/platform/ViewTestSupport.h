#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/RunLoop.h"
#include "platform/View.h"
#include "tests/support/ManualClockTest.h"

// Animation progress read straight off the manual clock.
class ManualClockTest : public ManualRunLoopTest {
 protected:
  void advance(double seconds) { clock->set(clock->now() + platform::secondsToNanos(seconds)); }
};

// Animates `v`'s alpha to `alpha` over `duration` seconds.
inline void fadeTo(platform::View& v, double alpha, double duration,
                   platform::AnimationCurve curve = platform::AnimationCurve::Linear) {
  platform::View::beginAnimations("fade");
  platform::View::setAnimationCurve(curve);
  platform::View::setAnimationDuration(duration);
  v.setAlpha(alpha);
  platform::View::commitAnimations();
}

// Swaps `from` for `to` under `root` in a one-second flip, as the root
// controller does between its two screens.
inline void flipSubviews(platform::View& root, platform::View& from,
                         const std::shared_ptr<platform::View>& to,
                         platform::AnimationTransition kind) {
  platform::View::beginAnimations("flip");
  platform::View::setAnimationDuration(1.0);
  platform::View::setAnimationTransition(kind, &root, true);
  from.removeFromSuperview();
  root.addSubview(to);
  platform::View::commitAnimations();
}
