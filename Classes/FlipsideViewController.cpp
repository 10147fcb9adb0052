#include "Classes/FlipsideViewController.h"

#include <cstdio>
#include <limits>
#include <optional>

#include "common/Tuning.h"
#include "platform/Label.h"
#include "platform/Preferences.h"
#include "platform/Screen.h"
#include "platform/Slider.h"
#include "views/FlipsideView.h"

using platform::IndexPath;
using platform::Rect;
using platform::RectMake;
using platform::TableView;
using platform::TableViewCell;

float calibrationValue = static_cast<float>(kDefaultCalibration);
int32_t selectedTuning = 0;

namespace {

// The navigation bar the root controller lays over the top of this screen.
constexpr double kNavigationBarHeight = 44.0;

enum Section { kCalibrationSection = 0, kTuningSection = 1 };

// The value truncated toward zero, as the label, the engine and the
// preferences see it. A hand-edited preference can hold anything, so values
// beyond an int are held at its ends rather than converted out of range.
int truncatedHertz(float value) {
  if (!(value > static_cast<float>(std::numeric_limits<int>::min()))) {
    return value != value ? 0 : std::numeric_limits<int>::min();
  }
  if (value >= static_cast<float>(std::numeric_limits<int>::max())) {
    return std::numeric_limits<int>::max();
  }
  return static_cast<int>(value);
}

std::string hertzText(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%d Hz", truncatedHertz(value));
  return text;
}

}  // namespace

FlipsideViewController::FlipsideViewController(platform::Preferences* preferences)
    : preferences_(preferences) {}

FlipsideViewController::~FlipsideViewController() {
  // The table may outlive this controller in someone's view tree.
  if (tableView_) {
    tableView_->setDelegate(nullptr);
    tableView_->setDataSource(nullptr);
  }
}

platform::Preferences& FlipsideViewController::preferences() const {
  return preferences_ ? *preferences_ : platform::Preferences::standardUserDefaults();
}

// What the settings screen's interface file held: a FlipsideView filling the
// screen.
void FlipsideViewController::loadView() {
  setView(FlipsideView::initWithFrame(platform::Screen::mainScreen().applicationFrame()));
}

void FlipsideViewController::viewDidLoad() {
  const auto& top = view();
  top->setBackgroundColor(platform::Color::viewFlipsideBackgroundColor());

  Rect frame = top->frame();
  frame.origin.y += kNavigationBarHeight;
  frame.size.height -= kNavigationBarHeight;
  tableView_ = std::make_shared<TableView>(frame, platform::TableViewStyle::Grouped);
  tableView_->setAutoresizingMask(platform::AutoresizingFlexibleWidth |
                                  platform::AutoresizingFlexibleHeight);
  tableView_->setScrollEnabled(false);
  tableView_->setDelegate(this);
  tableView_->setDataSource(this);

  platform::Preferences& defaults = preferences();
  std::optional<std::string> storedTuning = defaults.stringForKey(TargetTuningOption);
  calibrationValue = static_cast<float>(defaults.integerForKey(CalibrationOption));
  if (calibrationValue <= 0) calibrationValue = static_cast<float>(kDefaultCalibration);

  const auto& tunings = Tuning::definedTunings();
  for (size_t i = 0; storedTuning && i < tunings.size(); ++i) {
    if (tunings[i]->tuningId == *storedTuning) {
      selectedTuning = static_cast<int32_t>(i);
      break;
    }
  }

  top->addSubview(tableView_);
  // Rows are built only now that the stored values are known: built any
  // earlier, the calibration row would make its one label with the value of
  // before the read, and keep showing it.
  tableView_->reloadData();
}

int FlipsideViewController::numberOfSectionsInTableView(TableView*) {
  return 2;
}

int FlipsideViewController::numberOfRowsInSection(TableView*, int section) {
  if (section == kCalibrationSection) return 1;
  return static_cast<int>(Tuning::definedTunings().size());
}

std::string FlipsideViewController::titleForHeaderInSection(TableView*, int section) {
  return section == kCalibrationSection ? "Calibration" : "Tuning";
}

