#pragma once

#include <memory>

#include "platform/Application.h"

class RootViewController;

namespace platform {
class Window;
}

// The application's delegate: adds the user's tunings to the catalogue before
// the controllers are made, registers the preference defaults at launch,
// puts the root controller's view on the window and hands the keyboard to it.
class TarvelAppDelegate : public platform::ApplicationDelegate {
 public:
  // What the app's main interface does before launch: a delegate connected to
  // the application's window and a new root controller.
  static std::shared_ptr<TarvelAppDelegate> loadMainInterface(platform::Application& application);

  TarvelAppDelegate() = default;
  ~TarvelAppDelegate() override;

  void applicationDidFinishLaunching(platform::Application& application) override;

  // The defaults that answer for preferences the user never set.
  static void registerDefaults();
  // Reads the user's tunings file in the config directory into the catalogue
  // (bad lines are logged and skipped), at start-up.
  static void registerUserTunings();

  void setWindow(std::shared_ptr<platform::Window> window) { window_ = std::move(window); }
  void setRootViewController(std::shared_ptr<RootViewController> controller) {
    rootViewController_ = std::move(controller);
  }

 private:
  std::shared_ptr<platform::Window> window_;
  std::shared_ptr<RootViewController> rootViewController_;
};
