#include "Classes/RootViewController.h"

#include <algorithm>
#include <cmath>

#include "Classes/FlipsideViewController.h"
#include "Classes/MainViewController.h"
#include "Classes/TuningEditorViewController.h"
#include "common/Tuning.h"
#include "platform/NavigationBar.h"
#include "platform/RunLoop.h"
#include "platform/Slider.h"
#include "platform/Thread.h"
#include "views/NoteButton.h"
#include "views/TunerDataView.h"
#include "views/TunerView.h"

using platform::AnimationTransition;
using platform::Key;
using platform::keyForCharacter;
using platform::View;

RootViewController::RootViewController()
    : RootViewController([] { return std::make_shared<MainViewController>(); },
                         [] { return std::make_shared<FlipsideViewController>(); }) {}

RootViewController::RootViewController(MainViewControllerFactory makeMainViewController,
                                       FlipsideViewControllerFactory makeFlipsideViewController)
    : makeMainViewController_(std::move(makeMainViewController)),
      makeFlipsideViewController_(std::move(makeFlipsideViewController)) {}

RootViewController::~RootViewController() {
  if (turnTimer_) turnTimer_->invalidate();
  if (mainViewController_) mainViewController_->setInputDevicesChangedHandler(nullptr);
  tuningEditorNavigationBar_.reset();
  tuningEditor_.reset();
  flipsideNavigationBar_.reset();
  mainViewController_.reset();
  flipsideViewController_.reset();
}

void RootViewController::viewDidLoad() {
  platform::setMainThreadName("main");
  view()->setBackgroundColor(platform::Color::blackColor());

  mainViewController_ = makeMainViewController_();
  mainViewController_->setRootController(this);
  view()->addSubview(mainViewController_->view());
  // No viewWillAppear at start: the tuner screen's note buttons and labels
  // are fresh from its viewDidLoad.
  mainViewController_->viewDidAppear(true);
  turnWindowForReader();
}

void RootViewController::loadFlipsideViewController() {
  flipsideViewController_ = makeFlipsideViewController_();

  flipsideNavigationBar_ =
      std::make_shared<platform::NavigationBar>(platform::RectMake(0, 0, 320, 44));
  flipsideNavigationBar_->setBarStyle(platform::BarStyle::BlackOpaque);
  auto done = platform::BarButtonItem::initWithBarButtonSystemItem(
      platform::BarButtonSystemItem::Done, this, &RootViewController::toggleView);
  auto item = std::make_shared<platform::NavigationItem>("Quillon");
  item->setRightBarButtonItem(done);
  flipsideNavigationBar_->pushNavigationItem(item, false);

  // Both screens work on the one analysis engine, and the settings choose
  // where the tuner screen listens; its list follows the devices as they
  // come and go.
  flipsideViewController_->setTuner(mainViewController_->sharedTuner());
  flipsideViewController_->setInputDeviceChoice(mainViewController_.get());
  FlipsideViewController* settings = flipsideViewController_.get();
  mainViewController_->setInputDevicesChangedHandler(
      [settings] { settings->inputDevicesChanged(); });
  flipsideViewController_->setEditTuningAction(
      [this](std::shared_ptr<const TuningDictionary> tuning) {
        openTuningEditor(std::move(tuning));
      });
}

void RootViewController::openTuningEditor(std::shared_ptr<const TuningDictionary> tuning) {
  if (!isShowingFlipside()) return;
  // The one shown before is done; it may only now be let go.
  tuningEditor_ = std::make_shared<TuningEditorViewController>(
      std::move(tuning), TuningEditorViewController::defaultTuningsFile(),
      [this](TuningEditorViewController::Outcome outcome, const std::string& tuningId) {
        closeTuningEditor(outcome == TuningEditorViewController::Outcome::Saved ? tuningId : "");
      });
  TuningEditorViewController* editor = tuningEditor_.get();
  tuningEditorNavigationBar_ =
      std::make_shared<platform::NavigationBar>(platform::RectMake(0, 0, 320, 44));
  tuningEditorNavigationBar_->setBarStyle(platform::BarStyle::BlackOpaque);
  auto item = std::make_shared<platform::NavigationItem>(editor->title());
  item->setLeftBarButtonItem(platform::BarButtonItem::initWithBarButtonSystemItem(
      platform::BarButtonSystemItem::Cancel, editor, &TuningEditorViewController::cancel));
  item->setRightBarButtonItem(platform::BarButtonItem::initWithBarButtonSystemItem(
      platform::BarButtonSystemItem::Save, editor, &TuningEditorViewController::save));
  tuningEditorNavigationBar_->pushNavigationItem(item, false);

  const std::shared_ptr<View>& root = view();
  std::shared_ptr<View> editorView = editor->view();
  flipsideViewController_->viewWillDisappear(true);
  editor->viewWillAppear(true);
  flipsideViewController_->view()->removeFromSuperview();
  flipsideNavigationBar_->removeFromSuperview();
  root->addSubview(editorView);
  root->insertSubviewAboveSubview(tuningEditorNavigationBar_, editorView.get());
  flipsideViewController_->viewDidDisappear(true);
  editor->viewDidAppear(true);
}

