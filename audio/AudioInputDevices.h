#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The input devices there are, by name, and word when they change: what a
// controller needs to choose where to listen and to follow devices being
// plugged in and out.
class AudioInputDevices {
 public:
  using ChangeHandler = std::function<void()>;

  virtual ~AudioInputDevices() = default;

  // The devices there are now, in the sound system's order.
  virtual std::vector<std::string> names() = 0;
  // Called on the main thread after a device came or went, the one a source
  // listens to included. One handler; a new one replaces it, null removes it.
  virtual void setChangeHandler(ChangeHandler handler) = 0;

  // The sound system's devices (the platform's audio units).
  static std::shared_ptr<AudioInputDevices> systemDevices();
};
