// The tuner screen on the desktop: the microphone, the needle and the buttons
// in a landscape window.
//
// Keys: M switches mode, A hands the string back to the analysis, 1 to 6 pick
// a string (or play it in tone mode), D lays the analysis table over the
// screen and takes it away again; Escape or Ctrl+Q quits.

#include <cstdint>
#include <memory>
#include <string>

#include "Classes/MainViewController.h"
#include "common/Tuning.h"
#include "platform/Application.h"
#include "platform/Preferences.h"
#include "platform/Thread.h"
#include "views/NoteButton.h"
#include "views/TunerDataView.h"
#include "views/TunerView.h"

namespace {

class TunerScreenDelegate : public platform::ApplicationDelegate {
 public:
  void applicationDidFinishLaunching(platform::Application& application) override {
    platform::Preferences::standardUserDefaults().registerDefaults(
        {{TargetTuningOption, std::string("guitar")}, {CalibrationOption, int64_t{440}}});
    platform::setMainThreadName("main");

    controller_ = std::make_shared<MainViewController>();
    application.window()->addSubview(controller_->view());
    application.window()->makeKeyAndVisible();
    controller_->viewDidAppear(true);

    application.setKeyHandler(
        [this](platform::Key key, unsigned modifiers) { return keyDown(key, modifiers); });
  }

 private:
  bool keyDown(platform::Key key, unsigned modifiers) {
    if (modifiers & (platform::KeyModifierControl | platform::KeyModifierAlt)) return false;
    TunerView* view = controller_->tunerView();
    if (!view) return false;
    if (key == platform::keyForCharacter('m')) {
      view->modeButton()->sendActionsForControlEvents(platform::ControlEventTouchDown);
      return true;
    }
    if (key == platform::keyForCharacter('d')) {
      toggleDataView();
      return true;
    }
    if (key == platform::keyForCharacter('a')) {
      view->autoButton()->sendActionsForControlEvents(platform::ControlEventTouchDown);
      return true;
    }
    int k = static_cast<int>(key);
    if (k >= '1' && k <= '9') {
      size_t index = static_cast<size_t>(k - '1');
      const auto& buttons = view->noteButtons();
      if (index < buttons.size()) {
        buttons[index]->sendActionsForControlEvents(platform::ControlEventTouchDown);
        return true;
      }
    }
    return false;
  }

  // The diagnostic table over the whole screen, in the controller's slot for
  // it; it draws the engine's latest pass each time the screen is drawn.
  void toggleDataView() {
    if (auto shown = controller_->tunerDataView()) {
      shown->removeFromSuperview();
      controller_->setTunerDataView(nullptr);
      return;
    }
    auto view = TunerDataView::initWithFrame(controller_->view()->frame(), controller_->tuner());
    controller_->view()->addSubview(view);
    controller_->setTunerDataView(view);
  }

  std::shared_ptr<MainViewController> controller_;
};

}  // namespace

int main(int argc, char** argv) {
  return platform::ApplicationMain(argc, argv, std::make_shared<TunerScreenDelegate>());
}