// Called by the editor itself, from within one of its actions: it stays alive
// (in tuningEditor_) until the next editor opens.
void RootViewController::closeTuningEditor(const std::string& savedTuningId) {
  const std::shared_ptr<View>& root = view();
  std::shared_ptr<View> flipsideView = flipsideViewController_->view();
  tuningEditor_->viewWillDisappear(true);
  // The list, the chosen tuning and the engine follow the catalogue, whatever
  // the editor did (a cancelled editor may have found the file changed).
  flipsideViewController_->userTuningsChanged(savedTuningId);
  flipsideViewController_->viewWillAppear(true);
  tuningEditor_->view()->removeFromSuperview();
  tuningEditorNavigationBar_->removeFromSuperview();
  root->addSubview(flipsideView);
  root->insertSubviewAboveSubview(flipsideNavigationBar_, flipsideView.get());
  tuningEditor_->viewDidDisappear(true);
  flipsideViewController_->viewDidAppear(true);
}

void RootViewController::toggleView() {
  const std::shared_ptr<View>& root = view();
  if (!flipsideViewController_) loadFlipsideViewController();
  std::shared_ptr<View> mainView = mainViewController_->view();
  std::shared_ptr<View> flipsideView = flipsideViewController_->view();
  const bool tunerShowing = mainView->superview() != nullptr;

  View::beginAnimations("toggleView");
  View::setAnimationDuration(kFlipDuration);
  View::setAnimationTransition(
      tunerShowing ? AnimationTransition::FlipFromRight : AnimationTransition::FlipFromLeft,
      root.get(), true);
  if (tunerShowing) {
    flipsideViewController_->viewWillAppear(true);
    mainViewController_->viewWillDisappear(true);
    mainView->removeFromSuperview();
    root->addSubview(flipsideView);
    root->insertSubviewAboveSubview(flipsideNavigationBar_, flipsideView.get());
    mainViewController_->viewDidDisappear(true);
    flipsideViewController_->viewDidAppear(true);
  } else {
    mainViewController_->viewWillAppear(true);
    flipsideViewController_->viewWillDisappear(true);
    flipsideView->removeFromSuperview();
    flipsideNavigationBar_->removeFromSuperview();
    root->addSubview(mainView);
    flipsideViewController_->viewDidDisappear(true);
    mainViewController_->viewDidAppear(true);
  }
  View::commitAnimations();

  // The window turns for the new screen when the old face has turned
  // edge-on, halfway through the flip. A flip back before then makes the
  // turn land where it already is.
  if (turnTimer_) turnTimer_->invalidate();
  turnTimer_ = platform::Timer::timerWithTimeInterval(
      kFlipDuration / 2, [this](platform::Timer&) { turnWindowForReader(); }, nullptr, false);
  platform::RunLoop::currentRunLoop().addTimer(turnTimer_);
}

bool RootViewController::isShowingFlipside() const {
  return flipsideViewController_ && flipsideViewController_->isViewLoaded() &&
         flipsideViewController_->view()->superview() != nullptr;
}

bool RootViewController::isShowingTuningEditor() const {
  return tuningEditor_ && tuningEditor_->isViewLoaded() &&
         tuningEditor_->view()->superview() != nullptr;
}

platform::Orientation RootViewController::readingOrientation() const {
  return isShowingFlipside() || isShowingTuningEditor() ? platform::Orientation::Portrait
                                                        : platform::Orientation::LandscapeTopRight;
}

void RootViewController::turnWindowForReader() {
  if (auto* application = platform::Application::sharedApplication()) {
    application->setOrientation(readingOrientation());
  }
}

bool RootViewController::keyDown(Key key, unsigned modifiers) {
  if (!isViewLoaded() || !mainViewController_) return false;
  // The editor has Ctrl keys and Escape of its own.
  if (isShowingTuningEditor()) return tuningEditor_->keyDown(key, modifiers);
  if (modifiers & (platform::KeyModifierAlt | platform::KeyModifierSuper)) return false;
  // Ctrl+comma is the desktop's usual way to settings; other Ctrl keys are
  // not ours.
  if ((modifiers & platform::KeyModifierControl) && key != keyForCharacter(',')) return false;
  return isShowingFlipside() ? settingsScreenKeyDown(key, modifiers)
                             : tunerScreenKeyDown(key, modifiers);
}

