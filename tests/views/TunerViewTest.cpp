#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "common/Tuning.h"
#include "platform/Image.h"
#include "tests/support/TunerScreenFixture.h"
#include "views/HashMarkView.h"
#include "views/NoteButton.h"
#include "views/TunerView.h"

using platform::Image;
using platform::Point;
using platform::RunLoop;
using platform::Transform3D;
using platform::View;

namespace {

constexpr float kStop = 1.0471976f;

// ---- The arithmetic of refresh -------------------------------------------

TEST(TunerViewArithmeticTest, NeedleAngleIsOneAndAHalfDegreesACentHeldAtTheStops) {
  EXPECT_EQ(static_cast<float>(M_PI / 6), TunerView::needleAngleForDeviation(20.0f));
  EXPECT_EQ(static_cast<float>(-M_PI / 6), TunerView::needleAngleForDeviation(-20.0f));
  EXPECT_EQ(kStop, TunerView::needleAngleForDeviation(40.0f));
  EXPECT_EQ(-kStop, TunerView::needleAngleForDeviation(-40.0f));
  EXPECT_EQ(kStop, TunerView::needleAngleForDeviation(40.5f));
  EXPECT_LT(TunerView::needleAngleForDeviation(39.9f), kStop) << "just inside, it still follows";
  // Not a number goes to the flat stop, never through to the needle.
  EXPECT_EQ(-kStop, TunerView::needleAngleForDeviation(std::numeric_limits<float>::quiet_NaN()));
}

TEST(TunerViewArithmeticTest, TheCentreLightCoversFiveCentsEitherSide) {
  auto light = [](float cents) {
    return TunerView::lightForNeedleAngle(TunerView::needleAngleForDeviation(cents));
  };
  EXPECT_EQ(TunerView::Light::center, light(0.0f));
  EXPECT_EQ(TunerView::Light::center, light(4.99f));
  EXPECT_EQ(TunerView::Light::center, light(-4.99f));
  // Exactly 5 cents narrows to a float just past π/24.
  EXPECT_GT(static_cast<double>(TunerView::needleAngleForDeviation(5.0f)), M_PI / 24);
  EXPECT_EQ(TunerView::Light::sharp, light(5.0f));
  EXPECT_EQ(TunerView::Light::flat, light(-5.0f));
  EXPECT_EQ(TunerView::Light::flat, light(std::numeric_limits<float>::quiet_NaN()));
}

// Where a point of the upright needle image (relative to its centre) lands on
// the portrait screen, for a needle view centred at `c`.
Point onScreen(const Transform3D& t, Point c, Point p) {
  Point q = platform::Transform3DApply(t, p);
  return {c.x + q.x, c.y + q.y};
}

TEST(TunerViewArithmeticTest, TheNeedleTurnsAboutItsPivotAndPointsAtTheDialMarks) {
  const Point needleCentre{188, 240};  // 28 points along +x from the screen's centre
  auto marks = HashMarkView::marks();
  struct Case {
    float cents;
    float markAngle;
  } cases[] = {{0, marks[8].angle}, {20, marks[13].angle}, {-20, marks[3].angle}};
  for (const Case& c : cases) {
    Transform3D t = TunerView::needleTransformForAngle(TunerView::needleAngleForDeviation(c.cents));
    // The pivot, 120 points below the image's centre, stays put: 120 points
    // along +x from the needle view's centre (the bottom of the landscape dial).
    Point pivot = onScreen(t, needleCentre, {0, 120});
    EXPECT_NEAR(308.0, pivot.x, 1e-4) << c.cents;
    EXPECT_NEAR(240.0, pivot.y, 1e-4) << c.cents;
    // The tip points the way the dial's mark for that deviation does.
    Point tip = onScreen(t, needleCentre, {0, -100});
    double dx = tip.x - pivot.x, dy = tip.y - pivot.y;
    double len = std::hypot(dx, dy);
    EXPECT_NEAR(-std::sin(c.markAngle), dx / len, 1e-6) << c.cents;
    EXPECT_NEAR(std::cos(c.markAngle), dy / len, 1e-6) << c.cents;
  }
}

// ---- The view on a running controller ------------------------------------

class TunerViewTest : public TunerScreenFixture {
 protected:
  TunerView& view() { return *controller->tunerView(); }
  Tuning& tuner() { return *controller->tuner(); }

