#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "Classes/FlipsideViewController.h"
#include "Classes/MainViewController.h"
#include "Classes/RootViewController.h"
#include "Classes/TarvelAppDelegate.h"
#include "common/Tuning.h"
#include "platform/Application.h"
#include "platform/Label.h"
#include "platform/NavigationBar.h"
#include "platform/Slider.h"
#include "platform/TableView.h"
#include "platform/Thread.h"
#include "tests/support/TunerScreenFixture.h"
#include "views/FlipsideView.h"
#include "views/NoteButton.h"
#include "views/TunerDataView.h"
#include "views/TunerView.h"

using platform::Key;
using platform::keyForCharacter;
using platform::Orientation;
using platform::RunLoop;
using platform::View;

namespace {

// Names what the root view holds: "tuner", "settings" or "bar".
std::string nameOf(const View* v) {
  if (dynamic_cast<const platform::NavigationBar*>(v)) return "bar";
  if (dynamic_cast<const FlipsideView*>(v)) return "settings";
  const auto& inside = v->subviews();
  if (!inside.empty() && dynamic_cast<const TunerView*>(inside.front().get())) return "tuner";
  return "?";
}

// Appearance notifications as the two screens receive them, each with what
// the root view holds at that moment (back to front), so a test sees both the
// order and where in the swap it came.
struct NotificationLog {
  void note(const std::string& screen, const std::string& what) {
    std::string line = screen + " " + what + " |";
    if (root) {
      for (const auto& v : root->view()->subviews()) line += " " + nameOf(v.get());
    }
    lines.push_back(line);
  }
  RootViewController* root = nullptr;
  std::vector<std::string> lines;
};

// A screen's controller that logs its appearance notifications under `name`.
template <class Controller>
class Recording : public Controller {
 public:
  template <class... Args>
  Recording(NotificationLog* log, std::string name, Args&&... args)
      : Controller(std::forward<Args>(args)...), log_(log), name_(std::move(name)) {}
  void viewDidLoad() override {
    ++loads;
    Controller::viewDidLoad();
  }
  void viewWillAppear(bool animated) override {
    log_->note(name_, "willAppear");
    Controller::viewWillAppear(animated);
  }
  void viewDidAppear(bool animated) override {
    log_->note(name_, "didAppear");
    Controller::viewDidAppear(animated);
  }
  void viewWillDisappear(bool animated) override {
    log_->note(name_, "willDisappear");
    Controller::viewWillDisappear(animated);
  }
  void viewDidDisappear(bool animated) override {
    log_->note(name_, "didDisappear");
    Controller::viewDidDisappear(animated);
  }
  int loads = 0;

 private:
  NotificationLog* log_;
  std::string name_;
};
using RecordingMainViewController = Recording<MainViewController>;
using RecordingFlipsideViewController = Recording<FlipsideViewController>;

// The whole shell on the manual clock: the tuner screen on a test source, both
// screens on the test's preferences, the defaults registered as at launch.
class RootViewControllerTest : public TunerScreenFixture {
 protected:
  void SetUp() override {
    TunerScreenFixture::SetUp();
    startAsLaunched();
    root = std::make_shared<RootViewController>(
        [this] {
          ++mainMade;
          auto testSource = std::make_shared<TestAudioSource>();
          source = testSource.get();
          auto c = std::make_shared<RecordingMainViewController>(
              &log, "tuner", [testSource] { return testSource; }, preferences.get(), devices);
          mainController = c.get();
          return c;
        },
        [this] {
          ++settingsMade;
          auto c = std::make_shared<RecordingFlipsideViewController>(&log, "settings",
                                                                     preferences.get());
          settingsController = c.get();
          return c;
        });
    log.root = root.get();
  }
  void TearDown() override {
    root.reset();
    TunerScreenFixture::TearDown();
  }

  // Loads the root view, as putting it on the window does.
  void launch() { root->view(); }
  void toggle() { root->toggleView(); }
  std::vector<std::string> rootSubviews() {
    std::vector<std::string> names;
    for (const auto& v : root->view()->subviews()) names.push_back(nameOf(v.get()));
    return names;
  }
  TunerView& tunerView() { return *mainController->tunerView(); }
  bool key(Key k, unsigned modifiers = 0) { return root->keyDown(k, modifiers); }

