#include <gtest/gtest.h>

#include "platform/Presentation.h"

using platform::Orientation;
using platform::Presentation;
using platform::PresentedPoint;

namespace {

void expectDisplayPoint(const Presentation& p, PresentedPoint window, PresentedPoint display) {
  auto mapped = p.displayPointForWindowPoint(window);
  ASSERT_TRUE(mapped.has_value()) << window.x << "," << window.y;
  EXPECT_NEAR(display.x, mapped->x, 1e-9);
  EXPECT_NEAR(display.y, mapped->y, 1e-9);
}

TEST(PresentationTest, LandscapeTurnsThePortraitTopEdgeToTheRight) {
  const Presentation p(Orientation::LandscapeTopRight, 960, 640);
  EXPECT_DOUBLE_EQ(2, p.scale());
  // The portrait top-left corner is at the window's top right, the portrait
  // bottom-left at its top left, the top-right at its bottom right.
  expectDisplayPoint(p, {960, 0}, {0, 0});
  expectDisplayPoint(p, {0, 0}, {0, 480});
  expectDisplayPoint(p, {960, 640}, {320, 0});
  expectDisplayPoint(p, {0, 640}, {320, 480});
  // A button near the portrait top, left of centre.
  expectDisplayPoint(p, {760, 200}, {100, 100});
}

TEST(PresentationTest, ResizedWindowsLetterboxAndBarsTakeNoTouches) {
  // Too wide for landscape: bars left and right.
  const Presentation wide(Orientation::LandscapeTopRight, 1200, 640);
  EXPECT_DOUBLE_EQ(2, wide.scale());
  EXPECT_DOUBLE_EQ(120, wide.contentRect().x);
  EXPECT_DOUBLE_EQ(0, wide.contentRect().y);
  expectDisplayPoint(wide, {1080, 0}, {0, 0});
  expectDisplayPoint(wide, {120, 640}, {320, 480});
  EXPECT_FALSE(wide.displayPointForWindowPoint({60, 300}));
  EXPECT_FALSE(wide.displayPointForWindowPoint({1140, 300}));

  // Too tall for portrait, and smaller than scale 1: bars above and below.
  const Presentation tall(Orientation::Portrait, 160, 400);
  EXPECT_DOUBLE_EQ(0.5, tall.scale());
  EXPECT_DOUBLE_EQ(80, tall.contentRect().y);
  expectDisplayPoint(tall, {80, 200}, {160, 240});
  EXPECT_FALSE(tall.displayPointForWindowPoint({80, 40}));

  // A portrait screen in a landscape-shaped window (mid-turn) still fits.
  const Presentation turning(Orientation::Portrait, 960, 640);
  EXPECT_NEAR(640.0 / 480, turning.scale(), 1e-12);
  expectDisplayPoint(turning, {480, 320}, {160, 240});
}

}  // namespace
