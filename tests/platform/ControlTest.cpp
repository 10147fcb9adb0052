#include <cairo.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/Button.h"
#include "platform/Slider.h"
#include "platform/Window.h"
#include "platform/desktop/CairoGraphicsContext.h"

using namespace platform;

namespace {

std::shared_ptr<Image> solidImage(int w, int h) {
  return imageWithCairoSurface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
}

// A handler class in the shape the screens use: a target with a member action.
struct Handler {
  std::vector<Button*> pressed;
  void buttonPressed(Button* sender) { pressed.push_back(sender); }
};

TEST(ButtonTest, ShowsTheSelectedPicturesOnlyWhileSelected) {
  auto normalBg = solidImage(40, 40), selectedBg = solidImage(40, 40), letter = solidImage(28, 28);
  Button b(RectMake(235, 410, 40, 40));
  b.setBackgroundImage(normalBg, ControlStateNormal);
  b.setBackgroundImage(selectedBg, ControlStateSelected);
  b.setImage(letter, ControlStateNormal);
  EXPECT_EQ(normalBg, b.currentBackgroundImage());
  EXPECT_EQ(letter, b.currentImage());
  b.setSelected(true);
  EXPECT_EQ(selectedBg, b.currentBackgroundImage());
  EXPECT_EQ(letter, b.currentImage());  // no selected image: the normal one stays
  b.setHighlighted(true);
  EXPECT_EQ(selectedBg, b.currentBackgroundImage());
  b.setSelected(false);
  EXPECT_EQ(normalBg, b.currentBackgroundImage());
  EXPECT_EQ(nullptr, b.image(ControlStateSelected));
  // Replacing the normal image (as the mode button does) shows at once.
  auto other = solidImage(26, 70);
  b.setImage(other, ControlStateNormal);
  EXPECT_EQ(other, b.currentImage());
}

TEST(ButtonTest, TargetActionFiresOnTouchDownWithTheSender) {
  Window window(RectMake(0, 0, 320, 480));
  auto a = std::make_shared<Button>(RectMake(0, 0, 40, 40));
  auto b = std::make_shared<Button>(RectMake(100, 0, 40, 40));
  Handler handler;
  a->addTarget(&handler, &Handler::buttonPressed, ControlEventTouchDown);
  b->addTarget(&handler, &Handler::buttonPressed, ControlEventValueChanged);
  window.addSubview(a);
  window.addSubview(b);
  window.touchDown(Point{20, 20});
  window.touchUp(Point{20, 20});
  window.touchDown(Point{120, 20});  // b listens for another event
  window.touchUp(Point{120, 20});
  EXPECT_EQ((std::vector<Button*>{a.get()}), handler.pressed);
  // Hidden or disabled buttons take no touches.
  a->setHidden(true);
  window.touchDown(Point{20, 20});
  a->setHidden(false);
  a->setEnabled(false);
  window.touchDown(Point{20, 20});
  EXPECT_EQ(1u, handler.pressed.size());
}

class SliderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The settings screen's slider: 190 wide, 420 to 460 Hz, at 440.
    slider = std::make_shared<Slider>(RectMake(90, 0, 190, 43));
    slider->setMaximumValue(460.0f);
    slider->setMinimumValue(420.0f);
    slider->setValue(440.0f);
    slider->addAction([this](Control* c) { reported.push_back(static_cast<Slider*>(c)->value()); },
                      ControlEventValueChanged);
    window.addSubview(slider);
  }
  Window window{RectMake(0, 0, 320, 480)};
  std::shared_ptr<Slider> slider;
  std::vector<float> reported;
};

TEST_F(SliderTest, ValueIsClampedToTheRange) {
  EXPECT_FLOAT_EQ(440.0f, slider->value());
  slider->setValue(500);
  EXPECT_FLOAT_EQ(460.0f, slider->value());
  slider->setValue(-3);
  EXPECT_FLOAT_EQ(420.0f, slider->value());
  EXPECT_TRUE(reported.empty());  // values set in code are not reported
}

TEST_F(SliderTest, ContinuousSliderReportsFractionalValuesWhileMoving) {
  double track = 190 - 2 * Slider::kThumbRadius;
  double x0 = 90 + Slider::kThumbRadius;
  window.touchDown(Point{x0 + track * 0.5, 20});
  EXPECT_TRUE(reported.empty());  // touch-down at the thumb: value unchanged, nothing sent
  window.touchMoved(Point{x0 + track * 0.4487, 20});
  window.touchMoved(Point{x0 + track * 0.4487, 20});  // no move, no report
  window.touchMoved(Point{x0 - 50, 20});
  window.touchUp(Point{x0 + track, 20});
  ASSERT_EQ(3u, reported.size());
  EXPECT_NEAR(437.948f, reported[0], 1e-3);  // fractional: 437.9... not 438
  EXPECT_FLOAT_EQ(420.0f, reported[1]);      // past the left end: the minimum
  EXPECT_FLOAT_EQ(460.0f, reported[2]);
}

}  // namespace