  std::shared_ptr<RootViewController> root;
  NotificationLog log;
  RecordingMainViewController* mainController = nullptr;
  RecordingFlipsideViewController* settingsController = nullptr;
  int mainMade = 0;
  int settingsMade = 0;
};

using Strings = std::vector<std::string>;

TEST_F(RootViewControllerTest, LaunchPutsTheListeningTunerScreenAloneOnTheWindowAndHandsItKeys) {
  platform::Application application;  // its window, never opened
  auto delegate = std::make_shared<TarvelAppDelegate>();
  delegate->setWindow(application.window());
  delegate->setRootViewController(root);
  delegate->applicationDidFinishLaunching(application);

  EXPECT_TRUE(application.window()->isVisible());
  ASSERT_EQ(1u, application.window()->subviews().size());
  EXPECT_EQ(root->view(), application.window()->subviews().front());
  EXPECT_EQ("main", platform::currentThreadName());
  EXPECT_EQ(Strings{"tuner"}, rootSubviews());
  // Only viewDidAppear at start, which starts capture; the settings screen
  // waits for the first flip.
  EXPECT_EQ(Strings{"tuner didAppear | tuner"}, log.lines);
  EXPECT_TRUE(mainController->recording());
  EXPECT_EQ(0, settingsMade);

  EXPECT_TRUE(application.keyDown(keyForCharacter('i'), 0));
  EXPECT_TRUE(root->isShowingFlipside());
}

TEST_F(RootViewControllerTest, BothFlipsSendTheNotificationsInOrderAndMoveTheBar) {
  launch();
  log.lines.clear();
  toggle();
  EXPECT_EQ((Strings{"settings willAppear | tuner", "tuner willDisappear | tuner",
                     "tuner didDisappear | settings bar", "settings didAppear | settings bar"}),
            log.lines);
  EXPECT_FALSE(mainController->recording()) << "capture stops behind the settings screen";

  log.lines.clear();
  RunLoop::currentRunLoop().advanceBy(1.0);
  toggle();
  EXPECT_EQ((Strings{"tuner willAppear | settings bar", "settings willDisappear | settings bar",
                     "settings didDisappear | tuner", "tuner didAppear | tuner"}),
            log.lines);
  EXPECT_TRUE(mainController->recording());
}

TEST_F(RootViewControllerTest, TheFirstFlipMakesTheSettingsScreenOnceAndLaterFlipsReuseIt) {
  launch();
  toggle();
  ASSERT_EQ(1, settingsMade);
  EXPECT_EQ(1, settingsController->loads) << "preferences read once";
  // Both screens work on the one engine.
  EXPECT_EQ(mainController->sharedTuner(), settingsController->tuner());

  auto bar = root->flipsideNavigationBar();
  ASSERT_NE(nullptr, bar);
  ASSERT_NE(nullptr, bar->topItem());
  EXPECT_EQ("Quillon", bar->topItem()->title());

  // The bar's Done button, on its right, flips back.
  RunLoop::currentRunLoop().advanceBy(1.0);
  bar->rightButton()->sendActionsForControlEvents(platform::ControlEventTouchDown);
  EXPECT_EQ(Strings{"tuner"}, rootSubviews());

  RunLoop::currentRunLoop().advanceBy(1.0);
  toggle();
  EXPECT_EQ(1, settingsMade);
  EXPECT_EQ(1, settingsController->loads);
  EXPECT_EQ(bar, root->flipsideNavigationBar());
  EXPECT_EQ(1, mainMade);
}

TEST_F(RootViewControllerTest, FlipsTurnFromTheRightToSettingsAndBackFromTheLeftTheWindowHalfway) {
  platform::Application application;  // no window opened; only its orientation
  launch();
  EXPECT_EQ(Orientation::LandscapeTopRight, application.orientation());
  toggle();
  const View::TransitionState* flip = root->view()->runningTransition();
  ASSERT_NE(nullptr, flip);
  EXPECT_EQ(platform::AnimationTransition::FlipFromRight, flip->kind);
  EXPECT_EQ(platform::kNanosPerSecond, flip->duration);
  RunLoop::currentRunLoop().advanceBy(0.49);
  EXPECT_EQ(Orientation::LandscapeTopRight, application.orientation());
  RunLoop::currentRunLoop().advanceBy(0.01);
  EXPECT_EQ(Orientation::Portrait, application.orientation());
  RunLoop::currentRunLoop().advanceBy(1.0);

  toggle();
  flip = root->view()->runningTransition();
  ASSERT_NE(nullptr, flip);
  EXPECT_EQ(platform::AnimationTransition::FlipFromLeft, flip->kind);
  RunLoop::currentRunLoop().advanceBy(0.5);
  EXPECT_EQ(Orientation::LandscapeTopRight, application.orientation());

  // Flipped there and straight back: the window never turns upright.
  toggle();
  RunLoop::currentRunLoop().advanceBy(0.25);
  toggle();
  RunLoop::currentRunLoop().advanceBy(0.3);
  EXPECT_EQ(Orientation::LandscapeTopRight, application.orientation());
  RunLoop::currentRunLoop().advanceBy(1.0);
  EXPECT_EQ(Orientation::LandscapeTopRight, application.orientation());
  // Only the tuner screen's refresh timer is left.
  EXPECT_EQ(1u, RunLoop::currentRunLoop().timerCount());
}

TEST_F(RootViewControllerTest, SettingsChangedOnTheFlipsideReachTheTunerScreenOnTheWayBack) {
  launch();
  ASSERT_EQ(6u, tunerView().noteButtons().size());
  tunerView().noteButtons()[1]->sendActionsForControlEvents(platform::ControlEventTouchDown);
  ASSERT_NE(nullptr, mainController->tuner()->manualNoteSelection());
  toggle();
  settingsController->tableView()->selectRowAtIndexPath(*settingsController->indexPathForTuning(2));
  platform::Slider* slider = settingsController->calibrationSlider();
  slider->setValue(443.4f);
  slider->sendActionsForControlEvents(platform::ControlEventValueChanged);
  toggle();
  EXPECT_EQ(5u, tunerView().noteButtons().size());
  EXPECT_EQ("443 Hz", tunerView().calibrationLabel()->text());
  EXPECT_EQ(nullptr, mainController->tuner()->manualNoteSelection());
  EXPECT_TRUE(tunerView().autoButton()->isSelected()) << "and the screen shows it";
}

TEST_F(RootViewControllerTest, KeysWorkTheTunerScreensControls) {
  launch();
  EXPECT_TRUE(key(keyForCharacter('3')));
  ASSERT_NE(nullptr, mainController->tuner()->manualNoteSelection());
  EXPECT_EQ(mainController->tuner()->targetTuning()->tuningNotes[2].get(),
            mainController->tuner()->manualNoteSelection());
  EXPECT_TRUE(key(keyForCharacter('a')));
  EXPECT_EQ(nullptr, mainController->tuner()->manualNoteSelection());
  EXPECT_FALSE(key(keyForCharacter('7'))) << "a guitar has six strings";
  EXPECT_FALSE(key(Key::Right)) << "no keyboard to move";

  // N shows the numeric read-out and remembers it.
  EXPECT_FALSE(tunerView().numericReadoutWanted());
  EXPECT_TRUE(key(keyForCharacter('n')));
  EXPECT_TRUE(tunerView().numericReadoutWanted());
  EXPECT_EQ(1, preferences->integerForKey(NumericReadoutOption));

  EXPECT_TRUE(key(keyForCharacter('m')));
  EXPECT_EQ(TunerMode::tone, mainController->mode());
  EXPECT_TRUE(key(keyForCharacter('m')));
  EXPECT_EQ(TunerMode::tuner, mainController->mode());

  EXPECT_FALSE(key(keyForCharacter('m'), platform::KeyModifierControl));
  EXPECT_FALSE(key(keyForCharacter('i'), platform::KeyModifierAlt));
  EXPECT_FALSE(root->isShowingFlipside());
  EXPECT_TRUE(key(keyForCharacter(','), platform::KeyModifierControl));
  EXPECT_TRUE(root->isShowingFlipside());
  EXPECT_TRUE(key(keyForCharacter('i')));
  EXPECT_FALSE(root->isShowingFlipside());
}

TEST_F(RootViewControllerTest, KeysPlayTheChromaticKeyboardAndMoveItByOctaves) {
  preferences->setString("chromatic", TargetTuningOption);
  launch();
  EXPECT_FALSE(key(keyForCharacter('1'))) << "no buttons in tuner mode";
  EXPECT_TRUE(key(keyForCharacter('m')));
  ASSERT_EQ(12u, tunerView().noteButtons().size());
  EXPECT_TRUE(key(Key::Right));
  EXPECT_TRUE(key(Key::Up));
  EXPECT_TRUE(key(Key::Left));
  EXPECT_EQ(TunerView::kFirstKeyboardOctave + 1, tunerView().keyboardOctave());
  EXPECT_TRUE(key(Key::Down));
  EXPECT_EQ(TunerView::kFirstKeyboardOctave, tunerView().keyboardOctave());
  // The number row, 1 to =, plays the twelve keys in order.
  std::vector<int> pressed;
  for (int i = 0; i < 12; ++i) {
    tunerView().noteButtons()[i]->addAction(
        [&pressed, i](platform::Control*) { pressed.push_back(i); },
        platform::ControlEventTouchDown);
  }
  for (char c : std::string("1234567890-=")) EXPECT_TRUE(key(keyForCharacter(c))) << c;
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}), pressed);
}

