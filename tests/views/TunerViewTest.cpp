#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "common/Tuning.h"
#include "common/TuningCatalogue.h"
#include "platform/Image.h"
#include "tests/support/Canvas.h"
#include "tests/support/TunerScreenFixture.h"
#include "views/HashMarkView.h"
#include "views/NoteButton.h"
#include "views/NoteNameLabel.h"
#include "views/TunerView.h"

using platform::Image;
using platform::Point;
using platform::Rect;
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

TEST(TunerViewArithmeticTest, TheReadoutGivesCentsToATenthAndHertz) {
  EXPECT_EQ("+3.2 \u00A2", TunerView::deviationText(3.24f));
  EXPECT_EQ("\u221212.0 \u00A2", TunerView::deviationText(-11.96f)) << "a true minus sign";
  EXPECT_EQ("0.0 \u00A2", TunerView::deviationText(-0.04f)) << "no sign on what shows as nothing";
  EXPECT_EQ("", TunerView::deviationText(std::numeric_limits<float>::quiet_NaN()));
  EXPECT_EQ("61.74 Hz", TunerView::frequencyText(61.735f)) << "low notes to a hundredth";
  EXPECT_EQ("146.8 Hz", TunerView::frequencyText(146.83f));
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
  ASSERT_EQ(17u + 6u, subviews.size());
  const View* order[] = {view().hashMarkView(),   view().noteNameLabel(), view().calibrationLabel(),
                         view().needleView(),     view().flatLightView(), view().sharpLightView(),
                         view().centerLightView()};
  for (size_t i = 0; i < 7; ++i) EXPECT_EQ(order[i], subviews[i + 1].get()) << i;
  EXPECT_EQ(view().autoButton(), subviews[9].get());
  EXPECT_EQ(view().modeButton(), subviews[10].get());
  // The ring of auto mode lies under the note buttons, which come last.
  EXPECT_EQ(view().stringMarkView(), subviews[16].get());
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(view().noteButtons()[i], subviews[17 + i]);

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

// Landscape rectangle of a view on the screen (X from the reader's left, Y
// from the top), as it is drawn: turned views show their bounds upright.
Rect landscapeRect(const View& v) {
  const Point c = landscapeCentre(v);
  const bool turned = !platform::Transform3DIsIdentity(v.transform());
  const double w = turned ? v.bounds().size.width : v.bounds().size.height;
  const double h = turned ? v.bounds().size.height : v.bounds().size.width;
  return platform::RectMake(c.x - w / 2, c.y - h / 2, w, h);
}

bool overlap(const Rect& a, const Rect& b) {
  return a.minX() < b.maxX() && b.minX() < a.maxX() && a.minY() < b.maxY() && b.minY() < a.maxY();
}

// A tuning of `count` strings taken from the chromatic notes, a fourth apart.
std::shared_ptr<const TuningDictionary> testTuning(size_t count) {
  const auto& chromatic = Tuning::tuningForId("chromatic")->tuningNotes;
  std::vector<std::shared_ptr<const TargetNote>> notes;
  for (size_t i = 0; i < count; ++i) notes.push_back(chromatic[10 + 5 * i]);
  return std::make_shared<const TuningDictionary>(
      TuningDictionary{"test", "Test", notes, GuitarGroup});
}

// The row's rules for any tuning: the tuning's strings in order, lowest on
// the reader's left; square buttons 28 to 40 points wide, drawing their
// letter images whole, in the column beside the auto button (portrait x 235
// to 275), between the screen's edge and the auto button, none overlapping
// another or the auto button.
void expectStringRow(TunerView& view, const TuningDictionary& tuning) {
  const auto& buttons = view.noteButtons();
  ASSERT_EQ(tuning.tuningNotes.size(), buttons.size()) << tuning.tuningId;
  const Rect autoFrame = view.autoButton()->frame();
  for (size_t i = 0; i < buttons.size(); ++i) {
    const NoteButton& b = *buttons[i];
    const Rect f = b.frame();
    SCOPED_TRACE(tuning.tuningId + " string " + std::to_string(i + 1));
    EXPECT_EQ(tuning.tuningNotes[i], b.targetNote());
    auto letter = b.image(platform::ControlStateNormal);
    ASSERT_NE(nullptr, letter) << tuning.tuningNotes[i]->imageName();
    EXPECT_EQ(Image::imageNamed(tuning.tuningNotes[i]->imageName()), letter);
    EXPECT_GE(f.size.width, letter->size().width) << "the letter drawn whole";
    EXPECT_EQ(f.size.width, f.size.height);
    EXPECT_GE(f.size.width, 28.0);
    EXPECT_LE(f.size.width, 40.0);
    EXPECT_GE(f.minX(), 235.0);
    EXPECT_LE(f.maxX(), 275.0);
    EXPECT_GE(f.minY(), autoFrame.maxY() + 8) << "clear of the auto button";
    EXPECT_LE(f.maxY(), 460.0);
    if (i > 0) {
      EXPECT_LT(f.maxY() + 4, buttons[i - 1]->frame().minY()) << "after the one before";
    }
  }
}

TEST_F(TunerViewTest, OneToEightStringsFitTheRowAndSixSitWhereTheyAlwaysHave) {
  load();
  ASSERT_NE(nullptr, Image::imageNamed("button-fg-e.png")) << "the bundle images are missing";
  const auto& guitar = *tuner().targetTuning();
  expectStringRow(view(), guitar);
  for (size_t i = 0; i < 6; ++i) {
    const Rect f = view().noteButtons()[i]->frame();
    EXPECT_EQ(235.0, f.minX());
    EXPECT_EQ(410.0 - 60.0 * i, f.minY());
    EXPECT_EQ(40.0, f.size.width);
  }

  // A forced note; then the settings screen picks another tuning. The row is
  // replaced, nothing selected, the new buttons on top of everything.
  view().noteButtonPressed(view().noteButtons()[2].get());
  std::vector<std::shared_ptr<const TuningDictionary>> tunings = {testTuning(1),
                                                                  testTuning(2),
                                                                  testTuning(3),
                                                                  Tuning::tuningForId("ukulele"),
                                                                  Tuning::tuningForId("bass5"),
                                                                  Tuning::tuningForId("guitar-eb"),
                                                                  Tuning::tuningForId("open-d"),
                                                                  Tuning::tuningForId("guitar7"),
                                                                  testTuning(8)};
  for (const auto& tuning : tunings) {
    auto old = view().noteButtons();
    tuner().setTargetTuning(tuning);
    view().reloadNoteButtons();
    expectStringRow(view(), *tuning);
    for (const auto& b : view().noteButtons()) {
      EXPECT_FALSE(b->isSelected());
      EXPECT_EQ(&view(), b->superview());
    }
    for (const auto& b : old) EXPECT_EQ(nullptr, b->superview());
    EXPECT_EQ(view().noteButtons().back(), view().subviews().back());
    // Up to six strings keep the guitar's places; more come closer.
    if (tuning->tuningNotes.size() <= 6) {
      EXPECT_EQ(410.0 - 60.0 * (tuning->tuningNotes.size() - 1),
                view().noteButtons().back()->frame().minY());
    }
  }
  EXPECT_EQ(17u + 8u, view().subviews().size());
}

TEST_F(TunerViewTest, MakingNoteButtonsOverAnExistingRowIsABrokenInvariant) {
  load();
  EXPECT_DEATH(view().makeNoteButtonsForTuning(*tuner().targetTuning()),
               "Should not have any buttons here");
}

// Whether the ring of auto mode shows around a button on a scale-2 canvas of
// the portrait screen: its stroke runs 2 points outside the button's edge.
bool ringShowsAround(const test_support::Canvas& canvas, const NoteButton& b) {
  const Rect f = b.frame();
  const auto p = canvas.at(static_cast<int>((f.minX() - 2) * 2), static_cast<int>(f.midY() * 2));
  return p.g > 150 && p.g > p.r + 60;
}

TEST_F(TunerViewTest, TheStringHeardWearsARingThatFollowsTheAnalysisNotTheName) {
  preferences->setString("dropd", TargetTuningOption);
  load();
  controller->viewDidAppear(true);
  const auto buttons = view().noteButtons();
  ASSERT_EQ(6u, buttons.size());
  EXPECT_EQ(nullptr, view().markedNoteButton());
  EXPECT_TRUE(view().stringMarkView()->isHidden());

  // Drop-D has two Ds: the ring tells the D3 string (the 4th) from the low D.
  play(146.83, 4);
  ASSERT_EQ("D", view().noteNameLabel()->text());
  EXPECT_EQ(buttons[2].get(), view().markedNoteButton());
  play(73.42, 6);
  ASSERT_EQ("D", view().noteNameLabel()->text());
  EXPECT_EQ(buttons[0].get(), view().markedNoteButton());
  test_support::Canvas canvas(*controller->view(), 2);
  EXPECT_TRUE(ringShowsAround(canvas, *buttons[0]));
  EXPECT_FALSE(ringShowsAround(canvas, *buttons[2]));

  // A string chosen by hand is lit instead; AUTO brings the ring back.
  view().noteButtonPressed(buttons[1].get());
  play(73.42, 2);
  EXPECT_EQ(nullptr, view().markedNoteButton());
  EXPECT_TRUE(view().stringMarkView()->isHidden());
  view().autoButtonPressed(view().autoButton());
  play(73.42, 2);
  EXPECT_EQ(buttons[0].get(), view().markedNoteButton());

  // Nothing heard, nothing ringed; nor in tone mode.
  silence(12);
  EXPECT_EQ(nullptr, view().markedNoteButton());
  EXPECT_TRUE(view().stringMarkView()->isHidden());
  play(73.42, 4);
  ASSERT_NE(nullptr, view().markedNoteButton());
  view().modeButtonPressed(view().modeButton());
  EXPECT_TRUE(view().stringMarkView()->isHidden());
}

// The rows and columns of a scale-2 canvas where two pictures differ.
Rect differingPixels(const test_support::Canvas& a, const test_support::Canvas& b) {
  const int w = cairo_image_surface_get_width(a.surface());
  const int h = cairo_image_surface_get_height(a.surface());
  int left = w, top = h, right = -1, bottom = -1;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const auto p = a.at(x, y), q = b.at(x, y);
      if (std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b) < 24) continue;
      left = std::min(left, x), right = std::max(right, x);
      top = std::min(top, y), bottom = std::max(bottom, y);
    }
  }
  if (right < 0) return Rect{};
  return platform::RectMake(left / 2.0, top / 2.0, (right + 1 - left) / 2.0,
                            (bottom + 1 - top) / 2.0);
}

