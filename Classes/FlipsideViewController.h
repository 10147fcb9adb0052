#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/TableView.h"
#include "platform/ViewController.h"

class Tuning;

namespace platform {
class Label;
class Preferences;
class Slider;
}  // namespace platform

// The settings screen's current calibration (Hz of A) as the slider last
// reported it, not rounded; and the row of the current tuning in
// Tuning::definedTunings(). Shared by every settings controller, and kept
// across them, like the preferences they mirror.
extern float calibrationValue;
extern int32_t selectedTuning;

// The settings screen (the tuner's "flipside"): a grouped table with the
// calibration slider (kMinimumCalibration to kMaximumCalibration) in one section and the five
// tunings in the other. Every change reaches the shared analysis engine and the stored preferences
// at once.
class FlipsideViewController : public platform::ViewController,
                               public platform::TableViewDataSource,
                               public platform::TableViewDelegate {
 public:
  // The preferences are the user's unless a store is given (tests).
  explicit FlipsideViewController(platform::Preferences* preferences = nullptr);
  ~FlipsideViewController() override;

  void loadView() override;
  void viewDidLoad() override;

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

 private:
  platform::Preferences& preferences() const;
  std::shared_ptr<platform::TableViewCell> calibrationCell(platform::TableView* tableView);
  std::shared_ptr<platform::TableViewCell> tuningCell(int row);

  platform::Preferences* preferences_;
  std::shared_ptr<platform::TableView> tableView_;
  std::shared_ptr<platform::Label> calibrationLabel_;
  std::shared_ptr<Tuning> tuner_;
};
