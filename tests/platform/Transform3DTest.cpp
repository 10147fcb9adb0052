#include <gtest/gtest.h>

#include <cmath>

#include "platform/Transform3D.h"

using namespace platform;

namespace {

// The needle's transform: a quarter-turn for the landscape reading, then a
// turn by `angle` about the point 120 below the image centre.
Transform3D needleTransform(float angle) {
  Transform3D t = Transform3DRotate(Transform3DIdentity, -1.5707964f, 0, 0, 1);
  t = Transform3DTranslate(t, 0, 120, 0);
  t = Transform3DRotate(t, angle, 0, 0, 1);
  return Transform3DTranslate(t, 0, -120, 0);
}

void expectNear(Point expected, Point actual, double tol = 1e-4) {
  EXPECT_NEAR(expected.x, actual.x, tol);
  EXPECT_NEAR(expected.y, actual.y, tol);
}

TEST(Transform3DTest, NeedleTurnsAboutItsPivotClockwiseTowardsSharp) {
  // The pivot (120 below the centre of the upright image) lands 120 points to
  // the right of the view's centre in portrait, whatever the angle.
  for (float a : {-1.0471976f, -0.5f, 0.0f, 0.13f, 1.0471976f})
    expectNear(Point{120, 0}, Transform3DApply(needleTransform(a), Point{0, 120}));
  // The tip, 100 above the pivot in the image, at angle 0 points to portrait
  // -x (up in landscape); at +30 degrees it leans to landscape right, which
  // is portrait -y.
  Point tip{0, 20};
  expectNear(Point{20, 0}, Transform3DApply(needleTransform(0), tip));
  Point leaning = Transform3DApply(needleTransform(static_cast<float>(M_PI / 6)), tip);
  expectNear(Point{120 - 100 * std::cos(M_PI / 6), -100 * std::sin(M_PI / 6)}, leaning);
}

TEST(Transform3DTest, StepAddedLastActsFirst) {
  // Translate then rotate (in the order written) moves the point first, then
  // turns it: (10, 0) → (10, 5) → turned a quarter clockwise → (-5, 10).
  Transform3D t = Transform3DRotate(Transform3DIdentity, M_PI / 2, 0, 0, 1);
  t = Transform3DTranslate(t, 0, 5, 0);
  expectNear(Point{-5, 10}, Transform3DApply(t, Point{10, 0}));
  // The other order gives a different point.
  Transform3D u = Transform3DTranslate(Transform3DIdentity, 0, 5, 0);
  u = Transform3DRotate(u, M_PI / 2, 0, 0, 1);
  expectNear(Point{0, 15}, Transform3DApply(u, Point{10, 0}));
}

TEST(Transform3DTest, InvertApplyUndoesApplyAndRefusesCollapse) {
  Transform3D t = needleTransform(0.4f);
  Point p{7, -33}, back;
  ASSERT_TRUE(Transform3DInvertApply(t, Transform3DApply(t, p), &back));
  expectNear(p, back);
  EXPECT_FALSE(Transform3DInvertApply(Transform3DMakeScale(0, 1, 1), Point{1, 1}, &back));
}

}  // namespace
