#include "Classes/FlipsideViewController.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <limits>
#include <optional>

#include "Classes/InputDeviceChoice.h"
#include "common/Tuning.h"
#include "common/TuningCatalogue.h"
#include "platform/Button.h"
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
  // Every tuning of every instrument is more than one screen holds.
  tableView_->setScrollEnabled(true);
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
  sections_ = layOutSections();
  // Rows are built only now that the stored values are known: built any
  // earlier, the calibration row would make its one label with the value of
  // before the read, and keep showing it.
  tableView_->reloadData();
  revealChosenTuning();
}

void FlipsideViewController::viewWillAppear(bool) {
  revealChosenTuning();
}

// Groups are taken from the tunings themselves: a group the built-in order
// does not name comes after the built-in ones, in catalogue order, and the
// user's own tunings last, listed even when there are none yet (their section
// holds "New tuning…"). Laid out again when the user's tunings change.
std::vector<FlipsideViewController::Section> FlipsideViewController::sectionsForCatalogue() {
  std::vector<Section> sections{{Section::Kind::Calibration, "Calibration", {}, {}}};
  const auto& tunings = Tuning::definedTunings();
  std::vector<std::string> groups(std::begin(BuiltInTuningGroups), std::end(BuiltInTuningGroups));
  for (const auto& tuning : tunings) {
    if (tuning->tuningGroup != UserTuningsGroup &&
        std::find(groups.begin(), groups.end(), tuning->tuningGroup) == groups.end()) {
      groups.push_back(tuning->tuningGroup);
    }
  }
  groups.push_back(UserTuningsGroup);
  for (const auto& group : groups) {
    const bool user = group == UserTuningsGroup;
    Section section{user ? Section::Kind::UserTunings : Section::Kind::Tunings, group, {}, {}};
    for (size_t i = 0; i < tunings.size(); ++i) {
      if (tunings[i]->tuningGroup == group) section.tunings.push_back(static_cast<int>(i));
    }
    if (user || !section.tunings.empty()) sections.push_back(std::move(section));
  }
  return sections;
}

// The Input section comes right under the calibration, above the tunings:
// the two settings of what comes in, where the screen opens.
std::vector<FlipsideViewController::Section> FlipsideViewController::layOutSections() const {
  std::vector<Section> sections = sectionsForCatalogue();
  if (inputDeviceChoice_) {
    sections.insert(sections.begin() + 1, Section{Section::Kind::Input, "Input", {}, inputRows()});
  }
  return sections;
}

std::vector<FlipsideViewController::InputRow> FlipsideViewController::inputRows() const {
  const std::string chosen = inputDeviceChoice_->inputDevice();
  const bool missing = !chosen.empty() && inputDeviceChoice_->inputDeviceMissing();
  std::vector<InputRow> rows{
      {"", missing ? "System default (in use)" : "System default", chosen.empty()}};
  bool listed = false;
  for (const std::string& name : inputDeviceChoice_->inputDevices()) {
    // Choices are by name: a name listed twice is one choice, one checkmark.
    const bool seen = std::any_of(rows.begin(), rows.end(),
                                  [&name](const InputRow& row) { return row.device == name; });
    if (name.empty() || seen) continue;
    const bool isChosen = name == chosen;
    listed = listed || isChosen;
    // Listed but not opening (another program holds it, say).
    rows.push_back({name, isChosen && missing ? name + " (unavailable)" : name, isChosen});
  }
  if (!chosen.empty() && !listed) rows.push_back({chosen, chosen + " (not connected)", true});
  return rows;
}

const FlipsideViewController::Section* FlipsideViewController::section(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= sections_.size()) return nullptr;
  return &sections_[index];
}

int FlipsideViewController::numberOfSectionsInTableView(TableView*) {
  return static_cast<int>(sections_.size());
}

int FlipsideViewController::numberOfRowsInSection(TableView*, int index) {
  const Section* s = section(index);
  if (!s) return 0;
  switch (s->kind) {
    case Section::Kind::Calibration:
      return 1;
    case Section::Kind::Input:
      return static_cast<int>(s->inputs.size());
    case Section::Kind::Tunings:
      return static_cast<int>(s->tunings.size());
    case Section::Kind::UserTunings:
      return static_cast<int>(s->tunings.size()) + 1;
  }
  return 0;
}

