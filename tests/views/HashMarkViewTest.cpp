#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/Canvas.h"
#include "views/HashMarkView.h"

namespace {

constexpr double kDegree = M_PI / 180.0;

// The needle points at mark 3 at -20 cents and at mark 13 at +20 cents.
TEST(HashMarkViewTest, TheFlatSideReadsMinusTwentyAndTheSharpSidePlusTwenty) {
  const auto marks = HashMarkView::marks();
  EXPECT_NEAR(60 * kDegree, marks[3].angle, 1e-6);
  EXPECT_STREQ("-20", marks[3].label);
  EXPECT_NEAR(120 * kDegree, marks[13].angle, 1e-6);
  EXPECT_STREQ("+20", marks[13].label);
}

// Renders the dial alone and reads pixels along the marks, measured from the
// pivot 155 points along x from the screen's centre.
class HashMarkViewDrawingTest : public ::testing::Test {
 protected:
  static HashMarkView& transparent(HashMarkView& view) {
    view.setBackgroundColor(platform::Color::clearColor());
    return view;
  }
  // Alpha at `radius` from the pivot (315, 240) in the direction of `angle`.
  int alphaAlong(double angle, double radius) const {
    return canvas
        .at(static_cast<int>(315 - std::sin(angle) * radius),
            static_cast<int>(240 + std::cos(angle) * radius))
        .a;
  }
  // Inked pixels in the band from radius `from` to 252 around a mark's line.
  int inkBeyond(double angle, double from) const {
    int inked = 0;
    for (double r = from; r <= 252; r += 1)
      for (double off = -12; off <= 12; off += 1) inked += alphaAlong(angle + off / r, r) > 60;
    return inked;
  }

  HashMarkView dial{platform::RectMake(0, 0, 320, 480)};
  test_support::Canvas canvas{transparent(dial), 1.0};
};

// Seventeen marks, 6 degrees apart from 42 to 138 degrees (straight up at 90,
// where the needle rests); the long ones at -20, 0 and +20 cents.
TEST_F(HashMarkViewDrawingTest, LongAndShortMarksEndOnTheOuterCircle) {
  for (int i = 0; i < 17; ++i) {
    const double angle = (42.0 + 6.0 * i) * kDegree;
    const bool isLong = i == 3 || i == 8 || i == 13;
    EXPECT_GT(alphaAlong(angle, 235), 100) << "mark " << i;
    if (i != 3 && i != 13) {
      EXPECT_EQ(0, alphaAlong(angle, 244)) << "beyond mark " << i;
    }
    if (isLong) {
      EXPECT_GT(alphaAlong(angle, 227), 100) << "long mark " << i;
    } else {
      EXPECT_EQ(0, alphaAlong(angle, 227)) << "short mark " << i;
    }
  }
  // Between two marks, and beyond the last one, there is nothing.
  EXPECT_EQ(0, alphaAlong(93 * kDegree, 234));
  EXPECT_EQ(0, alphaAlong(144 * kDegree, 234));
}

TEST_F(HashMarkViewDrawingTest, TheTwentyCentLabelsSitJustBeyondTheirMarks) {
  EXPECT_GT(inkBeyond(60 * kDegree, 239), 15) << "-20";
  EXPECT_GT(inkBeyond(120 * kDegree, 239), 15) << "+20";
  EXPECT_EQ(0, inkBeyond(90 * kDegree, 240)) << "the centre mark has no label";
}

}  // namespace