TEST_F(RootViewControllerTest, DShowsAndHidesTheAnalysisTableOverTheTunerScreen) {
  launch();
  EXPECT_TRUE(key(keyForCharacter('d')));
  auto dataView = mainController->tunerDataView();
  ASSERT_NE(nullptr, dataView);
  EXPECT_EQ(mainController->tuner(), dataView->tuner());
  EXPECT_EQ(mainController->view()->subviews().back().get(), dataView.get());
  // The buttons below still take their touches.
  NoteButton* button = tunerView().noteButtons()[0].get();
  const platform::Point middle = button->convertPointToView(
      platform::Point{button->bounds().size.width / 2, button->bounds().size.height / 2},
      root->view().get());
  EXPECT_EQ(button, root->view()->hitTest(middle));

  EXPECT_TRUE(key(keyForCharacter('d')));
  EXPECT_EQ(nullptr, mainController->tunerDataView());
  EXPECT_EQ(nullptr, dataView->superview());
}

TEST_F(RootViewControllerTest, KeysWorkTheSettingsScreensControls) {
  launch();
  EXPECT_TRUE(key(keyForCharacter('i')));
  ASSERT_TRUE(root->isShowingFlipside());
  platform::Label* label = settingsController->calibrationLabel();

  EXPECT_TRUE(key(Key::Up));
  EXPECT_EQ("441 Hz", label->text());
  EXPECT_EQ(441, mainController->tuner()->calibration());
  EXPECT_TRUE(key(keyForCharacter('-')));
  EXPECT_TRUE(key(Key::Down));
  EXPECT_EQ("439 Hz", label->text());
  // From a fractional value, one step moves the shown hertz by one.
  platform::Slider* slider = settingsController->calibrationSlider();
  slider->setValue(437.9f);
  slider->sendActionsForControlEvents(platform::ControlEventValueChanged);
  EXPECT_TRUE(key(keyForCharacter('=')));
  EXPECT_EQ("438 Hz", label->text());

  // Digits count the tunings as the list shows them: the fifth guitar tuning.
  EXPECT_TRUE(key(keyForCharacter('5')));
  EXPECT_EQ(Tuning::tuningForId("dadgad"), mainController->tuner()->targetTuning());
  EXPECT_FALSE(key(keyForCharacter('0')));
  EXPECT_FALSE(key(keyForCharacter('m'))) << "the tuner screen's keys rest here";
  EXPECT_EQ(TunerMode::tuner, mainController->mode());

  EXPECT_TRUE(key(Key::Return));
  EXPECT_FALSE(root->isShowingFlipside());
  EXPECT_EQ(6u, tunerView().noteButtons().size()) << "DADGAD's six strings";
}

