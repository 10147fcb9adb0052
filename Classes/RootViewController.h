#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/Application.h"
#include "platform/ViewController.h"

class FlipsideViewController;
class MainViewController;
class TuningEditorViewController;
struct TuningDictionary;

namespace platform {
class NavigationBar;
class Timer;
}  // namespace platform

// The controller above the screens: it owns the tuner screen, the settings
// screen and the settings screen's navigation bar, and flips between the two
// screens. The window follows the screen being read: the tuner screen in
// landscape, the settings screen upright, turning halfway through the flip
// while the face is edge-on. From the settings screen it opens the tuning
// editor in the settings screen's place (upright too, under a bar of its
// own with Cancel and Save), and puts the settings screen back when the
// editor is done.
class RootViewController : public platform::ViewController {
 public:
  using MainViewControllerFactory = std::function<std::shared_ptr<MainViewController>()>;
  using FlipsideViewControllerFactory = std::function<std::shared_ptr<FlipsideViewController>()>;

  // The app's screens: the microphone-fed tuner screen and the settings
  // screen, both on the user's preferences.
  RootViewController();
  // Tests make the screens themselves (test sources, their own preferences).
  RootViewController(MainViewControllerFactory makeMainViewController,
                     FlipsideViewControllerFactory makeFlipsideViewController);
  ~RootViewController() override;

  // Names the main thread, makes the tuner screen and shows it.
  void viewDidLoad() override;
  // Makes the settings screen's controller and its bar (first flip only).
  void loadFlipsideViewController();
  // Flips to the other screen in 1.0 s: from the right to the settings, from
  // the left back to the tuner.
  virtual void toggleView();
  // Shows the tuning editor for `tuning` (null: a new tuning) in place of
  // the settings screen; only while that shows.
  void openTuningEditor(std::shared_ptr<const TuningDictionary> tuning);

  // The keyboard's way to every control of the screen showing (the
  // application's quit keys never get here). Returns whether the key was used.
  bool keyDown(platform::Key key, unsigned modifiers);

  const std::shared_ptr<platform::NavigationBar>& flipsideNavigationBar() const {
    return flipsideNavigationBar_;
  }
  // Whether the settings screen is the one in the view tree.
  bool isShowingFlipside() const;
  bool isShowingTuningEditor() const;
  // The editor showing or last shown (kept until the next one opens), and
  // its bar.
  const std::shared_ptr<TuningEditorViewController>& tuningEditor() const { return tuningEditor_; }
  const std::shared_ptr<platform::NavigationBar>& tuningEditorNavigationBar() const {
    return tuningEditorNavigationBar_;
  }
  // How the reader holds the display for the screen showing.
  platform::Orientation readingOrientation() const;

  static constexpr double kFlipDuration = 1.0;

 private:
  bool tunerScreenKeyDown(platform::Key key, unsigned modifiers);
  bool settingsScreenKeyDown(platform::Key key, unsigned modifiers);
  void toggleDataView();
  void stepCalibration(int hertz);
  void turnWindowForReader();
  void closeTuningEditor(const std::string& savedTuningId);

  MainViewControllerFactory makeMainViewController_;
  FlipsideViewControllerFactory makeFlipsideViewController_;
  std::shared_ptr<MainViewController> mainViewController_;
  std::shared_ptr<FlipsideViewController> flipsideViewController_;
  std::shared_ptr<platform::NavigationBar> flipsideNavigationBar_;
  std::shared_ptr<TuningEditorViewController> tuningEditor_;
  std::shared_ptr<platform::NavigationBar> tuningEditorNavigationBar_;
  std::shared_ptr<platform::Timer> turnTimer_;
};
