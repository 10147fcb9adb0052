// Quillon: an instrument tuner. The tuner screen listens to the microphone
// and shows the string being played on a needle dial; its other side sets
// the calibration and the tuning.

#include "Classes/TarvelAppDelegate.h"
#include "platform/Application.h"

int main(int, char**) {
  platform::ApplicationOptions options;
  options.title = "Quillon";
  options.iconName = "quillon.png";
  // The tuner screen comes first, and it is read in landscape.
  options.orientation = platform::Orientation::LandscapeTopRight;
  platform::Application application(options);
  auto delegate = TarvelAppDelegate::loadMainInterface(application);
  return application.run(delegate.get());
}
