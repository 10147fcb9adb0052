#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ViewTestSupport.h"
#include "platform/Bundle.h"
#include "platform/ImageView.h"
#include "platform/Render.h"
#include "platform/Window.h"
#include "platform/desktop/CairoGraphicsContext.h"
#include "tests/support/Canvas.h"
#include "tests/support/Scoped.h"

using namespace platform;

namespace {

using test_support::Canvas;
using test_support::Pixel;

class RenderTest : public ManualClockTest {};

TEST_F(RenderTest, ViewsLandAtTheirFramesTurnedAboutTheirCentresAndBlendedByAlpha) {
  Window window(RectMake(0, 0, 320, 480));
  window.setBackgroundColor(Color::whiteColor());
  auto red = std::make_shared<View>(RectMake(100, 200, 20, 10));
  red->setBackgroundColor(Color::redColor());
  // A 100 x 10 bar centred at (160, 100), turned a quarter: 10 wide, 100 high.
  auto bar = std::make_shared<View>(RectMake(110, 95, 100, 10));
  bar->setBackgroundColor(Color::blackColor());
  bar->setTransform(Transform3DRotate(Transform3DIdentity, -M_PI / 2, 0, 0, 1));
  auto half = std::make_shared<View>(RectMake(0, 400, 50, 50));
  half->setBackgroundColor(Color::blackColor());
  half->setAlpha(0.5);
  auto gone = std::make_shared<View>(RectMake(250, 400, 50, 50));
  gone->setBackgroundColor(Color::blackColor());
  gone->setAlpha(0);
  for (const auto& v : {red, bar, half, gone}) window.addSubview(v);
  Canvas c(window, 2);
  EXPECT_EQ(0, c.at(2 * 110, 2 * 205).g);  // red inside its frame
  EXPECT_EQ(255, c.at(2 * 110, 2 * 205).r);
  EXPECT_EQ(255, c.at(2 * 99, 2 * 205).g);  // white just outside it
  EXPECT_EQ(255, c.at(2 * 110, 2 * 211).g);
  EXPECT_EQ(0, c.at(2 * 160, 2 * 60).r);  // the turned bar
  EXPECT_EQ(255, c.at(2 * 200, 2 * 100).r);
  EXPECT_NEAR(128, c.at(2 * 10, 2 * 410).r, 2);
  EXPECT_EQ(255, c.at(2 * 260, 2 * 410).r);
}

TEST_F(RenderTest, AnimationInFlightIsDrawnAtItsPresentationValue) {
  Window window(RectMake(0, 0, 100, 100));
  window.setBackgroundColor(Color::whiteColor());
  auto v = std::make_shared<View>(RectMake(0, 0, 100, 100));
  v->setBackgroundColor(Color::blackColor());
  v->setAlpha(0);
  window.addSubview(v);
  fadeTo(*v, 1.0, 1.0);
  advance(0.25);
  Canvas c(window, 1);
  EXPECT_NEAR(191, c.at(50, 50).r, 2);
}

TEST_F(RenderTest, FlipShowsTheOldSubviewsUntilHalfway) {
  Window window(RectMake(0, 0, 100, 100));
  auto oldFace = std::make_shared<View>(RectMake(0, 0, 100, 100));
  oldFace->setBackgroundColor(Color::redColor());
  auto newFace = std::make_shared<View>(RectMake(0, 0, 100, 100));
  newFace->setBackgroundColor(Color{0, 0, 1, 1});
  auto root = std::make_shared<View>(RectMake(0, 0, 100, 100));
  window.addSubview(root);
  root->addSubview(oldFace);
  flipSubviews(*root, *oldFace, newFace, AnimationTransition::FlipFromLeft);
  advance(0.4);
  {
    Canvas c(window, 1);
    EXPECT_GT(c.at(50, 50).r, 100);
    EXPECT_EQ(0, c.at(10, 50).r);  // narrowed: the edges show the window
    // Turning from the left, the left edge comes towards the viewer: the
    // face is taller on its left than on its right.
    auto topOfFace = [&c](int x) {
      int y = 0;
      while (y < 100 && c.at(x, y).r < 100) ++y;
      return y;
    };
    int left = 100, right = 0;
    for (int x = 0; x < 100; ++x)
      if (c.at(x, 50).r > 100) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
    EXPECT_LT(topOfFace(left + 2), topOfFace(right - 2));
  }
  advance(0.4);
  {
    Canvas c(window, 1);
    EXPECT_GT(c.at(50, 50).b, 100);
    EXPECT_EQ(0, c.at(50, 50).r);
  }
}

TEST_F(RenderTest, RenderedExtentHoldsTheTurnedViewWithItsSubviews) {
  Window window(RectMake(0, 0, 320, 480));
  auto parent = std::make_shared<View>(RectMake(100, 100, 100, 100));
  window.addSubview(parent);
  // A 40 × 10 bar centred in its parent, with a 10 × 10 tip sticking out of
  // its right end; the bar turned a quarter about its centre (150, 150).
  auto bar = std::make_shared<View>(RectMake(30, 45, 40, 10));
  parent->addSubview(bar);
  auto tip = std::make_shared<View>(RectMake(40, 0, 10, 10));
  bar->addSubview(tip);
  bar->setTransform(Transform3DRotate(Transform3DIdentity, M_PI / 2, 0, 0, 1));
  Rect r = renderedExtentInRoot(*bar, window);
  EXPECT_NEAR(145, r.minX(), 1e-9);
  EXPECT_NEAR(155, r.maxX(), 1e-9);
  EXPECT_NEAR(130, r.minY(), 1e-9);
  EXPECT_NEAR(180, r.maxY(), 1e-9);  // the tip, 10 beyond the bar's end

  // Drawn nowhere: hidden, hidden above, invisible, or not in the tree.
  tip->setHidden(true);
  EXPECT_NEAR(170, renderedExtentInRoot(*bar, window).maxY(), 1e-9);
  EXPECT_TRUE(renderedExtentInRoot(*tip, window).isEmpty());
  parent->setAlpha(0);
  EXPECT_TRUE(renderedExtentInRoot(*bar, window).isEmpty());
  parent->setAlpha(1);
  bar->removeFromSuperview();
  EXPECT_TRUE(renderedExtentInRoot(*bar, window).isEmpty());
}

// What the app loop does while only animations move: redraw the old picture
// within the damage the setters reported plus where animated views are, and
// compare with a whole new picture.
TEST_F(RenderTest, RedrawingOnlyTheDamageGivesTheWholePicture) {
  const double scale = 2;
  Window window(RectMake(0, 0, 200, 150));
  auto backdrop = std::make_shared<View>(RectMake(10, 10, 180, 130));
  backdrop->setBackgroundColor(Color{0.2, 0.3, 0.4, 1});
  window.addSubview(backdrop);
  auto pivot = std::make_shared<View>(RectMake(60, 40, 80, 80));
  window.addSubview(pivot);
  auto needle = std::make_shared<View>(RectMake(38, 0, 4, 40));
  needle->setBackgroundColor(Color::redColor());
  pivot->addSubview(needle);
  auto light = std::make_shared<View>(RectMake(150, 20, 30, 20));
  light->setBackgroundColor(Color{0, 1, 0, 1});
  light->setAlpha(0);
  window.addSubview(light);

  Canvas kept(window, scale);
  window.clearDamage();
  // Where the setters reported damage, and where animated views were and
  // are, each with the app loop's two pixels for antialiased edges.
  std::vector<Rect> lastAnimated;
  auto redrawDamage = [&] {
    std::vector<Rect> damaged = lastAnimated;
    lastAnimated.clear();
    for (View* v : View::animatedViews()) lastAnimated.push_back(renderedExtentInRoot(*v, window));
    damaged.insert(damaged.end(), lastAnimated.begin(), lastAnimated.end());
    damaged.push_back(window.damage());
    window.clearDamage();
    cairo_t* cr = cairo_create(kept.surface());
    for (const Rect& d : damaged) {
      if (d.isEmpty()) continue;
      const double x0 = std::floor(d.minX() * scale) - 2, y0 = std::floor(d.minY() * scale) - 2;
      cairo_rectangle(cr, x0, y0, std::ceil(d.maxX() * scale) + 2 - x0,
                      std::ceil(d.maxY() * scale) + 2 - y0);
    }
    cairo_clip(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    renderViewTree(window, cr, scale);
    cairo_destroy(cr);
    cairo_surface_flush(kept.surface());
  };
  auto differingRows = [&] { return Canvas(window, scale).rowsDifferingFrom(kept); };

  // The needle swings from upright to a third of a turn while the light
  // fades in; then it is set back at once, outside any animation.
  View::beginAnimations("moveneedle");
  View::setAnimationDuration(0.2);
  needle->setTransform(Transform3DRotate(Transform3DIdentity, M_PI / 3, 0, 0, 1));
  light->setAlpha(0.8);
  View::commitAnimations();
  for (int frame = 0; frame < 9; ++frame) {
    advance(0.033);
    redrawDamage();
    EXPECT_EQ(0, differingRows()) << "frame " << frame;
    View::purgeFinishedAnimations();
  }
  EXPECT_TRUE(View::animatedViews().empty());
  needle->setTransform(Transform3DIdentity);
  light->setAlpha(0);
  redrawDamage();
  EXPECT_EQ(0, differingRows());
}

// Images: the 2× picture where the device has 2 pixels per point; a missing
// name is none, and an image view of none draws nothing.
class ImageTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    writeSolid("Swatch.png", 4, 4, 1, 0, 0);
    writeSolid("Swatch@2x.png", 8, 8, 0, 0, 1);
    Image::clearCache();
  }
  void TearDown() override {
    Image::clearCache();
    RenderTest::TearDown();
  }
  void writeSolid(const std::string& name, int w, int h, double r, double g, double b) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(s);
    cairo_set_source_rgb(cr, r, g, b);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_write_to_png(s, (dir / name).c_str());
    cairo_surface_destroy(s);
  }
  test_support::TempDir dir{"images"};
  test_support::ScopedResourcePath resources{dir};
};

