#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "Classes/FlipsideView.h"
#include "Classes/FlipsideViewController.h"
#include "common/Tuning.h"
#include "platform/Bundle.h"
#include "platform/Label.h"
#include "platform/Preferences.h"
#include "platform/Slider.h"
#include "platform/TableView.h"
#include "tests/support/Scoped.h"

using platform::IndexPath;
using platform::Preferences;
using platform::TableViewCell;
using platform::TableViewCellAccessoryType;

namespace {

// The settings screen on its own preferences store (defaults registered as at
// launch) and its own engine.
class FlipsideViewControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    preferences = std::make_unique<Preferences>(dir);
    preferences->registerDefaults(
        {{TargetTuningOption, std::string("guitar")}, {CalibrationOption, int64_t{440}}});
    // The screen's two values outlive any one controller; start each test
    // as a fresh run of the program would.
    calibrationValue = 440.0f;
    selectedTuning = 0;
    tuner = Tuning::initWithSampleRate(22050.0f);
    tuner->setTargetTuning(Tuning::definedTunings().front());
  }
  void TearDown() override { controller.reset(); }

  FlipsideViewController& load() {
    controller = FlipsideViewController::initWithNibName(
        "FlipsideView", platform::Bundle::mainBundle(), preferences.get());
    controller->setTuner(tuner);
    controller->view();
    return *controller;
  }

  platform::TableView& table() { return *controller->tableView(); }
  TableViewCell* tuningRow(int row) { return table().cellForRowAtIndexPath(IndexPath{1, row}); }
  std::vector<int> checkedRows() {
    std::vector<int> rows;
    for (int r = 0; r < table().numberOfRowsInSection(1); ++r) {
      if (tuningRow(r)->accessoryType() == TableViewCellAccessoryType::Checkmark) rows.push_back(r);
    }
    return rows;
  }
  // What a later run of the program would read back.
  Preferences reread() { return Preferences(dir); }

  test_support::TempDir dir{"flipside"};
  std::unique_ptr<Preferences> preferences;
  std::shared_ptr<Tuning> tuner;
  std::shared_ptr<FlipsideViewController> controller;
};

TEST_F(FlipsideViewControllerTest, WithDefaultsOnlyShows440AndStandardGuitar) {
  FlipsideViewController& c = load();
  EXPECT_NE(nullptr, dynamic_cast<FlipsideView*>(c.view().get()));
  EXPECT_EQ(platform::Color::viewFlipsideBackgroundColor(), c.view()->backgroundColor());

  // The table sits below the 44-point bar and fills the rest; it never scrolls.
  platform::TableView& t = table();
  EXPECT_EQ(c.view().get(), t.superview());
  const platform::Rect frame = t.frame();
  EXPECT_EQ(0, frame.origin.x);
  EXPECT_EQ(44, frame.origin.y);
  EXPECT_EQ(320, frame.size.width);
  EXPECT_EQ(436, frame.size.height);
  EXPECT_EQ(platform::TableViewStyle::Grouped, t.style());
  EXPECT_EQ(18u, t.autoresizingMask());
  EXPECT_FALSE(t.isScrollEnabled());

  ASSERT_EQ(2, t.numberOfSections());
  EXPECT_EQ("Calibration", t.headerTitleForSection(0));
  EXPECT_EQ("Tuning", t.headerTitleForSection(1));
  EXPECT_EQ(1, t.numberOfRowsInSection(0));
  ASSERT_EQ(static_cast<int>(Tuning::definedTunings().size()), t.numberOfRowsInSection(1));
  const char* names[] = {"Standard Guitar", "Drop-D Guitar", "5-String Banjo", "Violin/Mandolin",
                         "Ukulele"};
  for (int r = 0; r < 5; ++r) {
    EXPECT_EQ(names[r], tuningRow(r)->text());
    EXPECT_EQ(platform::TableViewCellSelectionStyle::None, tuningRow(r)->selectionStyle());
  }
  EXPECT_EQ(std::vector<int>{0}, checkedRows());

  ASSERT_NE(nullptr, c.calibrationLabel());
  EXPECT_EQ("440 Hz", c.calibrationLabel()->text());
  platform::Slider* slider = c.calibrationSlider();
  ASSERT_NE(nullptr, slider);
  EXPECT_EQ(440.0f, slider->value());
  EXPECT_EQ(420.0f, slider->minimumValue());
  EXPECT_EQ(460.0f, slider->maximumValue());
  EXPECT_TRUE(slider->isContinuous());
  // Reading is not writing: nothing is stored until the user changes something.
  EXPECT_TRUE(preferences->storedValues().empty());
}

TEST_F(FlipsideViewControllerTest, ShowsTheStoredCalibrationAndTuning) {
  preferences->setInteger(437, CalibrationOption);
  preferences->setString("ukulele", TargetTuningOption);
  FlipsideViewController& c = load();
  EXPECT_EQ("437 Hz", c.calibrationLabel()->text());
  EXPECT_EQ(437.0f, c.calibrationSlider()->value());
  EXPECT_EQ(437.0f, calibrationValue);
  EXPECT_EQ(std::vector<int>{4}, checkedRows());
}

