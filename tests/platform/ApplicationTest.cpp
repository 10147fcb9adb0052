#include <gtest/gtest.h>

#include <vector>

#include "platform/Application.h"
#include "platform/Button.h"

// The app's input path without a display: window points through the
// presentation to portrait points, then hit-tested and delivered as touches.
using namespace platform;

namespace {

class ApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    backdrop_ = std::make_shared<View>(RectMake(0, 0, 320, 480));
    button_ = std::make_shared<Button>(RectMake(60, 60, 80, 80));  // centre (100, 100)
    button_->addAction([this](Control*) { ++presses_; }, ControlEventTouchDown);
    // A covering sibling added later lies above the button's lower half.
    cover_ = std::make_shared<View>(RectMake(60, 120, 80, 100));
    backdrop_->addSubview(button_);
    backdrop_->addSubview(cover_);
  }

  std::shared_ptr<View> backdrop_;
  std::shared_ptr<Button> button_;
  std::shared_ptr<View> cover_;
  int presses_ = 0;
};

TEST_F(ApplicationTest, ClicksInTheLandscapeWindowTouchThePortraitViewBelow) {
  Application app;  // landscape, scale 2, window 960 x 640
  EXPECT_EQ(&app, Application::sharedApplication());
  app.window()->addSubview(backdrop_);

  // Portrait (100, 100) shows at window (2 * (480 - 100), 2 * 100).
  EXPECT_EQ(button_.get(), app.mouseDown(760, 200));
  app.mouseUp(760, 200);
  EXPECT_EQ(1, presses_);
  // Portrait (100, 130) is under the later-added cover, not the button.
  EXPECT_EQ(cover_.get(), app.mouseDown(700, 200));
  app.mouseUp(700, 200);
  // Mirror images of the right spot miss: the turn goes the right way round.
  EXPECT_EQ(backdrop_.get(), app.mouseDown(200, 200));  // portrait (100, 380)
  app.mouseUp(200, 200);
  EXPECT_EQ(backdrop_.get(), app.mouseDown(760, 440));  // portrait (220, 100)
  app.mouseUp(760, 440);
  EXPECT_EQ(1, presses_);
}

TEST_F(ApplicationTest, TurningUprightKeepsTheScaleAndRemapsClicks) {
  Application app;
  app.window()->addSubview(backdrop_);
  app.setOrientation(Orientation::Portrait);
  EXPECT_EQ(Orientation::Portrait, app.orientation());
  const Presentation p = app.presentation();
  EXPECT_DOUBLE_EQ(2, p.scale());
  EXPECT_DOUBLE_EQ(640, p.contentRect().width);
  EXPECT_DOUBLE_EQ(960, p.contentRect().height);

  EXPECT_EQ(button_.get(), app.mouseDown(200, 200));
  app.mouseUp(200, 200);
  EXPECT_EQ(1, presses_);
  // Where the button sat in landscape is beyond the upright window's width.
  EXPECT_EQ(nullptr, app.mouseDown(760, 200));
}

TEST_F(ApplicationTest, QuitKeysEndTheLoopAndOtherKeysReachTheHandler) {
  Application app;
  std::vector<std::pair<Key, unsigned>> seen;
  app.setKeyHandler([&](Key key, unsigned modifiers) {
    seen.emplace_back(key, modifiers);
    return key == keyForCharacter('a');
  });
  EXPECT_TRUE(app.keyDown(keyForCharacter('a'), KeyModifierShift));
  EXPECT_FALSE(app.keyDown(Key::Left, KeyModifierNone));
  EXPECT_FALSE(app.keyDown(keyForCharacter('q'), KeyModifierNone)) << "plain q is no quit key";
  EXPECT_FALSE(app.isTerminating());
  ASSERT_EQ(3u, seen.size());
  EXPECT_EQ(std::make_pair(keyForCharacter('a'), unsigned{KeyModifierShift}), seen[0]);
  EXPECT_EQ(Key::Left, seen[1].first);

  EXPECT_TRUE(app.keyDown(keyForCharacter('q'), KeyModifierControl | KeyModifierShift));
  EXPECT_TRUE(app.isTerminating());
  Application again;
  EXPECT_TRUE(again.keyDown(Key::Escape, KeyModifierNone));
  EXPECT_TRUE(again.isTerminating());
  EXPECT_EQ(3u, seen.size()) << "quit keys never reach the handler";
}

}  // namespace
