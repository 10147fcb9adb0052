#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Classes/FlipsideViewController.h"
#include "Classes/InputDeviceChoice.h"
#include "common/Tuning.h"
#include "common/UserTunings.h"
#include "platform/Button.h"
#include "platform/Label.h"
#include "platform/Preferences.h"
#include "platform/Slider.h"
#include "platform/TableView.h"
#include "tests/support/Scoped.h"

using platform::IndexPath;
using platform::Preferences;
using platform::TableViewCell;
using platform::TableViewCellAccessoryType;
using Strings = std::vector<std::string>;

namespace {

// The input devices as a test sets them, and the choices the screen makes.
class TestInputDeviceChoice : public InputDeviceChoice {
 public:
  std::vector<std::string> inputDevices() const override { return devices; }
  std::string inputDevice() const override { return chosen; }
  bool inputDeviceMissing() const override { return missing; }
  void chooseInputDevice(const std::string& name) override {
    chosen = name;
    missing = std::find(devices.begin(), devices.end(), name) == devices.end() && !name.empty();
  }

  std::vector<std::string> devices;
  std::string chosen;
  bool missing = false;
};

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

  FlipsideViewController& load(InputDeviceChoice* inputs = nullptr) {
    controller = std::make_shared<FlipsideViewController>(preferences.get());
    controller->setTuner(tuner);
    if (inputs) controller->setInputDeviceChoice(inputs);
    controller->view();
    return *controller;
  }