TEST_F(TunerViewTest, ChromaticNamesTheNoteWithItsOctaveAndHasNoStringButtons) {
  preferences->setString("chromatic", TargetTuningOption);
  load();
  controller->viewDidAppear(true);
  EXPECT_TRUE(view().noteButtons().empty());
  EXPECT_TRUE(view().autoButton()->isSelected());
  EXPECT_FALSE(view().autoButton()->isHidden());
  EXPECT_TRUE(view().octaveDownButton()->isHidden());
  EXPECT_TRUE(view().octaveUpButton()->isHidden());

  const double played = 138.59 * std::pow(2.0, 6.0 / 1200);
  play(played, 6);
  platform::Label& label = *view().noteNameLabel();
  ASSERT_EQ("C\u266F3", label.text());

  // Legible: the letter shrinks little, and letter, sign and octave lie apart
  // inside the label's box (a label draws nothing outside it).
  const auto pieces = NoteNameLabel::layout(label.text(), *label.font(), label.bounds().size);
  ASSERT_EQ(3u, pieces.size());
  EXPECT_GE(pieces[0].pointSize, 100.0);
  const Rect box = label.bounds();
  for (size_t i = 0; i < 3; ++i) {
    const Rect ink = pieces[i].ink;
    EXPECT_GT(ink.size.width, 10.0) << pieces[i].text;
    EXPECT_TRUE(box.contains(ink.origin) && ink.maxX() <= box.maxX() && ink.maxY() <= box.maxY())
        << pieces[i].text;
    for (size_t j = 0; j < i; ++j) EXPECT_FALSE(overlap(ink, pieces[j].ink)) << i << " " << j;
  }
  // A plain letter keeps the design's size; a name that is no note name
  // shrinks whole to fit.
  const auto plain = NoteNameLabel::layout("E", *label.font(), label.bounds().size);
  ASSERT_EQ(1u, plain.size());
  EXPECT_EQ(140.0, plain[0].pointSize);
  const auto other = NoteNameLabel::layout("98.5Hz", *label.font(), label.bounds().size);
  ASSERT_EQ(1u, other.size());
  EXPECT_TRUE(other[0].ink.minX() >= 0 && other[0].ink.maxX() <= box.maxX());

  // Drawn as laid out: across the dial (landscape X is 310 - x of the label
  // here), the shadow 3 points after it; nothing cut off at the box.
  RunLoop::currentRunLoop().advanceBy(0.3);
  view().needleView()->setHidden(true);
  test_support::Canvas named(*controller->view(), 2);
  label.setText("");
  test_support::Canvas unnamed(*controller->view(), 2);
  const Rect drawn = differingPixels(named, unnamed);
  const double right = std::max(pieces[1].ink.maxX(), pieces[2].ink.maxX());
  EXPECT_NEAR(310 - right - 3, drawn.minY(), 1.5);
  EXPECT_NEAR(310 - pieces[0].ink.minX(), drawn.maxY(), 1.5);

  // The read-out shows for chromatic without being asked: the frequency heard.
  EXPECT_FALSE(view().frequencyLabel()->isHidden());
  EXPECT_NEAR(played, std::stod(view().frequencyLabel()->text()), 0.15);
  const std::string cents = view().deviationLabel()->text();
  ASSERT_EQ('+', cents[0]);
  EXPECT_NEAR(6.0, std::stod(cents.substr(1)), 1.0) << cents;
}