TEST_F(FlipsideViewControllerTest, UnusableStoredValuesFallBackToTheFirstTuningAnd440) {
  for (auto stored : {Preferences::Value(int64_t{0}), Preferences::Value(int64_t{-3}),
                      Preferences::Value(std::string("sharp"))}) {
    SCOPED_TRACE(testing::Message() << "stored index " << stored.index());
    preferences->setObject(stored, CalibrationOption);
    preferences->setString("theremin", TargetTuningOption);
    calibrationValue = 440.0f;
    selectedTuning = 0;
    FlipsideViewController& c = load();
    EXPECT_EQ("440 Hz", c.calibrationLabel()->text());
    EXPECT_EQ(440.0f, c.calibrationSlider()->value());
    EXPECT_EQ(std::vector<int>{0}, checkedRows());
  }
}

TEST_F(FlipsideViewControllerTest, TheSliderValueIsTruncatedForLabelPreferenceAndEngine) {
  FlipsideViewController& c = load();
  platform::Slider* slider = c.calibrationSlider();
  // As the slider reports a move of its thumb: through its own action.
  slider->setValue(437.9f);
  slider->sendActionsForControlEvents(platform::ControlEventValueChanged);
  EXPECT_EQ("437 Hz", c.calibrationLabel()->text());
  EXPECT_EQ(437, tuner->calibration());
  EXPECT_EQ(437, reread().integerForKey(CalibrationOption));
  EXPECT_FLOAT_EQ(437.9f, calibrationValue) << "the screen keeps the value as reported";

  // The integers reach the ends only at the ends of the track.
  slider->setValue(459.99f);
  slider->sendActionsForControlEvents(platform::ControlEventValueChanged);
  EXPECT_EQ("459 Hz", c.calibrationLabel()->text());
  slider->setValue(460.0f);
  slider->sendActionsForControlEvents(platform::ControlEventValueChanged);
  EXPECT_EQ(460, tuner->calibration());
  EXPECT_EQ(460, reread().integerForKey(CalibrationOption));
}

TEST_F(FlipsideViewControllerTest, ChoosingATuningStoresItMovesTheCheckmarkAndTellsTheEngine) {
  load();
  table().selectRowAtIndexPath(IndexPath{1, 2});
  EXPECT_EQ("banjo", reread().stringForKey(TargetTuningOption));
  EXPECT_EQ(Tuning::tuningForId("banjo"), tuner->targetTuning());
  EXPECT_EQ(2, selectedTuning);
  EXPECT_EQ(std::vector<int>{2}, checkedRows());

  // Again: the same value stored, still one checkmark.
  table().selectRowAtIndexPath(IndexPath{1, 2});
  EXPECT_EQ("banjo", reread().stringForKey(TargetTuningOption));
  EXPECT_EQ(std::vector<int>{2}, checkedRows());

  table().selectRowAtIndexPath(IndexPath{1, 0});
  EXPECT_EQ("guitar", reread().stringForKey(TargetTuningOption));
  EXPECT_EQ(Tuning::definedTunings().front(), tuner->targetTuning());
  EXPECT_EQ(std::vector<int>{0}, checkedRows());
}

TEST_F(FlipsideViewControllerTest, TouchingTheCalibrationRowOnlyRebuildsIt) {
  FlipsideViewController& c = load();
  table().selectRowAtIndexPath(IndexPath{1, 3});
  TableViewCell* before = table().cellForRowAtIndexPath(IndexPath{0, 0});
  table().selectRowAtIndexPath(IndexPath{0, 0});
  EXPECT_NE(before, table().cellForRowAtIndexPath(IndexPath{0, 0}));
  EXPECT_EQ("violin", reread().stringForKey(TargetTuningOption));
  EXPECT_EQ(std::vector<int>{3}, checkedRows());
  EXPECT_EQ("440 Hz", c.calibrationLabel()->text());
  EXPECT_FALSE(reread().storedValues().count(CalibrationOption));
}

TEST_F(FlipsideViewControllerTest, TheOneCalibrationLabelMovesIntoEachRebuiltRow) {
  FlipsideViewController& c = load();
  platform::Label* label = c.calibrationLabel();
  TableViewCell* firstRow = table().cellForRowAtIndexPath(IndexPath{0, 0});
  platform::Slider* firstSlider = c.calibrationSlider();
  EXPECT_EQ(firstRow->contentView(), label->superview());

  firstSlider->setValue(451.5f);
  firstSlider->sendActionsForControlEvents(platform::ControlEventValueChanged);
  table().selectRowAtIndexPath(IndexPath{1, 1});

  TableViewCell* secondRow = table().cellForRowAtIndexPath(IndexPath{0, 0});
  ASSERT_NE(firstRow, secondRow);
  EXPECT_EQ(label, c.calibrationLabel()) << "made once";
  EXPECT_EQ(secondRow->contentView(), label->superview());
  EXPECT_EQ("451 Hz", label->text());
  // The new row has a new slider, set from the value last reported.
  ASSERT_NE(nullptr, c.calibrationSlider());
  EXPECT_NE(firstSlider, c.calibrationSlider());
  EXPECT_FLOAT_EQ(451.5f, c.calibrationSlider()->value());
  int labels = 0;
  for (const auto& v : secondRow->contentView()->subviews()) labels += v.get() == label;
  EXPECT_EQ(1, labels);
}

}  // namespace
