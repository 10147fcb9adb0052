#include "Classes/TarvelAppDelegate.h"

#include <cstdint>
#include <string>

#include "Classes/RootViewController.h"
#include "Classes/TuningEditorViewController.h"
#include "common/Tuning.h"
#include "common/TuningDictionary.h"
#include "common/UserTunings.h"
#include "platform/Preferences.h"
#include "platform/Window.h"

std::shared_ptr<TarvelAppDelegate> TarvelAppDelegate::loadMainInterface(
    platform::Application& application) {
  // Before any controller exists, so that the tuner screen starts on a
  // stored user tuning.
  registerUserTunings();
  auto delegate = std::make_shared<TarvelAppDelegate>();
  delegate->setWindow(application.window());
  delegate->setRootViewController(std::make_shared<RootViewController>());
  return delegate;
}

TarvelAppDelegate::~TarvelAppDelegate() {
  rootViewController_.reset();
  window_.reset();
}

void TarvelAppDelegate::registerDefaults() {
  platform::Preferences::standardUserDefaults().registerDefaults(
      {{TargetTuningOption, std::string("guitar")},
       {CalibrationOption, int64_t{kDefaultCalibration}}});
}

void TarvelAppDelegate::registerUserTunings() {
  Tuning::registerUserTunings(loadUserTunings(TuningEditorViewController::defaultTuningsFile()));
}

void TarvelAppDelegate::applicationDidFinishLaunching(platform::Application& application) {
  registerDefaults();
  if (!window_) window_ = application.window();
  if (!rootViewController_) rootViewController_ = std::make_shared<RootViewController>();
  // Asking for the root view loads it: the tuner screen is made and appears.
  window_->addSubview(rootViewController_->view());
  window_->makeKeyAndVisible();

  RootViewController* root = rootViewController_.get();
  application.setKeyHandler(
      [root](platform::Key key, unsigned modifiers) { return root->keyDown(key, modifiers); });
}
