#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/TableView.h"
#include "platform/ViewController.h"

class InputDeviceChoice;
class Tuning;
struct TuningDictionary;

namespace platform {
class Label;
class Preferences;
class Slider;
}  // namespace platform

// The settings screen's current calibration (Hz of A) as the slider last
// reported it, not rounded; and the index of the current tuning in
// Tuning::definedTunings(). Shared by every settings controller, and kept
// across them, like the preferences they mirror.
extern float calibrationValue;
extern int32_t selectedTuning;

// The settings screen (the tuner's "flipside"): a scrolling grouped table with
// the calibration slider (kMinimumCalibration to kMaximumCalibration) in the
// first section, the input devices in the second ("Input", when the screen is
// given an input device choice), then every tuning of the catalogue, one
// section per
// instrument group: the built-in groups in their order, then any other group
// (the user's own tunings) in the order the catalogue lists them. Every change
// reaches the shared analysis engine and the stored preferences at once. The
// list opens with the chosen tuning in view.
//
// The user's own tunings ("Your tunings", always listed) end with a row
// "New tuning…", and each of them has an Edit button: both ask the owner,
// through the edit action, to open the tuning editor.
//
// "Input" lists "System default" and every input device, the chosen one
// checked; a chosen device that is missing is listed all the same, checked
// and marked "(not connected)", and the default row says it is in use, so
// that the player sees why the default is heard and that the choice is kept.
class FlipsideViewController : public platform::ViewController,
                               public platform::TableViewDataSource,
                               public platform::TableViewDelegate {
 public:
  // The preferences are the user's unless a store is given (tests).
  explicit FlipsideViewController(platform::Preferences* preferences = nullptr);
  ~FlipsideViewController() override;

  void loadView() override;
  void viewDidLoad() override;
  // Brings the chosen tuning into view, wherever the list was left.
  void viewWillAppear(bool animated) override;

  // Table data source and delegate.
  int numberOfSectionsInTableView(platform::TableView* tableView) override;
  int numberOfRowsInSection(platform::TableView* tableView, int section) override;
  std::string titleForHeaderInSection(platform::TableView* tableView, int section) override;
  std::shared_ptr<platform::TableViewCell> cellForRowAtIndexPath(
      platform::TableView* tableView, platform::IndexPath indexPath) override;
  void didSelectRowAtIndexPath(platform::TableView* tableView,
                               platform::IndexPath indexPath) override;

  // The slider's value-changed action.
  void sliderChanged(platform::Slider* sender);

  const std::shared_ptr<Tuning>& tuner() const { return tuner_; }
  void setTuner(std::shared_ptr<Tuning> tuner) { tuner_ = std::move(tuner); }

  platform::TableView* tableView() const { return tableView_.get(); }
  platform::Label* calibrationLabel() const { return calibrationLabel_.get(); }
  // The slider of the calibration row as it is now (each rebuild of the row
  // makes a new one); null before the table is built.
  platform::Slider* calibrationSlider() const;

  // --- the keyboard's way through the list
  // The tunings (indices into Tuning::definedTunings()) in the order the list
  // shows them.
  std::vector<int> listedTunings() const;
  // Where a tuning's row is; none before the list is built.
  std::optional<platform::IndexPath> indexPathForTuning(int tuning) const;
  // Chooses the tuning at `position` (0 is the first) of the list as shown,
  // as a tap on its row does, and scrolls it into view; false when the list
  // is shorter.
  bool chooseListedTuning(int position);
  // Chooses the tuning `step` rows on from the chosen one (negative: back),
  // round past either end, and scrolls it into view.
  void chooseNeighbouringTuning(int step);
  // Scrolls the calibration row into view, with its header.
  void revealCalibration();

  // --- the user's own tunings
  // Called with a user tuning to edit, or null for a new one.
  using EditTuningAction = std::function<void(std::shared_ptr<const TuningDictionary> tuning)>;
  void setEditTuningAction(EditTuningAction action) { editTuningAction_ = std::move(action); }
  // What the "New tuning…" row and the Edit buttons do; editing the chosen
  // tuning is false when it is a built-in one.
  void newTuning();
  bool editChosenTuning();
  // The catalogue's user tunings changed (the editor saved or deleted one):
  // the list is laid out again and the tuning `chosenId` chosen, as a tap
  // on its row would; with no id, the tuning chosen before stays chosen if
  // it is still there, else the first tuning is chosen. The engine follows.
  void userTuningsChanged(const std::string& chosenId = {});
  // The row "New tuning…"; none before the list is built.
  std::optional<platform::IndexPath> newTuningIndexPath() const;

  // --- the input device
  // Where the tuner listens (not owned; it outlives this screen's use of
  // it). Without one the list has no Input section.
  void setInputDeviceChoice(InputDeviceChoice* choice);
  // The devices or the state of the chosen one changed: the Input rows are
  // laid out again. Rows coming and going above the part of the list in view
  // do not move what is in view.
  void inputDevicesChanged();
  // Chooses the device `step` rows on from the chosen one (negative: back),
  // round past either end, as a tap on its row does, and scrolls it into
  // view; false when there is no Input section.
  bool chooseNeighbouringInput(int step);
  // Where the Input section is; none when there is none.
  std::optional<int> inputSectionIndex() const;

 private:
  // A row of the Input section: the device it chooses ("" for the system
  // default), what it says, and whether it is the chosen one.
  struct InputRow {
    std::string device;
    std::string text;
    bool chosen = false;
  };
  // What one section of the list holds. More kinds of section slot in here,
  // each with its rows, cells and choice in the switches of the data source.
  // UserTunings is a Tunings section whose last row is "New tuning…".
  struct Section {
    enum class Kind { Calibration, Input, Tunings, UserTunings };
    Kind kind;
    std::string title;
    std::vector<int> tunings;  // indices into Tuning::definedTunings()
    std::vector<InputRow> inputs;
  };
  static std::vector<Section> sectionsForCatalogue();
  std::vector<Section> layOutSections() const;
  std::vector<InputRow> inputRows() const;
  const Section* section(int index) const;
  platform::IndexPath calibrationIndexPath() const;

  platform::Preferences& preferences() const;
  std::shared_ptr<platform::TableViewCell> calibrationCell(platform::TableView* tableView);
  std::shared_ptr<platform::TableViewCell> tuningCell(int tuning, bool editable);
  std::shared_ptr<platform::TableViewCell> newTuningCell();
  std::shared_ptr<platform::TableViewCell> inputCell(const InputRow& row);
  void chooseTuning(int tuning);
  // Shows the row, and its section's header with the section's first row.
  void revealRow(platform::IndexPath indexPath);
  void revealChosenTuning();

  std::vector<Section> sections_;
  platform::Preferences* preferences_;
  std::shared_ptr<platform::TableView> tableView_;
  std::shared_ptr<platform::Label> calibrationLabel_;
  std::shared_ptr<Tuning> tuner_;
  EditTuningAction editTuningAction_;
  InputDeviceChoice* inputDeviceChoice_ = nullptr;
};
