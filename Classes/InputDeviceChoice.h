#pragma once

#include <string>
#include <vector>

// Where the tuner listens, as the settings screen shows it and changes it.
// The tuner screen's controller answers; the settings screen needs nothing
// else of it.
class InputDeviceChoice {
 public:
  virtual ~InputDeviceChoice() = default;

  // The input devices there are now, in the sound system's order.
  virtual std::vector<std::string> inputDevices() const = 0;
  // The device chosen ("" for the system default).
  virtual std::string inputDevice() const = 0;
  // Whether the chosen device is missing, so that the default stands in.
  virtual bool inputDeviceMissing() const = 0;
  // Listens on `name` ("" for the system default) from now on and keeps it.
  virtual void chooseInputDevice(const std::string& name) = 0;
};