// T and Shift+T walk every tuning of the list, round both ends, each shown
// as it is chosen; the paging keys move the list within its ends, and a
// change of the calibration brings its row back into view.
TEST_F(RootViewControllerTest, AKeyPathReachesEveryRowAndShowsIt) {
  launch();
  toggle();
  platform::TableView& table = *settingsController->tableView();
  auto chosenRowShows = [&] {
    const platform::Rect r =
        table.rectForRowAtIndexPath(*settingsController->indexPathForTuning(selectedTuning));
    return r.minY() >= table.contentOffset() &&
           r.maxY() <= table.contentOffset() + table.bounds().size.height;
  };
  const std::vector<int> listed = settingsController->listedTunings();
  ASSERT_EQ(Tuning::definedTunings().size(), listed.size());
  for (size_t i = 1; i <= listed.size(); ++i) {
    EXPECT_TRUE(key(keyForCharacter('t')));
    EXPECT_EQ(listed[i % listed.size()], selectedTuning);
    EXPECT_EQ(Tuning::definedTunings()[selectedTuning], mainController->tuner()->targetTuning());
    EXPECT_TRUE(chosenRowShows()) << i;
  }
  for (size_t i = listed.size(); i-- > 0;) {
    EXPECT_TRUE(key(keyForCharacter('t'), platform::KeyModifierShift));
    EXPECT_EQ(listed[i], selectedTuning);
    EXPECT_TRUE(chosenRowShows()) << i;
  }

  EXPECT_TRUE(key(Key::Home));
  EXPECT_EQ(0, table.contentOffset());
  EXPECT_TRUE(key(Key::PageDown));
  EXPECT_EQ(table.bounds().size.height - platform::TableViewCell::kRowHeight,
            table.contentOffset());
  EXPECT_TRUE(key(Key::PageUp));
  EXPECT_EQ(0, table.contentOffset());
  EXPECT_TRUE(key(Key::End));
  EXPECT_EQ(table.maxContentOffset(), table.contentOffset());
  EXPECT_TRUE(key(Key::Up));
  EXPECT_EQ(0, table.contentOffset()) << "the calibration row and its header";
  EXPECT_EQ("441 Hz", settingsController->calibrationLabel()->text());
}

