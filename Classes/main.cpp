// Quillon: an instrument tuner. The tuner screen listens to the microphone
// and shows the string being played on a needle dial; its other side sets
// the calibration and the tuning.
//
//   quillon [--input NAME] [--offscreen]
//   quillon --list-inputs | --help | --version
//
// Exit status: 0 after a normal quit (and after --help, --version and
// --list-inputs), 1 when there is no display or no window can be opened (or,
// for --list-inputs, no audio), 2 on a usage error.

#include <cstdio>

#include "Classes/CommandLine.h"
#include "Classes/MainViewController.h"
#include "Classes/TarvelAppDelegate.h"
#include "platform/Application.h"
#include "platform/AudioUnit.h"
#include "platform/Preferences.h"

namespace {

// Needs the audio system only: no window, no display.
int listInputs() {
  const auto names = platform::AudioInputDeviceNames();
  if (!names) {
    std::fputs("quillon: cannot list the input devices: no audio system is available\n", stderr);
    return 1;
  }
  for (const std::string& name : *names) std::printf("%s\n", name.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const CommandLine commandLine = parseCommandLine(argc, argv);
  switch (commandLine.action) {
    case CommandLine::Action::help:
      std::fputs(commandLineUsage().c_str(), stdout);
      return 0;
    case CommandLine::Action::version:
      std::printf("%s\n", versionLine().c_str());
      return 0;
    case CommandLine::Action::usageError:
      std::fprintf(stderr, "quillon: %s\n%s", commandLine.error.c_str(),
                   commandLineUsage().c_str());
      return 2;
    case CommandLine::Action::listInputs:
      return listInputs();
    case CommandLine::Action::run:
      break;
  }
  // Refused before anything starts: SDL would otherwise run on, invisible.
  if (!commandLine.offscreen && !platform::Application::hasDisplay()) {
    std::fputs(
        "quillon: no display to open a window on: DISPLAY and WAYLAND_DISPLAY are not set "
        "(--offscreen runs without one)\n",
        stderr);
    return 1;
  }
  if (commandLine.inputDevice) {
    platform::Preferences::standardUserDefaults().setObjectForThisRun(*commandLine.inputDevice,
                                                                      InputDeviceOption);
  }

  platform::ApplicationOptions options;
  options.title = "Quillon";
  options.iconName = "quillon.png";
  // The tuner screen comes first, and it is read in landscape.
  options.orientation = platform::Orientation::LandscapeTopRight;
  options.offscreen = commandLine.offscreen;
  platform::Application application(options);
  auto delegate = TarvelAppDelegate::loadMainInterface(application);
  return application.run(delegate.get());
}