// Records what the view asks of its controller.
class TestTunerViewDelegate : public TunerViewDelegate {
 public:
  TunerMode mode() const override { return mode_; }
  void setMode(TunerMode mode) override { mode_ = mode; }
  void startSound(const TargetNote& note) override { played.push_back(&note); }
  void flipAction(platform::Control*) override {}

  std::vector<const TargetNote*> played;

 private:
  TunerMode mode_ = TunerMode::tuner;
};

TEST_F(TunerViewTest, ChromaticToneModeIsAKeyboardOfOneOctaveWithOctaveButtons) {
  auto tuner = Tuning::initWithSampleRate(22050);
  tuner->setTargetTuning(Tuning::tuningForId("chromatic"));
  TestTunerViewDelegate delegate;
  auto screen =
      TunerView::initWithFrame(platform::RectMake(0, 0, 320, 480), tuner.get(), &delegate);
  TunerView& view = *screen;
  view.modeButtonPressed(view.modeButton());
  ASSERT_EQ(TunerMode::tone, delegate.mode());

  const auto expectOctave = [&](int octave) {
    SCOPED_TRACE(octave);
    EXPECT_EQ(octave, view.keyboardOctave());
    const std::string o = std::to_string(octave);
    EXPECT_EQ("C" + o + " \u2013 B" + o, view.octaveLabel()->text());
    const auto& keys = view.noteButtons();
    ASSERT_EQ(12u, keys.size());
    const int c = NoteName('C', NoteName::Accidental::Natural, octave).semitone();
    for (int i = 0; i < 12; ++i) {
      const auto& note = keys[i]->targetNote();
      // Below B0 the chromatic tuning has no notes: those keys are off.
      EXPECT_EQ(note != nullptr, keys[i]->isEnabled());
      if (note) {
        EXPECT_EQ(c + i, note->pitch()->semitone());
      }
    }
  };
  expectOctave(TunerView::kFirstKeyboardOctave);
  EXPECT_FALSE(view.octaveLabel()->isHidden());
  EXPECT_FALSE(view.octaveDownButton()->isHidden());

  // Every key and both octave buttons are on the screen, at least 28 points
  // wide, and clear of one another and of the screen's other controls.
  std::vector<const View*> controls = {view.octaveDownButton(), view.octaveUpButton()};
  for (const auto& key : view.noteButtons()) controls.push_back(key.get());
  const View* others[] = {view.calibrationLabel(), view.modeButton(), view.subviews()[8].get()};
  for (size_t i = 0; i < controls.size(); ++i) {
    const Rect r = landscapeRect(*controls[i]);
    EXPECT_GE(std::min(r.size.width, r.size.height), 28.0) << i;
    EXPECT_TRUE(r.minX() >= 0 && r.maxX() <= 480 && r.minY() >= 0 && r.maxY() <= 320) << i;
    for (size_t j = 0; j < i; ++j)
      EXPECT_FALSE(overlap(r, landscapeRect(*controls[j]))) << i << " " << j;
    for (const View* other : others) EXPECT_FALSE(overlap(r, landscapeRect(*other))) << i;
  }

  // A key plays its note, and lights nothing.
  view.noteButtonPressed(view.noteButtons()[1].get());
  ASSERT_EQ(1u, delegate.played.size());
  EXPECT_EQ("C#3", delegate.played[0]->pitchName());
  EXPECT_FALSE(view.noteButtons()[1]->isSelected());

  // The octave buttons walk the keyboard through what the tuning holds.
  for (int octave = 4; octave <= 5; ++octave) {
    view.octaveUpButtonPressed(view.octaveUpButton());
    expectOctave(octave);
  }
  EXPECT_FALSE(view.octaveUpButton()->isEnabled());
  view.octaveUpButtonPressed(view.octaveUpButton());
  expectOctave(5);
  for (int octave = 4; octave >= 0; --octave) view.octaveDownButtonPressed(view.octaveDownButton());
  expectOctave(0);
  EXPECT_FALSE(view.octaveDownButton()->isEnabled());
  EXPECT_TRUE(view.noteButtons()[11]->isEnabled()) << "B0, the 5-string bass's low string";
  view.noteButtonPressed(view.noteButtons()[0].get());
  EXPECT_EQ(1u, delegate.played.size()) << "a key without a note plays nothing";

  // Back in tuner mode: no buttons, no keyboard controls.
  view.modeButtonPressed(view.modeButton());
  EXPECT_TRUE(view.noteButtons().empty());
  EXPECT_TRUE(view.octaveLabel()->isHidden());
  EXPECT_TRUE(view.octaveUpButton()->isHidden());
}