  void expectLights(bool flat, bool center, bool sharp) {
    EXPECT_EQ(flat, view().flatLightOn());
    EXPECT_EQ(center, view().centerLightOn());
    EXPECT_EQ(sharp, view().sharpLightOn());
    EXPECT_DOUBLE_EQ(flat ? 0.8 : 0.0, view().flatLightView()->alpha());
    EXPECT_DOUBLE_EQ(center ? 0.8 : 0.0, view().centerLightView()->alpha());
    EXPECT_DOUBLE_EQ(sharp ? 0.8 : 0.0, view().sharpLightView()->alpha());
  }

  // The needle shows exactly what the analysis measured.
  void expectNeedleFollowsTheAnalysis() {
    ASSERT_NE(nullptr, tuner().selectedNote());
    float angle =
        TunerView::needleAngleForDeviation(tuner().frequencyDeltaForNote(*tuner().selectedNote()));
    EXPECT_EQ(TunerView::needleTransformForAngle(angle), view().needleView()->transform());
  }
};

TEST_F(TunerViewTest, StartsWithNoNoteNoNeedleNoLightsAndTheCalibration) {
  load();
  EXPECT_EQ("", view().noteNameLabel()->text());
  EXPECT_EQ("440 Hz", view().calibrationLabel()->text());
  EXPECT_FALSE(view().needleShowing());
  EXPECT_DOUBLE_EQ(0.0, view().needleView()->alpha());
  expectLights(false, false, false);
  EXPECT_TRUE(view().autoButton()->isSelected());
}

TEST_F(TunerViewTest, AnInTuneStringShowsItsNameTheNeedleAndOnlyTheCentreLight) {
  load();
  controller->viewDidAppear(true);
  play(110.0, 6);
  ASSERT_NE(nullptr, tuner().selectedNote());
  EXPECT_EQ("A", view().noteNameLabel()->text());
  EXPECT_TRUE(view().needleShowing());
  EXPECT_DOUBLE_EQ(1.0, view().needleView()->alpha());
  expectLights(false, true, false);
  expectNeedleFollowsTheAnalysis();

  // Six refreshes with a note: the needle moved each time, but faded in once
  // and the centre light once.
  EXPECT_EQ(6, View::committedAnimationCount("moveneedle"));
  EXPECT_EQ(1, View::committedAnimationCount("fadeNeedle"));
  EXPECT_EQ(1, View::committedAnimationCount("fadeCenterLight"));
  EXPECT_EQ(0, View::committedAnimationCount("fadeFlatLight"));
  EXPECT_EQ(0, View::committedAnimationCount("fadeSharpLight"));
}

TEST_F(TunerViewTest, SharpAndFlatStringsLightTheirSideAndSilenceClearsTheScreen) {
  load();
  controller->viewDidAppear(true);
  play(329.6 * std::pow(2.0, 12.0 / 1200), 6);
  EXPECT_EQ("E", view().noteNameLabel()->text());
  expectLights(false, false, true);
  expectNeedleFollowsTheAnalysis();
  EXPECT_GT(tuner().frequencyDeltaForNote(*tuner().selectedNote()), 5.0f);

  play(196.0 * std::pow(2.0, -15.0 / 1200), 8);
  EXPECT_EQ("G", view().noteNameLabel()->text());
  expectLights(true, false, false);
  expectNeedleFollowsTheAnalysis();

  View::resetAnimationCounts();
  silence(12);
  EXPECT_EQ(nullptr, tuner().selectedNote());
  EXPECT_EQ("", view().noteNameLabel()->text());
  EXPECT_FALSE(view().needleShowing());
  EXPECT_DOUBLE_EQ(0.0, view().needleView()->alpha());
  expectLights(false, false, false);
  EXPECT_EQ(1, View::committedAnimationCount("fadeNeedle"));
  EXPECT_EQ(1, View::committedAnimationCount("fadeFlatLight"));
  EXPECT_EQ(0, View::committedAnimationCount("fadeCenterLight"));
}

TEST_F(TunerViewTest, NeedleAndLightAnimationsTakeTheirTime) {
  load();
  view().revealNeedle();
  view().setFlatLight(true);
  RunLoop::currentRunLoop().advanceBy(0.1);
  EXPECT_GT(view().needleView()->presentationAlpha(), 0.0);
  EXPECT_LT(view().needleView()->presentationAlpha(), 1.0);
  RunLoop::currentRunLoop().advanceBy(0.1);
  EXPECT_DOUBLE_EQ(1.0, view().needleView()->presentationAlpha());
  EXPECT_LT(view().flatLightView()->presentationAlpha(), 0.8);
  RunLoop::currentRunLoop().advanceBy(0.05);
  EXPECT_DOUBLE_EQ(0.8, view().flatLightView()->presentationAlpha());
}

// ---- Layout ----------------------------------------------------------------

// Where a subview's centre lies on the landscape screen (X from the reader's
// left, Y from the top).
Point landscapeCentre(const View& v) {
  return {480 - v.center().y, v.center().x};
}

TEST_F(TunerViewTest, SubviewsLieInTheirZOrderWhereTheLandscapeReaderExpectsThem) {
  load();
  const auto& subviews = view().subviews();
  ASSERT_EQ(11u + 6u, subviews.size());
  const View* order[] = {view().hashMarkView(),   view().noteNameLabel(), view().calibrationLabel(),
                         view().needleView(),     view().flatLightView(), view().sharpLightView(),
                         view().centerLightView()};
  for (size_t i = 0; i < 7; ++i) EXPECT_EQ(order[i], subviews[i + 1].get()) << i;
  EXPECT_EQ(view().autoButton(), subviews[9].get());
  EXPECT_EQ(view().modeButton(), subviews[10].get());
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(view().noteButtons()[i], subviews[11 + i]);

  struct Expected {
    const View* view;
    double x, y;
  } expected[] = {
      {subviews[0].get(), 240, 160},         // background, centred
      {view().noteNameLabel(), 240, 160},    // the note name in the middle
      {view().calibrationLabel(), 49, 200},  // lower left
      {view().needleView(), 240, 188},      {view().flatLightView(), 18.5, 46},  // top left
      {view().sharpLightView(), 457.5, 46},                                      // top right
      {view().centerLightView(), 239, 23},                                       // top centre
  };
  for (const Expected& e : expected) {
    Point p = landscapeCentre(*e.view);
    EXPECT_DOUBLE_EQ(e.x, p.x) << e.x << "," << e.y;
    EXPECT_DOUBLE_EQ(e.y, p.y) << e.x << "," << e.y;
  }
  // The labels and the needle are turned for the landscape reading. (The
  // buttons' places are where the system tests click them.)
  Transform3D turn =
      platform::Transform3DRotate(platform::Transform3DIdentity, -1.5707964f, 0, 0, 1);
  EXPECT_EQ(turn, view().noteNameLabel()->transform());
  EXPECT_EQ(turn, view().calibrationLabel()->transform());
  EXPECT_EQ(turn, view().needleView()->transform());
}

TEST_F(TunerViewTest, NoteButtonsFollowTheTuningAndFourNotesUseTheFirstFourPlaces) {
  load();
  ASSERT_NE(nullptr, Image::imageNamed("button-fg-e.png")) << "the bundle images are missing";
  const auto& guitar = tuner().targetTuning()->tuningNotes;
  ASSERT_EQ(6u, view().noteButtons().size());
  for (size_t i = 0; i < 6; ++i) {
    const NoteButton& b = *view().noteButtons()[i];
    EXPECT_EQ(guitar[i], b.targetNote());
    EXPECT_EQ(410.0 - 60.0 * i, b.frame().origin.y);
    EXPECT_EQ(Image::imageNamed(guitar[i]->imageName()), b.image(platform::ControlStateNormal));
  }

  // A forced note; then the settings screen picks the ukulele.
  view().noteButtonPressed(view().noteButtons()[2].get());
  tuner().setTargetTuning(Tuning::tuningForId("ukulele"));
  auto old = view().noteButtons();
  view().reloadNoteButtons();
  const auto& ukulele = tuner().targetTuning()->tuningNotes;
  ASSERT_EQ(4u, view().noteButtons().size());
  for (size_t i = 0; i < 4; ++i) {
    const NoteButton& b = *view().noteButtons()[i];
    EXPECT_EQ(ukulele[i], b.targetNote());
    EXPECT_EQ(410.0 - 60.0 * i, b.frame().origin.y);
    EXPECT_FALSE(b.isSelected());
    EXPECT_EQ(&view(), b.superview());
  }
  for (const auto& b : old) EXPECT_EQ(nullptr, b->superview());
  // The new row lies on top of everything else.
  EXPECT_EQ(view().noteButtons().back(), view().subviews().back());
  EXPECT_EQ(11u + 4u, view().subviews().size());
}

TEST_F(TunerViewTest, MakingNoteButtonsOverAnExistingRowIsABrokenInvariant) {
  load();
  EXPECT_DEATH(view().makeNoteButtonsForTuning(*tuner().targetTuning()),
               "Should not have any buttons here");
}

// ---- Controls ----------------------------------------------------------------

// Manual selection ⇔ exactly that note button selected; automatic ⇔ the auto
// button selected and no note button.
void expectSelectionRule(TunerView& view, Tuning& tuner) {
  const TargetNote* manual = tuner.manualNoteSelection();
  int selected = 0;
  for (const auto& b : view.noteButtons()) {
    if (b->isSelected()) {
      ++selected;
      EXPECT_EQ(manual, b->targetNote().get());
    }
  }
  if (manual) {
    EXPECT_EQ(1, selected);
    EXPECT_FALSE(view.autoButton()->isSelected());
  } else {
    EXPECT_EQ(0, selected);
    EXPECT_TRUE(view.autoButton()->isSelected());
  }
}

TEST_F(TunerViewTest, NoteAndAutoButtonsKeepTheSelectionRule) {
  load();
  controller->viewDidAppear(true);
  expectSelectionRule(view(), tuner());
  std::mt19937 random(11);
  for (int i = 0; i < 300; ++i) {
    int press = static_cast<int>(random() % 8);
    if (press < 6) {
      view().noteButtonPressed(view().noteButtons()[press].get());
      // Each button forces its own string; the two E strings are two notes.
      if (controller->mode() == TunerMode::tuner) {
        EXPECT_EQ(tuner().targetTuning()->tuningNotes[press].get(), tuner().manualNoteSelection());
      }
    } else if (press == 6) {
      view().autoButtonPressed(view().autoButton());
    } else {
      view().modeButtonPressed(view().modeButton());
    }
    if (controller->mode() == TunerMode::tuner) {
      expectSelectionRule(view(), tuner());
    } else {
      EXPECT_TRUE(view().autoButton()->isHidden());
      for (const auto& b : view().noteButtons()) EXPECT_FALSE(b->isSelected());
    }
  }
}

TEST_F(TunerViewTest, ModeSwitchingHidesAndShowsWhatItShould) {
  load();
  controller->viewDidAppear(true);
  play(110.0, 4);
  view().noteButtonPressed(view().noteButtons()[1].get());
  ASSERT_TRUE(view().needleShowing());
  bool centreWasOn = view().centerLightOn();
  ASSERT_NE(Image::imageNamed("tone-mode.png"), Image::imageNamed("tuner-mode.png"));

  view().modeButtonPressed(view().modeButton());
  EXPECT_EQ(TunerMode::tone, controller->mode());
  EXPECT_EQ(Image::imageNamed("tone-mode.png"),
            view().modeButton()->image(platform::ControlStateNormal));
  EXPECT_TRUE(view().autoButton()->isHidden());
  EXPECT_FALSE(view().needleShowing());
  EXPECT_EQ("", view().noteNameLabel()->text());
  for (const auto& b : view().noteButtons()) EXPECT_FALSE(b->isSelected());
  EXPECT_EQ(centreWasOn, view().centerLightOn()) << "the lights are left as they were";

  // A note button in tone mode plays and changes no selection.
  bool autoSelected = view().autoButton()->isSelected();
  view().noteButtonPressed(view().noteButtons()[3].get());
  EXPECT_NE(nullptr, controller->sounds());
  EXPECT_EQ(autoSelected, view().autoButton()->isSelected());
  for (const auto& b : view().noteButtons()) EXPECT_FALSE(b->isSelected());

  view().modeButtonPressed(view().modeButton());
  EXPECT_EQ(TunerMode::tuner, controller->mode());
  EXPECT_EQ(Image::imageNamed("tuner-mode.png"),
            view().modeButton()->image(platform::ControlStateNormal));
  EXPECT_FALSE(view().autoButton()->isHidden());
  EXPECT_EQ(nullptr, tuner().manualNoteSelection());
  EXPECT_TRUE(view().autoButton()->isSelected());
}

}  // namespace