TEST_F(ImageTest, PicksTheDoublePictureAtScaleTwo) {
  auto image = Image::imageNamed("Swatch.png");
  ASSERT_NE(nullptr, image);
  EXPECT_DOUBLE_EQ(4, image->size().width);
  EXPECT_EQ(image, Image::imageNamed("Swatch.png"));  // cached
  Window window(RectMake(0, 0, 10, 10));
  auto view = std::make_shared<ImageView>(image);
  EXPECT_DOUBLE_EQ(4, view->frame().size.height);  // sized to its image
  window.addSubview(view);
  Canvas one(window, 1), two(window, 2);
  EXPECT_EQ(255, one.at(1, 1).r);
  EXPECT_EQ(255, two.at(3, 3).b);
  EXPECT_EQ(0, two.at(3, 3).r);
}

TEST_F(ImageTest, MissingImageIsNoneAndDrawsNothing) {
  EXPECT_EQ(nullptr, Image::imageNamed("NoSuchImage.png"));
  EXPECT_EQ(nullptr, Image::imageNamed(""));
  EXPECT_EQ(nullptr, Image::imageNamed("../Swatch.png"));
  Window window(RectMake(0, 0, 10, 10));
  auto view = std::make_shared<ImageView>(Image::imageNamed("NoSuchImage.png"));
  EXPECT_TRUE(view->frame().isEmpty());
  window.addSubview(view);
  Canvas c(window, 1);
  EXPECT_EQ(0, c.at(0, 0).r);
  // A file that is not a PNG is none as well.
  std::FILE* f = std::fopen((dir / "Broken.png").c_str(), "w");
  std::fputs("not a png", f);
  std::fclose(f);
  EXPECT_EQ(nullptr, Image::imageNamed("Broken.png"));
}

}  // namespace
