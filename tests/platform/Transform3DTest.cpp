#include <gtest/gtest.h>

#include <cmath>

#include "platform/Transform3D.h"

using namespace platform;

namespace {

void expectNear(Point expected, Point actual, double tol = 1e-4) {
  EXPECT_NEAR(expected.x, actual.x, tol);
  EXPECT_NEAR(expected.y, actual.y, tol);
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

TEST(Transform3DTest, InvertApplyUndoesApply) {
  Transform3D t = Transform3DRotate(Transform3DIdentity, 0.4, 0, 0, 1);
  t = Transform3DTranslate(t, 3, 120, 0);
  Point p{7, -33}, back;
  ASSERT_TRUE(Transform3DInvertApply(t, Transform3DApply(t, p), &back));
  expectNear(p, back);
}

}  // namespace
