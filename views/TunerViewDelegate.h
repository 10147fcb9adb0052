#pragma once

class TargetNote;

namespace platform {
class Control;
}

// What the tuner screen does: listen and show the string being played (tuner
// mode, 0), or play each string's reference note (tone mode, 1).
enum class TunerMode { tuner = 0, tone = 1 };

// What the tuner view asks of whoever controls it (the tuner screen's
// controller): the mode, a reference note, and the flip to the settings.
// The view only holds it; it never owns it.
class TunerViewDelegate {
 public:
  virtual TunerMode mode() const = 0;
  // Switches capture off and the reference notes on, or back.
  virtual void setMode(TunerMode mode) = 0;
  // Plays the recorded reference note of one string (tone mode).
  virtual void startSound(const TargetNote& note) = 0;
  // The info button's action: turn over to the settings screen.
  virtual void flipAction(platform::Control* sender) = 0;

 protected:
  ~TunerViewDelegate() = default;
};
