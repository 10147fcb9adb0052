#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "platform/Label.h"
#include "platform/View.h"
#include "platform/Window.h"

using namespace platform;

namespace {

// Records the touches that reach it.
class TouchRecordingView : public View {
 public:
  using View::View;
  void touchesBegan(Point p) override { began.push_back(p); }
  std::vector<Point> began;
};

std::vector<View*> order(const View& v) {
  std::vector<View*> out;
  for (auto& s : v.subviews()) out.push_back(s.get());
  return out;
}

TEST(ViewTest, SubviewsKeepZOrderThroughAddInsertAndRemove) {
  auto root = std::make_shared<View>(RectMake(0, 0, 100, 100));
  auto a = std::make_shared<View>(), b = std::make_shared<View>(), c = std::make_shared<View>();
  root->addSubview(a);
  root->addSubview(b);
  root->insertSubview(c, a.get());
  EXPECT_EQ((std::vector<View*>{a.get(), c.get(), b.get()}), order(*root));
  root->addSubview(a);  // adding again brings it to the top
  EXPECT_EQ((std::vector<View*>{c.get(), b.get(), a.get()}), order(*root));
  c->removeFromSuperview();
  EXPECT_EQ(nullptr, c->superview());
  EXPECT_EQ((std::vector<View*>{b.get(), a.get()}), order(*root));
}

TEST(ViewTest, AddingToAnotherSuperviewMovesTheViewAndRemovingItsLastOwnerIsSafe) {
  auto first = std::make_shared<View>(), second = std::make_shared<View>();
  auto v = std::make_shared<View>();
  first->addSubview(v);
  second->addSubview(first->subviews()[0]);  // the argument lives in the list it leaves
  EXPECT_TRUE(first->subviews().empty());
  ASSERT_EQ(1u, second->subviews().size());
  EXPECT_EQ(second.get(), v->superview());
  // Removing the view whose only owner is the list it leaves.
  v.reset();
  second->subviews()[0]->removeFromSuperview();
  EXPECT_TRUE(second->subviews().empty());
}

TEST(ViewTest, HitTestFindsTheFrontMostTouchableView) {
  Window window(RectMake(0, 0, 320, 480));
  auto back = std::make_shared<TouchRecordingView>(RectMake(0, 0, 320, 480));
  auto front = std::make_shared<TouchRecordingView>(RectMake(100, 100, 50, 50));
  auto label = std::make_shared<Label>(RectMake(100, 100, 50, 50));  // above, but passes touches
  window.addSubview(back);
  window.addSubview(front);
  window.addSubview(label);
  EXPECT_EQ(front.get(), window.hitTest(Point{120, 120}));
  EXPECT_EQ(back.get(), window.hitTest(Point{10, 10}));
  front->setHidden(true);
  EXPECT_EQ(back.get(), window.hitTest(Point{120, 120}));
  front->setHidden(false);
  front->setAlpha(0);
  EXPECT_EQ(back.get(), window.hitTest(Point{120, 120}));
  front->setAlpha(1);
  front->setUserInteractionEnabled(false);
  EXPECT_EQ(back.get(), window.hitTest(Point{120, 120}));
  EXPECT_EQ(nullptr, window.hitTest(Point{400, 10}));
}

TEST(ViewTest, HitTestFollowsAQuarterTurnedView) {
  // A 140 × 40 view turned a quarter anticlockwise about its centre (160, 240)
  // stands 40 wide and 140 high on screen.
  Window window(RectMake(0, 0, 320, 480));
  auto turned = std::make_shared<TouchRecordingView>(RectMake(90, 220, 140, 40));
  turned->setTransform(Transform3DRotate(Transform3DIdentity, -M_PI / 2, 0, 0, 1));
  window.addSubview(turned);
  EXPECT_EQ(turned.get(), window.hitTest(Point{160, 300}));
  EXPECT_EQ(&window, window.hitTest(Point{220, 240}));
  // The touch arrives in the view's own coordinates: 60 below the centre on
  // screen is 60 left of the centre along the view's own length.
  window.touchDown(Point{160, 300});
  ASSERT_EQ(1u, turned->began.size());
  EXPECT_NEAR(10, turned->began[0].x, 1e-9);
  EXPECT_NEAR(20, turned->began[0].y, 1e-9);
}

}  // namespace
