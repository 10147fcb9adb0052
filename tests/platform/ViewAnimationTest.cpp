#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "ViewTestSupport.h"
#include "platform/View.h"

using namespace platform;

namespace {

class ViewAnimationTest : public ManualClockTest {};

std::shared_ptr<View> transparentView() {
  auto v = std::make_shared<View>(RectMake(0, 0, 10, 10));
  v->setAlpha(0);
  return v;
}

TEST_F(ViewAnimationTest, AlphaMovesFromOnScreenValueToModelValue) {
  auto v = transparentView();
  fadeTo(*v, 1.0, 0.2);
  EXPECT_DOUBLE_EQ(1.0, v->alpha());  // the model changes at once
  EXPECT_DOUBLE_EQ(0.0, v->presentationAlpha());
  EXPECT_TRUE(View::anyAnimationRunning());
  advance(0.05);
  EXPECT_NEAR(0.25, v->presentationAlpha(), 1e-9);
  advance(0.15);
  EXPECT_DOUBLE_EQ(1.0, v->presentationAlpha());
  EXPECT_FALSE(View::anyAnimationRunning());
}

TEST_F(ViewAnimationTest, EaseInOutIsSlowAtTheEndsAndHalfwayAtHalfTime) {
  auto v = transparentView();
  fadeTo(*v, 1.0, 1.0, AnimationCurve::EaseInOut);
  advance(0.1);
  EXPECT_LT(v->presentationAlpha(), 0.05);
  advance(0.4);
  EXPECT_NEAR(0.5, v->presentationAlpha(), 1e-6);
  advance(0.4);
  EXPECT_GT(v->presentationAlpha(), 0.95);
}

TEST_F(ViewAnimationTest, NewAnimationStartsFromWhereTheOldOneHadGot) {
  auto v = transparentView();
  fadeTo(*v, 1.0, 0.2);
  advance(0.1);  // halfway: 0.5 on screen
  fadeTo(*v, 0.0, 0.2);
  EXPECT_NEAR(0.5, v->presentationAlpha(), 1e-9);
  advance(0.1);
  EXPECT_NEAR(0.25, v->presentationAlpha(), 1e-9);
  advance(0.1);
  EXPECT_DOUBLE_EQ(0.0, v->presentationAlpha());
}

TEST_F(ViewAnimationTest, ChangeOutsideABlockIsImmediateAndStopsTheAnimation) {
  auto v = transparentView();
  fadeTo(*v, 1.0, 0.2);
  advance(0.05);
  v->setAlpha(0.3);
  EXPECT_DOUBLE_EQ(0.3, v->presentationAlpha());
  advance(0.05);
  EXPECT_DOUBLE_EQ(0.3, v->presentationAlpha());
}

TEST_F(ViewAnimationTest, TransformAnimatesAboutThePivotAndRestarts) {
  auto needle = std::make_shared<View>(RectMake(0, 0, 24, 260));
  auto turned = [](float a) {
    Transform3D t = Transform3DRotate(Transform3DIdentity, -1.5707964f, 0, 0, 1);
    t = Transform3DTranslate(t, 0, 120, 0);
    t = Transform3DRotate(t, a, 0, 0, 1);
    return Transform3DTranslate(t, 0, -120, 0);
  };
  needle->setTransform(turned(0));
  View::beginAnimations("moveneedle");
  View::setAnimationCurve(AnimationCurve::EaseInOut);
  View::setAnimationDuration(0.2);
  needle->setTransform(turned(0.6f));
  View::commitAnimations();
  advance(0.1);
  Transform3D mid = needle->presentationTransform();
  Point pivot = Transform3DApply(mid, Point{0, 120});
  EXPECT_NEAR(120, pivot.x, 1e-4);
  EXPECT_NEAR(0, pivot.y, 1e-4);
  // Halfway through ease-in-out is halfway: the tip is at 0.3 rad.
  Point tip = Transform3DApply(mid, Point{0, 20});
  Point expected = Transform3DApply(turned(0.3f), Point{0, 20});
  EXPECT_NEAR(expected.x, tip.x, 1e-3);
  EXPECT_NEAR(expected.y, tip.y, 1e-3);

  // Restart towards -0.6 from the on-screen 0.3.
  View::beginAnimations("moveneedle");
  View::setAnimationDuration(0.2);
  needle->setTransform(turned(-0.6f));
  View::commitAnimations();
  Point start = Transform3DApply(needle->presentationTransform(), Point{0, 20});
  EXPECT_NEAR(expected.x, start.x, 1e-3);
  EXPECT_NEAR(expected.y, start.y, 1e-3);
  advance(0.2);
  EXPECT_EQ(turned(-0.6f), needle->presentationTransform());
  EXPECT_EQ(2, View::committedAnimationCount("moveneedle"));
}

TEST_F(ViewAnimationTest, DestroyedViewLeavesNoAnimationBehind) {
  {
    auto v = transparentView();
    fadeTo(*v, 1, 0.5);
    EXPECT_TRUE(View::anyAnimationRunning());
  }
  EXPECT_FALSE(View::anyAnimationRunning());
}

TEST_F(ViewAnimationTest, UnchangedValueStartsNoAnimation) {
  auto v = std::make_shared<View>(RectMake(0, 0, 10, 10));
  fadeTo(*v, 1.0, 0.2);  // already 1
  EXPECT_FALSE(View::anyAnimationRunning());
  EXPECT_EQ(1, View::committedAnimationCount("fade"));
}

}  // namespace
