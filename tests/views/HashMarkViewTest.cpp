#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "platform/Render.h"
#include "views/HashMarkView.h"

namespace {

constexpr double kDegree = M_PI / 180.0;

TEST(HashMarkViewTest, SeventeenMarksFromFortyTwoToOneHundredThirtyEightDegrees) {
  auto marks = HashMarkView::marks();
  EXPECT_EQ(0.7330383f, marks[0].angle);
  for (int i = 0; i < 17; ++i) {
    EXPECT_NEAR((42.0 + 6.0 * i) * kDegree, marks[i].angle, 1e-6) << i;
    bool isLong = i == 3 || i == 8 || i == 13;
    EXPECT_EQ(isLong ? 14.0f : 8.0f, marks[i].length) << i;
    EXPECT_EQ(isLong ? 224.0f : 230.0f, marks[i].radius) << i;
    EXPECT_EQ(238.0f, marks[i].radius + marks[i].length) << i;
  }
  EXPECT_NEAR(M_PI / 2, marks[8].angle, 1e-6);
  EXPECT_STREQ("-20", marks[3].label);
  EXPECT_STREQ("+20", marks[13].label);
  for (int i = 0; i < 17; ++i) {
    if (i != 3 && i != 13) {
      EXPECT_EQ(nullptr, marks[i].label) << i;
    }
  }
}

TEST(HashMarkViewTest, MarksCentreOnAPivot155PointsAlongXFromTheCentre) {
  HashMarkView view(platform::RectMake(0, 0, 320, 480));
  EXPECT_EQ(315, view.pivot().x);
  EXPECT_EQ(240, view.pivot().y);
  EXPECT_EQ(12, view.font()->pointSize());
}

// Renders the dial alone and reads pixels along the marks.
class HashMarkViewDrawingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HashMarkView view(platform::RectMake(0, 0, 320, 480));
    view.setOpaque(false);
    view.setBackgroundColor(platform::Color::clearColor());
    surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 320, 480);
    cairo_t* cr = cairo_create(surface);
    platform::renderViewTree(view, cr, 1.0);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
  }
  void TearDown() override { cairo_surface_destroy(surface); }

  // Alpha of the pixel at (x, y).
  int alphaAt(double x, double y) const {
    const unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    uint32_t px;
    std::memcpy(&px, data + static_cast<int>(y) * stride + static_cast<int>(x) * 4, 4);
    return px >> 24;
  }
  // A point at `radius` from the pivot (315, 240) in the direction of `angle`.
  static void along(double angle, double radius, double* x, double* y) {
    *x = 315 - std::sin(angle) * radius;
    *y = 240 + std::cos(angle) * radius;
  }

  cairo_surface_t* surface = nullptr;
};

TEST_F(HashMarkViewDrawingTest, LongAndShortMarksEndOnTheOuterCircle) {
  for (const auto& mark : HashMarkView::marks()) {
    double x, y;
    along(mark.angle, 235, &x, &y);
    EXPECT_GT(alphaAt(x, y), 100) << mark.angle;
    along(mark.angle, 244, &x, &y);
    if (!mark.label) {
      EXPECT_EQ(0, alphaAt(x, y)) << "beyond the end of " << mark.angle;
    }
    along(mark.angle, 227, &x, &y);
    if (mark.length == 14) {
      EXPECT_GT(alphaAt(x, y), 100) << "long mark at " << mark.angle;
    } else {
      EXPECT_EQ(0, alphaAt(x, y)) << "short mark at " << mark.angle;
    }
  }
  // Between two marks there is nothing.
  double x, y;
  along(93 * kDegree, 234, &x, &y);
  EXPECT_EQ(0, alphaAt(x, y));
}

TEST_F(HashMarkViewDrawingTest, TheTwentyCentLabelsSitJustBeyondTheirMarks) {
  auto marks = HashMarkView::marks();
  for (int i : {3, 13}) {
    int inked = 0;
    // Sample the band from radius 239 to 252 around the mark's line.
    for (double r = 239; r <= 252; r += 1) {
      for (double off = -12; off <= 12; off += 1) {
        double x, y;
        along(marks[i].angle + off / r, r, &x, &y);
        if (alphaAt(x, y) > 60) ++inked;
      }
    }
    EXPECT_GT(inked, 15) << "label of mark " << i;
  }
  // The centre mark has no label.
  int inked = 0;
  for (double r = 240; r <= 252; r += 1) {
    for (double off = -12; off <= 12; off += 1) {
      double x, y;
      along(marks[8].angle + off / r, r, &x, &y);
      if (alphaAt(x, y) > 60) ++inked;
    }
  }
  EXPECT_EQ(0, inked);
}

}  // namespace