std::string FlipsideViewController::titleForHeaderInSection(TableView*, int index) {
  const Section* s = section(index);
  return s ? s->title : "";
}

std::shared_ptr<TableViewCell> FlipsideViewController::cellForRowAtIndexPath(TableView* tableView,
                                                                             IndexPath indexPath) {
  const Section* s = section(indexPath.section);
  if (!s) return nullptr;
  switch (s->kind) {
    case Section::Kind::Calibration:
      return calibrationCell(tableView);
    case Section::Kind::Input:
      if (indexPath.row < 0 || static_cast<size_t>(indexPath.row) >= s->inputs.size()) break;
      return inputCell(s->inputs[static_cast<size_t>(indexPath.row)]);
    case Section::Kind::Tunings:
    case Section::Kind::UserTunings: {
      const bool user = s->kind == Section::Kind::UserTunings;
      if (indexPath.row < 0) break;
      const auto row = static_cast<size_t>(indexPath.row);
      if (row < s->tunings.size()) return tuningCell(s->tunings[row], user);
      if (user && row == s->tunings.size()) return newTuningCell();
      break;
    }
  }
  return nullptr;
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

std::shared_ptr<TableViewCell> FlipsideViewController::tuningCell(int tuning, bool editable) {
  auto cell = std::make_shared<TableViewCell>(Rect{}, "tuning_cell");
  cell->setSelectionStyle(platform::TableViewCellSelectionStyle::None);
  const auto& dictionary = Tuning::definedTunings()[tuning];
  cell->setText(*dictionary->stringForKey(TuningNameKey));
  cell->setAccessoryType(tuning == selectedTuning ? platform::TableViewCellAccessoryType::Checkmark
                                                  : platform::TableViewCellAccessoryType::None);
  if (editable) {
    // Left of where the checkmark goes, kept there as the row is laid out.
    const double width = cell->contentView()->bounds().size.width;
    auto edit = std::make_shared<platform::Button>(RectMake(width - 84, 7, 50, 30));
    edit->setTitle("Edit");
    edit->setTitleFont(platform::Font::boldSystemFontOfSize(13));
    edit->setBodyColor(platform::Color{0.30, 0.31, 0.35, 1});
    edit->setAutoresizingMask(platform::AutoresizingFlexibleLeftMargin);
    edit->addAction(
        [this, dictionary](platform::Control*) {
          if (editTuningAction_) editTuningAction_(dictionary);
        },
        platform::ControlEventTouchDown);
    cell->contentView()->addSubview(edit);
  }
  return cell;
}

std::shared_ptr<TableViewCell> FlipsideViewController::newTuningCell() {
  auto cell = std::make_shared<TableViewCell>(Rect{}, "new_tuning_cell");
  cell->setSelectionStyle(platform::TableViewCellSelectionStyle::None);
  cell->setText("New tuning\u2026");
  cell->setAccessoryType(platform::TableViewCellAccessoryType::DisclosureIndicator);
  return cell;
}

std::shared_ptr<TableViewCell> FlipsideViewController::inputCell(const InputRow& row) {
  auto cell = std::make_shared<TableViewCell>(Rect{}, "input_cell");
  cell->setSelectionStyle(platform::TableViewCellSelectionStyle::None);
  cell->setText(row.text);
  cell->setAccessoryType(row.chosen ? platform::TableViewCellAccessoryType::Checkmark
                                    : platform::TableViewCellAccessoryType::None);
  return cell;
}

void FlipsideViewController::chooseTuning(int tuning) {
  selectedTuning = tuning;
  const auto& chosen = Tuning::definedTunings()[selectedTuning];
  if (tuner_) tuner_->setTargetTuning(chosen);
  preferences().setString(*chosen->stringForKey(TuningIdKey), TargetTuningOption);
}

void FlipsideViewController::didSelectRowAtIndexPath(TableView* tableView, IndexPath indexPath) {
  const Section* s = section(indexPath.section);
  if (s && s->kind == Section::Kind::Input) {
    if (indexPath.row >= 0 && static_cast<size_t>(indexPath.row) < s->inputs.size()) {
      // Copied: the rows are laid out again as the capture follows.
      const std::string device = s->inputs[static_cast<size_t>(indexPath.row)].device;
      inputDeviceChoice_->chooseInputDevice(device);
    }
    inputDevicesChanged();
    return;
  }
  const bool tunings =
      s && (s->kind == Section::Kind::Tunings || s->kind == Section::Kind::UserTunings);
  if (tunings && indexPath.row >= 0) {
    const auto row = static_cast<size_t>(indexPath.row);
    if (row < s->tunings.size()) {
      chooseTuning(s->tunings[row]);
    } else if (s->kind == Section::Kind::UserTunings && row == s->tunings.size()) {
      newTuning();
      return;
    }
  }
  // Touching the calibration row only rebuilds it.
  tableView->reloadData();
}

void FlipsideViewController::newTuning() {
  if (editTuningAction_) editTuningAction_(nullptr);
}

bool FlipsideViewController::editChosenTuning() {
  const auto& tunings = Tuning::definedTunings();
  if (selectedTuning < 0 || static_cast<size_t>(selectedTuning) >= tunings.size()) return false;
  const auto& chosen = tunings[static_cast<size_t>(selectedTuning)];
  if (chosen->tuningGroup != UserTuningsGroup) return false;
  if (editTuningAction_) editTuningAction_(chosen);
  return true;
}

void FlipsideViewController::userTuningsChanged(const std::string& chosenId) {
  const auto& tunings = Tuning::definedTunings();
  const auto indexOf = [&](const std::string& id) -> std::optional<int> {
    for (size_t i = 0; i < tunings.size(); ++i) {
      if (tunings[i]->tuningId == id) return static_cast<int>(i);
    }
    return std::nullopt;
  };
  sections_ = layOutSections();
  const std::string stored = preferences().stringForKey(TargetTuningOption).value_or("");
  if (const auto chosen = indexOf(chosenId); !chosenId.empty() && chosen) {
    chooseTuning(*chosen);
  } else if (const auto kept = indexOf(stored)) {
    // The same object unless the file changed it by hand.
    selectedTuning = *kept;
    if (tuner_) tuner_->setTargetTuning(tunings[static_cast<size_t>(*kept)]);
  } else {
    chooseTuning(0);
  }
  if (!tableView_) return;
  tableView_->reloadData();
  revealChosenTuning();
}

std::optional<IndexPath> FlipsideViewController::newTuningIndexPath() const {
  if (!tableView_) return std::nullopt;
  for (size_t s = 0; s < sections_.size(); ++s) {
    if (sections_[s].kind == Section::Kind::UserTunings) {
      return IndexPath{static_cast<int>(s), static_cast<int>(sections_[s].tunings.size())};
    }
  }
  return std::nullopt;
}

void FlipsideViewController::setInputDeviceChoice(InputDeviceChoice* choice) {
  inputDeviceChoice_ = choice;
  if (!tableView_) return;  // laid out when the view loads
  sections_ = layOutSections();
  tableView_->reloadData();
}

std::optional<int> FlipsideViewController::inputSectionIndex() const {
  for (size_t s = 0; s < sections_.size(); ++s) {
    if (sections_[s].kind == Section::Kind::Input) return static_cast<int>(s);
  }
  return std::nullopt;
}

void FlipsideViewController::inputDevicesChanged() {
  const auto input = inputSectionIndex();
  if (!tableView_ || !input) return;
  // A device plugged in while the player looks at the tunings must not move
  // the row under the pointer: the list keeps its place below the section.
  const double offset = tableView_->contentOffset();
  const double endBefore = tableView_->rectForSection(*input).maxY();
  sections_[static_cast<size_t>(*input)].inputs = inputRows();
  tableView_->reloadData();
  if (offset > 0 && offset >= endBefore) {
    tableView_->setContentOffset(offset + tableView_->rectForSection(*input).maxY() - endBefore);
  }
}

bool FlipsideViewController::chooseNeighbouringInput(int step) {
  const auto input = inputSectionIndex();
  if (!tableView_ || !input) return false;
  const auto chosenRow = [this, input]() -> int {
    const auto& rows = sections_[static_cast<size_t>(*input)].inputs;
    const auto at =
        std::find_if(rows.begin(), rows.end(), [](const InputRow& r) { return r.chosen; });
    return at == rows.end() ? 0 : static_cast<int>(at - rows.begin());
  };
  const int n = static_cast<int>(sections_[static_cast<size_t>(*input)].inputs.size());
  tableView_->selectRowAtIndexPath(IndexPath{*input, ((chosenRow() + step) % n + n) % n});
  // Where the chosen row is now: a missing device's row is gone once another
  // is chosen.
  revealRow(IndexPath{*input, chosenRow()});
  return true;
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
  TableViewCell* cell = tableView_->cellForRowAtIndexPath(calibrationIndexPath());
  if (!cell) return nullptr;
  for (const auto& v : cell->contentView()->subviews()) {
    if (auto* slider = dynamic_cast<platform::Slider*>(v.get())) return slider;
  }
  return nullptr;
}

std::vector<int> FlipsideViewController::listedTunings() const {
  std::vector<int> listed;
  for (const Section& s : sections_)
    listed.insert(listed.end(), s.tunings.begin(), s.tunings.end());
  return listed;
}

std::optional<IndexPath> FlipsideViewController::indexPathForTuning(int tuning) const {
  for (size_t s = 0; s < sections_.size(); ++s) {
    const auto& rows = sections_[s].tunings;
    const auto it = std::find(rows.begin(), rows.end(), tuning);
    if (it != rows.end())
      return IndexPath{static_cast<int>(s), static_cast<int>(it - rows.begin())};
  }
  return std::nullopt;
}

bool FlipsideViewController::chooseListedTuning(int position) {
  const std::vector<int> listed = listedTunings();
  if (!tableView_ || position < 0 || static_cast<size_t>(position) >= listed.size()) return false;
  const auto indexPath = indexPathForTuning(listed[position]);
  tableView_->selectRowAtIndexPath(*indexPath);
  revealRow(*indexPath);
  return true;
}

void FlipsideViewController::chooseNeighbouringTuning(int step) {
  const std::vector<int> listed = listedTunings();
  if (listed.empty()) return;
  const auto at = std::find(listed.begin(), listed.end(), selectedTuning);
  // A chosen tuning not listed (none can be) counts as the first.
  const int n = static_cast<int>(listed.size());
  const int from = at == listed.end() ? 0 : static_cast<int>(at - listed.begin());
  chooseListedTuning(((from + step) % n + n) % n);
}

IndexPath FlipsideViewController::calibrationIndexPath() const {
  for (size_t s = 0; s < sections_.size(); ++s) {
    if (sections_[s].kind == Section::Kind::Calibration) return IndexPath{static_cast<int>(s), 0};
  }
  return IndexPath{-1, -1};
}

void FlipsideViewController::revealCalibration() {
  revealRow(calibrationIndexPath());
}

void FlipsideViewController::revealRow(IndexPath indexPath) {
  if (!tableView_) return;
  Rect rect = tableView_->rectForRowAtIndexPath(indexPath);
  // Stepping onto a group from below would otherwise leave its name hidden.
  if (indexPath.row == 0) {
    const double top = tableView_->rectForSection(indexPath.section).minY();
    rect = RectMake(rect.minX(), top, rect.size.width, rect.maxY() - top);
  }
  tableView_->scrollRectToVisible(rect);
}

// On opening, a chosen row out of sight comes to the middle, with the rows
// around it and its group's name; one in sight stays where it is.
void FlipsideViewController::revealChosenTuning() {
  if (!tableView_) return;
  const auto indexPath = indexPathForTuning(selectedTuning);
  if (!indexPath) return;
  const Rect row = tableView_->rectForRowAtIndexPath(*indexPath);
  const double top = tableView_->contentOffset();
  if (row.minY() >= top && row.maxY() <= top + tableView_->bounds().size.height) return;
  tableView_->scrollToRowAtIndexPath(*indexPath, platform::TableViewScrollPosition::Middle);
}
