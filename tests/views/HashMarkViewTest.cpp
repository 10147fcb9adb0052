#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/Canvas.h"
#include "views/HashMarkView.h"

namespace {

constexpr double kDegree = M_PI / 180.0;

TEST(HashMarkViewTest, SeventeenMarksFromFortyTwoToOneHundredThirtyEightDegrees) {
  auto marks = HashMarkView::marks();
  for (int i = 0; i < 17; ++i) {
    EXPECT_NEAR((42.0 + 6.0 * i) * kDegree, marks[i].angle, 1e-6) << i;
    bool isLong = i == 3 || i == 8 || i == 13;
    EXPECT_EQ(isLong ? 14.0f : 8.0f, marks[i].length) << i;
    EXPECT_EQ(isLong ? 224.0f : 230.0f, marks[i].radius) << i;
    EXPECT_EQ(238.0f, marks[i].radius + marks[i].length) << i;
    EXPECT_STREQ(i == 3 ? "-20" : i == 13 ? "+20" : nullptr, marks[i].label) << i;
  }
  EXPECT_NEAR(M_PI / 2, marks[8].angle, 1e-6);
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

TEST_F(HashMarkViewDrawingTest, LongAndShortMarksEndOnTheOuterCircle) {
  for (const auto& mark : HashMarkView::marks()) {
    EXPECT_GT(alphaAlong(mark.angle, 235), 100) << mark.angle;
    if (!mark.label) {
      EXPECT_EQ(0, alphaAlong(mark.angle, 244)) << "beyond " << mark.angle;
    }
    if (mark.length == 14) {
      EXPECT_GT(alphaAlong(mark.angle, 227), 100) << "long mark at " << mark.angle;
    } else {
      EXPECT_EQ(0, alphaAlong(mark.angle, 227)) << "short mark at " << mark.angle;
    }
  }
  // Between two marks there is nothing.
  EXPECT_EQ(0, alphaAlong(93 * kDegree, 234));
}

TEST_F(HashMarkViewDrawingTest, TheTwentyCentLabelsSitJustBeyondTheirMarks) {
  auto marks = HashMarkView::marks();
  for (int i : {3, 13}) EXPECT_GT(inkBeyond(marks[i].angle, 239), 15) << "label of mark " << i;
  EXPECT_EQ(0, inkBeyond(marks[8].angle, 240)) << "the centre mark has no label";
}

}  // namespace