bool RootViewController::tunerScreenKeyDown(Key key, unsigned) {
  TunerView* tunerView = mainViewController_->tunerView();
  if (!tunerView) return false;
  if (key == keyForCharacter('i') || key == keyForCharacter(',')) {
    mainViewController_->flipAction();
    return true;
  }
  if (key == keyForCharacter('m')) {
    tunerView->modeButton()->sendActionsForControlEvents(platform::ControlEventTouchDown);
    return true;
  }
  if (key == keyForCharacter('a')) {
    tunerView->autoButton()->sendActionsForControlEvents(platform::ControlEventTouchDown);
    return true;
  }
  if (key == keyForCharacter('d')) {
    toggleDataView();
    return true;
  }
  if (key == keyForCharacter('n')) {
    mainViewController_->toggleNumericReadout();
    return true;
  }
  // The chromatic keyboard's octave buttons (shown in its tone mode only).
  platform::Button* octave = nullptr;
  if (key == Key::Left || key == Key::Down) octave = tunerView->octaveDownButton();
  if (key == Key::Right || key == Key::Up) octave = tunerView->octaveUpButton();
  if (octave) {
    if (octave->isHidden()) return false;
    octave->sendActionsForControlEvents(platform::ControlEventTouchDown);
    return true;
  }
  // The number row, in the order of the buttons: 1 to 9 for the strings,
  // and on to 0, - and = for the chromatic keyboard's twelve notes.
  static constexpr char kNumberRow[] = "1234567890-=";
  const int k = static_cast<int>(key);
  for (size_t index = 0; index + 1 < sizeof kNumberRow; ++index) {
    if (k != kNumberRow[index]) continue;
    const auto& buttons = tunerView->noteButtons();
    if (index >= buttons.size() || !buttons[index]->isEnabled()) return false;
    buttons[index]->sendActionsForControlEvents(platform::ControlEventTouchDown);
    return true;
  }
  return false;
}

// The analysis table over the tuner screen, for whoever wants to see why a
// string was chosen. It lets touches through to the buttons below, and is
// redrawn with every refresh like the rest of the screen.
void RootViewController::toggleDataView() {
  if (auto shown = mainViewController_->tunerDataView()) {
    shown->removeFromSuperview();
    mainViewController_->setTunerDataView(nullptr);
    return;
  }
  auto dataView = TunerDataView::initWithFrame(mainViewController_->tunerView()->frame(),
                                               mainViewController_->tuner());
  dataView->setUserInteractionEnabled(false);
  mainViewController_->view()->addSubview(dataView);
  mainViewController_->setTunerDataView(dataView);
}

bool RootViewController::settingsScreenKeyDown(Key key, unsigned modifiers) {
  FlipsideViewController& settings = *flipsideViewController_;
  if (key == Key::Return || key == keyForCharacter('i') || key == keyForCharacter(',')) {
    // What the Done button does, through the bar's own item.
    if (auto* top = flipsideNavigationBar_->topItem()) {
      if (top->rightBarButtonItem()) top->rightBarButtonItem()->trigger();
    }
    return true;
  }
  if (key == Key::Up || key == Key::Right || key == keyForCharacter('=') ||
      key == keyForCharacter('+')) {
    stepCalibration(+1);
    return true;
  }
  if (key == Key::Down || key == Key::Left || key == keyForCharacter('-')) {
    stepCalibration(-1);
    return true;
  }
  platform::TableView* table = settings.tableView();
  if (!table) return false;
  const int k = static_cast<int>(key);
  // Tunings count as the list shows them, group by group.
  if (k >= '1' && k <= '9') return settings.chooseListedTuning(k - '1');
  if (key == keyForCharacter('t')) {
    settings.chooseNeighbouringTuning(modifiers & platform::KeyModifierShift ? -1 : +1);
    return true;
  }
  if (key == keyForCharacter('n')) {
    settings.newTuning();
    return true;
  }
  if (key == keyForCharacter('d')) {
    return settings.chooseNeighbouringInput(modifiers & platform::KeyModifierShift ? -1 : +1);
  }
  if (key == keyForCharacter('e')) return settings.editChosenTuning();
  switch (key) {
    case Key::PageUp:
      table->scrollByPages(-1);
      return true;
    case Key::PageDown:
      table->scrollByPages(+1);
      return true;
    case Key::Home:
      table->setContentOffset(0);
      return true;
    case Key::End:
      table->setContentOffset(table->maxContentOffset());
      return true;
    default:
      return false;
  }
}

void RootViewController::stepCalibration(int hertz) {
  platform::Slider* slider = flipsideViewController_->calibrationSlider();
  if (!slider) return;
  // From the whole hertz shown, so one press always moves the label by one.
  const int shown = static_cast<int>(std::trunc(slider->value()));
  const int target = std::clamp(shown + hertz, kMinimumCalibration, kMaximumCalibration);
  // The player sees the value change, wherever the list was scrolled.
  flipsideViewController_->revealCalibration();
  if (static_cast<float>(target) == slider->value()) return;
  slider->setValue(static_cast<float>(target));
  slider->sendActionsForControlEvents(platform::ControlEventValueChanged);
}