  platform::TableView& table() { return *controller->tableView(); }
  IndexPath rowOf(const std::string& id) {
    const auto& tunings = Tuning::definedTunings();
    for (size_t i = 0; i < tunings.size(); ++i) {
      if (tunings[i]->tuningId == id) return *controller->indexPathForTuning(static_cast<int>(i));
    }
    ADD_FAILURE() << "no tuning " << id;
    return IndexPath{};
  }
  // The names of the rows carrying a checkmark, anywhere in the list.
  std::vector<std::string> checkedRows() {
    std::vector<std::string> rows;
    for (int s = 0; s < table().numberOfSections(); ++s) {
      for (int r = 0; r < table().numberOfRowsInSection(s); ++r) {
        TableViewCell* cell = table().cellForRowAtIndexPath(IndexPath{s, r});
        if (cell->accessoryType() == TableViewCellAccessoryType::Checkmark) {
          rows.push_back(cell->text());
        }
      }
    }
    return rows;
  }
  // The row shows whole between the table's edges.
  bool showsWhole(IndexPath ip) {
    const platform::Rect r = table().rectForRowAtIndexPath(ip);
    return r.minY() >= table().contentOffset() &&
           r.maxY() <= table().contentOffset() + table().bounds().size.height;
  }
  // The rows of the Input section, a chosen one marked "✓ ".
  Strings inputRows() {
    Strings rows;
    const int s = *controller->inputSectionIndex();
    for (int r = 0; r < table().numberOfRowsInSection(s); ++r) {
      TableViewCell* cell = table().cellForRowAtIndexPath(IndexPath{s, r});
      const bool checked = cell->accessoryType() == TableViewCellAccessoryType::Checkmark;
      rows.push_back((checked ? "\u2713 " : "") + cell->text());
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

TEST_F(FlipsideViewControllerTest, WithDefaultsOnlyShows440AndStandardGuitarAtTheTop) {
  FlipsideViewController& c = load();
  EXPECT_EQ("440 Hz", c.calibrationLabel()->text());
  EXPECT_EQ(440.0f, c.calibrationSlider()->value());
  EXPECT_EQ(Strings{"Standard Guitar"}, checkedRows());
  EXPECT_EQ(0, table().contentOffset()) << "the calibration in view";
  // Reading is not writing: nothing is stored until the user changes something.
  EXPECT_TRUE(preferences->storedValues().empty());
}

// Every tuning once, under its instrument's name, the groups in their order,
// the user's own last, ending with "New tuning…".
TEST_F(FlipsideViewControllerTest, ListsEveryTuningOnceGroupedByInstrument) {
  Tuning::registerUserTunings(parseUserTunings("Open C = C2 G2 C3 G3 C4 E4\n").tuningList());
  load();
  Strings titles;
  std::vector<std::string> listed;
  for (int s = 0; s < table().numberOfSections(); ++s) {
    titles.push_back(table().headerTitleForSection(s));
    for (int r = 0; s > 0 && r < table().numberOfRowsInSection(s); ++r) {
      if (IndexPath{s, r} == controller->newTuningIndexPath()) continue;
      listed.push_back(table().cellForRowAtIndexPath(IndexPath{s, r})->text());
      const auto tuning = Tuning::definedTunings()[controller->listedTunings()[listed.size() - 1]];
      EXPECT_EQ(tuning->tuningName, listed.back());
      EXPECT_EQ(tuning->tuningGroup, titles.back()) << listed.back();
    }
  }
  EXPECT_EQ((Strings{"Calibration", "Guitar", "Bass", "Violin family", "Banjo", "Ukulele",
                     "Chromatic", "Your tunings"}),
            titles);
  Strings names;
  for (const auto& t : Tuning::definedTunings()) names.push_back(t->tuningName);
  std::sort(names.begin(), names.end());
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(names, listed);
  const IndexPath last{table().numberOfSections() - 1, 1};
  EXPECT_EQ(last, controller->newTuningIndexPath());
  EXPECT_EQ("New tuning\u2026", table().cellForRowAtIndexPath(last)->text());

  // The new-tuning row, the user's tuning's Edit button and E (the chosen
  // tuning, when it is the user's) ask for the editor.
  std::vector<std::string> asked;
  controller->setEditTuningAction([&](std::shared_ptr<const TuningDictionary> tuning) {
    asked.push_back(tuning ? tuning->tuningId : "new");
  });
  EXPECT_FALSE(controller->editChosenTuning()) << "the built-in guitar";
  table().selectRowAtIndexPath(last);
  TableViewCell* openC = table().cellForRowAtIndexPath(IndexPath{last.section, 0});
  for (const auto& v : openC->contentView()->subviews()) {
    if (auto* edit = dynamic_cast<platform::Button*>(v.get())) {
      EXPECT_EQ("Edit", edit->title());
      edit->sendActionsForControlEvents(platform::ControlEventTouchDown);
    }
  }
  controller->chooseListedTuning(static_cast<int>(controller->listedTunings().size()) - 1);
  EXPECT_TRUE(controller->editChosenTuning());
  EXPECT_EQ((Strings{"new", "user:Open C", "user:Open C"}), asked);
  Tuning::registerUserTunings({});
}

// Wherever the stored tuning is in the list, it is in view when the screen
// opens, and again when it is opened after the list was scrolled away.
TEST_F(FlipsideViewControllerTest, OpensWithTheStoredTuningInView) {
  preferences->setInteger(437, CalibrationOption);
  for (std::string id : {"ukulele", "bass5", "cello", "chromatic"}) {
    SCOPED_TRACE(id);
    preferences->setString(id, TargetTuningOption);
    FlipsideViewController& c = load();
    EXPECT_EQ("437 Hz", c.calibrationLabel()->text());
    EXPECT_EQ(Strings{Tuning::tuningForId(id)->tuningName}, checkedRows());
    EXPECT_TRUE(showsWhole(rowOf(id)));
    EXPECT_GT(table().contentOffset(), 0);

    table().setContentOffset(0);
    c.viewWillAppear(true);
    EXPECT_TRUE(showsWhole(rowOf(id)));
  }
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
    EXPECT_EQ(Strings{"Standard Guitar"}, checkedRows());
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
}

TEST_F(FlipsideViewControllerTest, ChoosingATuningStoresItMovesTheCheckmarkAndTellsTheEngine) {
  load();
  table().selectRowAtIndexPath(rowOf("banjo"));
  EXPECT_EQ("banjo", reread().stringForKey(TargetTuningOption));
  EXPECT_EQ(Tuning::tuningForId("banjo"), tuner->targetTuning());
  EXPECT_EQ(2, selectedTuning);
  EXPECT_EQ(Strings{"5-String Banjo"}, checkedRows());

  // Again: the same value stored, still one checkmark.
  table().selectRowAtIndexPath(rowOf("banjo"));
  EXPECT_EQ("banjo", reread().stringForKey(TargetTuningOption));
  EXPECT_EQ(Strings{"5-String Banjo"}, checkedRows());
}

// Choosing a tuning, or touching the calibration row, rebuilds the row: the
// one label moves into it, with a new slider set from the value last
// reported. Touching the calibration row changes nothing else.
TEST_F(FlipsideViewControllerTest, TheOneCalibrationLabelMovesIntoEachRebuiltRow) {
  FlipsideViewController& c = load();
  platform::Label* label = c.calibrationLabel();
  TableViewCell* firstRow = table().cellForRowAtIndexPath(IndexPath{0, 0});
  platform::Slider* firstSlider = c.calibrationSlider();
  // Both held, so that nothing new can take their addresses.
  const auto held = {firstRow->shared_from_this(), firstSlider->shared_from_this()};
  EXPECT_EQ(firstRow->contentView(), label->superview());

  firstSlider->setValue(451.5f);
  firstSlider->sendActionsForControlEvents(platform::ControlEventValueChanged);
  table().selectRowAtIndexPath(rowOf("dropd"));
  table().selectRowAtIndexPath(IndexPath{0, 0});

  TableViewCell* lastRow = table().cellForRowAtIndexPath(IndexPath{0, 0});
  ASSERT_NE(firstRow, lastRow);
  EXPECT_EQ(label, c.calibrationLabel()) << "made once";
  EXPECT_EQ(lastRow->contentView(), label->superview());
  EXPECT_EQ("451 Hz", label->text());
  ASSERT_NE(nullptr, c.calibrationSlider());
  EXPECT_NE(firstSlider, c.calibrationSlider());
  EXPECT_FLOAT_EQ(451.5f, c.calibrationSlider()->value());
  EXPECT_EQ("dropd", reread().stringForKey(TargetTuningOption));
  EXPECT_EQ(Strings{"Drop-D Guitar"}, checkedRows());
}

// Under the calibration: the default, then each device once, the chosen one
// checked. A tap chooses by name; a chosen device gone stays listed, checked,
// with the default marked as the one heard.
TEST_F(FlipsideViewControllerTest, TheInputSectionListsTheDevicesAndChoosesOneByName) {
  TestInputDeviceChoice inputs;
  inputs.devices = {"Built-in Mic", "Interface-Mic", "Built-in Mic", ""};
  load(&inputs);
  ASSERT_EQ(1, controller->inputSectionIndex());
  EXPECT_EQ("Input", table().headerTitleForSection(1));
  EXPECT_EQ((Strings{"\u2713 System default", "Built-in Mic", "Interface-Mic"}), inputRows());

  table().selectRowAtIndexPath(IndexPath{1, 2});
  EXPECT_EQ("Interface-Mic", inputs.chosen);
  EXPECT_EQ((Strings{"System default", "Built-in Mic", "\u2713 Interface-Mic"}), inputRows());

  inputs.devices = {"Built-in Mic"};
  inputs.missing = true;
  controller->inputDevicesChanged();
  EXPECT_EQ(
      (Strings{"System default (in use)", "Built-in Mic", "\u2713 Interface-Mic (not connected)"}),
      inputRows());
  // Listed, but it does not open.
  inputs.devices = {"Interface-Mic"};
  controller->inputDevicesChanged();
  EXPECT_EQ((Strings{"System default (in use)", "\u2713 Interface-Mic (unavailable)"}),
            inputRows());

  inputs.devices = {"Built-in Mic"};
  table().selectRowAtIndexPath(IndexPath{1, 0});
  EXPECT_EQ("", inputs.chosen);
  EXPECT_EQ((Strings{"\u2713 System default", "Built-in Mic"}), inputRows());
  EXPECT_EQ((Strings{"System default", "Standard Guitar"}), checkedRows())
      << "the tuning's checkmark is its own";
}

// Rows come and go above the part of the list in view: what was under the
// pointer stays there. At the top, the list stays at the top.
TEST_F(FlipsideViewControllerTest, DevicesComingAndGoingDoNotMoveTheTuningsInView) {
  TestInputDeviceChoice inputs;
  load(&inputs);
  const platform::Point under{160, 200};
  const auto rowUnder = [&] {
    return table().indexPathForRowAtPoint({under.x, under.y + table().contentOffset()});
  };
  EXPECT_EQ(0, table().contentOffset());
  inputs.devices = {"Built-in Mic", "Webcam"};
  controller->inputDevicesChanged();
  EXPECT_EQ(0, table().contentOffset());
  EXPECT_EQ(3, table().numberOfRowsInSection(1));

  table().scrollToRowAtIndexPath(rowOf("ukulele"), platform::TableViewScrollPosition::Middle);
  const auto before = rowUnder();
  ASSERT_TRUE(before);
  const std::string text = table().cellForRowAtIndexPath(*before)->text();
  for (Strings devices : {Strings{"Built-in Mic", "Webcam", "Interface-Mic"}, Strings{}}) {
    inputs.devices = devices;
    controller->inputDevicesChanged();
    ASSERT_TRUE(rowUnder());
    EXPECT_EQ(text, table().cellForRowAtIndexPath(*rowUnder())->text());
  }
}

}  // namespace