std::shared_ptr<TableViewCell> FlipsideViewController::cellForRowAtIndexPath(TableView* tableView,
                                                                             IndexPath indexPath) {
  if (indexPath.section == kCalibrationSection) return calibrationCell(tableView);
  return tuningCell(indexPath.row);
}

std::shared_ptr<TableViewCell> FlipsideViewController::calibrationCell(TableView* tableView) {
  // Cells are asked for under one identifier and made under another, so this
  // row is always built afresh, with a new slider set from calibrationValue.
  auto cell = tableView->dequeueReusableCellWithIdentifier("MyIdentifier");
  if (!cell) cell = std::make_shared<TableViewCell>(Rect{}, "a_table_cell");
  cell->setSelectionStyle(platform::TableViewCellSelectionStyle::None);
  platform::View* content = cell->contentView();
  const double h = content->bounds().size.height;

  if (!calibrationLabel_) {
    calibrationLabel_ = std::make_shared<platform::Label>(RectMake(20, 0, 60, h - 2));
    calibrationLabel_->setText(hertzText(calibrationValue));
    calibrationLabel_->setFont(platform::Font::boldSystemFontOfSize(17));
    // Light on the dark group, like the rows' own text.
    calibrationLabel_->setTextColor(platform::Color{0.92, 0.92, 0.93, 1});
  }

  auto slider = std::make_shared<platform::Slider>(RectMake(90, 0, 190, h));
  slider->setMaximumValue(static_cast<float>(kMaximumCalibration));
  slider->setMinimumValue(static_cast<float>(kMinimumCalibration));
  slider->setValue(calibrationValue);
  slider->setContinuous(true);
  slider->addTarget(this, &FlipsideViewController::sliderChanged,
                    platform::ControlEventValueChanged);

  // Moves the one label out of the row it was in before.
  content->addSubview(calibrationLabel_);
  content->addSubview(slider);
  return cell;
}

std::shared_ptr<TableViewCell> FlipsideViewController::tuningCell(int row) {
  auto cell = std::make_shared<TableViewCell>(Rect{}, "tuning_cell");
  cell->setSelectionStyle(platform::TableViewCellSelectionStyle::None);
  const auto& tunings = Tuning::definedTunings();
  if (row >= 0 && static_cast<size_t>(row) < tunings.size()) {
    cell->setText(*tunings[row]->stringForKey(TuningNameKey));
  }
  cell->setAccessoryType(row == selectedTuning ? platform::TableViewCellAccessoryType::Checkmark
                                               : platform::TableViewCellAccessoryType::None);
  return cell;
}

void FlipsideViewController::didSelectRowAtIndexPath(TableView* tableView, IndexPath indexPath) {
  const auto& tunings = Tuning::definedTunings();
  if (indexPath.section == kTuningSection && indexPath.row >= 0 &&
      static_cast<size_t>(indexPath.row) < tunings.size()) {
    selectedTuning = indexPath.row;
    const auto& tuning = tunings[indexPath.row];
    if (tuner_) tuner_->setTargetTuning(tuning);
    preferences().setString(*tuning->stringForKey(TuningIdKey), TargetTuningOption);
  }
  tableView->reloadData();
}

void FlipsideViewController::sliderChanged(platform::Slider* sender) {
  if (!sender) return;
  calibrationValue = sender->value();
  const int calibration = truncatedHertz(calibrationValue);
  if (calibrationLabel_) calibrationLabel_->setText(hertzText(calibrationValue));
  preferences().setInteger(calibration, CalibrationOption);
  if (tuner_) tuner_->setCalibration(calibration);
}

platform::Slider* FlipsideViewController::calibrationSlider() const {
  if (!tableView_) return nullptr;
  TableViewCell* cell = tableView_->cellForRowAtIndexPath(IndexPath{kCalibrationSection, 0});
  if (!cell) return nullptr;
  for (const auto& v : cell->contentView()->subviews()) {
    if (auto* slider = dynamic_cast<platform::Slider*>(v.get())) return slider;
  }
  return nullptr;
}
