#include <gtest/gtest.h>

#include <vector>

#include "platform/Application.h"
#include "platform/Button.h"
#include "platform/TextField.h"

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

TEST_F(ApplicationTest, KeysReachTheFocusedFieldThenTheHandlerAndOnlyUnusedQuitKeysQuit) {
  Application app;
  std::vector<std::pair<Key, unsigned>> seen;
  bool takeEscape = false;
  app.setKeyHandler([&](Key key, unsigned modifiers) {
    seen.emplace_back(key, modifiers);
    return key == keyForCharacter('a') || (takeEscape && key == Key::Escape);
  });
  EXPECT_TRUE(app.keyDown(keyForCharacter('a'), KeyModifierShift));
  EXPECT_FALSE(app.keyDown(keyForCharacter('q'), KeyModifierNone)) << "plain q is no quit key";
  ASSERT_EQ(2u, seen.size());
  EXPECT_EQ(std::make_pair(keyForCharacter('a'), unsigned{KeyModifierShift}), seen[0]);

  // A screen that takes Escape (an editor's Cancel) keeps the app running.
  takeEscape = true;
  EXPECT_TRUE(app.keyDown(Key::Escape, KeyModifierNone));
  EXPECT_FALSE(app.isTerminating());

  // A field with the focus on this window types: its editing and printable
  // keys never reach the handler; Return, Tab and Ctrl keys do.
  auto field = std::make_shared<TextField>(RectMake(10, 10, 200, 30));
  auto elsewhere = std::make_shared<TextField>(RectMake(10, 10, 200, 30));
  elsewhere->becomeFirstResponder();
  EXPECT_FALSE(app.textInput("x")) << "a field off the window takes nothing";
  app.window()->addSubview(field);
  field->becomeFirstResponder();
  EXPECT_FALSE(elsewhere->isFirstResponder());
  seen.clear();
  EXPECT_TRUE(app.textInput("C\u266F3"));
  for (Key key : {keyForCharacter('c'), Key::Left, Key::Backspace, Key::Home}) {
    EXPECT_TRUE(app.keyDown(key, KeyModifierNone));
  }
  EXPECT_EQ("C3", field->text());
  EXPECT_EQ(0u, field->caret());
  app.keyDown(Key::Return, KeyModifierNone);
  app.keyDown(Key::Tab, KeyModifierShift);
  app.keyDown(keyForCharacter('s'), KeyModifierControl);
  ASSERT_EQ(3u, seen.size());
  EXPECT_EQ(Key::Return, seen[0].first);

  takeEscape = false;
  EXPECT_TRUE(app.keyDown(keyForCharacter('q'), KeyModifierControl | KeyModifierShift));
  EXPECT_TRUE(app.isTerminating());
  Application again;
  EXPECT_TRUE(again.keyDown(Key::Escape, KeyModifierNone));
  EXPECT_TRUE(again.isTerminating());
}

}  // namespace