// The settings' Input section follows the devices while it shows, and a
// choice there (by D and Shift+D as by a tap) moves the tuner's capture and
// is kept.
TEST_F(RootViewControllerTest, TheInputSectionFollowsTheDevicesAndMovesTheCapture) {
  devices->list = {"Built-in Mic"};
  launch();
  EXPECT_TRUE(key(keyForCharacter('i')));
  platform::TableView& table = *settingsController->tableView();
  const int input = *settingsController->inputSectionIndex();
  EXPECT_EQ(2, table.numberOfRowsInSection(input));
  devices->change({"Built-in Mic", "Interface-Mic"});
  ASSERT_EQ(3, table.numberOfRowsInSection(input));

  EXPECT_TRUE(key(keyForCharacter('d')));
  EXPECT_TRUE(key(keyForCharacter('d')));
  EXPECT_EQ("Interface-Mic", source->inputDevice);
  EXPECT_EQ("Interface-Mic", platform::Preferences(dir).stringForKey(InputDeviceOption));
  EXPECT_EQ(platform::TableViewCellAccessoryType::Checkmark,
            table.cellForRowAtIndexPath({input, 2})->accessoryType());
  EXPECT_TRUE(key(keyForCharacter('d'), platform::KeyModifierShift));
  EXPECT_TRUE(key(Key::Return));
  EXPECT_TRUE(mainController->recording());
  EXPECT_EQ("Built-in Mic", source->inputDevice);
}

}  // namespace