TEST_F(TunerViewTest, TheReadoutShowsTheDeviationAndTheFrequencyHeardAndIsRemembered) {
  load();
  controller->viewDidAppear(true);
  const double played = 110.0 * std::pow(2.0, -8.0 / 1200);
  play(played, 6);
  EXPECT_TRUE(view().deviationLabel()->isHidden()) << "off for strings until asked for";
  EXPECT_TRUE(view().frequencyLabel()->isHidden());

  controller->toggleNumericReadout();
  EXPECT_EQ(1, preferences->integerForKey(NumericReadoutOption));
  play(played, 1);
  EXPECT_FALSE(view().deviationLabel()->isHidden());
  const std::string cents = view().deviationLabel()->text();
  ASSERT_EQ(0u, cents.rfind("\u2212", 0)) << cents;
  EXPECT_NEAR(8.0, std::stod(cents.substr(3)), 0.6) << cents;
  EXPECT_NEAR(played, std::stod(view().frequencyLabel()->text()), 0.1);

  // Nothing to read in tone mode.
  view().modeButtonPressed(view().modeButton());
  EXPECT_TRUE(view().deviationLabel()->isHidden());
  view().modeButtonPressed(view().modeButton());
  EXPECT_FALSE(view().deviationLabel()->isHidden());

  // Off, and still off the next time, even for chromatic.
  controller->toggleNumericReadout();
  EXPECT_EQ(0, preferences->integerForKey(NumericReadoutOption));
  EXPECT_TRUE(view().deviationLabel()->isHidden());
  controller.reset();
  preferences->setString("chromatic", TargetTuningOption);
  load();
  EXPECT_FALSE(view().numericReadoutWanted());
  EXPECT_TRUE(view().frequencyLabel()->isHidden());
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
