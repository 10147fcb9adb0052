#pragma once

#include <memory>
#include <optional>
#include <string>

#include "common/NoteName.h"

// One string of a tuning: the name shown, its button image, its reference
// sound, its frequency at A = 440 Hz and its pitch in scientific notation.
// Immutable, and identified by the object itself: the catalogue makes each
// note once and everybody shares that object (two E strings have equal
// contents but are two notes).
//
// `name` is what the big label shows: the letter for the first five tunings'
// notes ("E"), the letter with its sign for the others ("E♭", "F♯"). The
// pitch adds the octave: pitchName() "C#3" in ASCII (files, command line,
// JSON) and pitchDisplayName() "C♯3" for the screen.
class TargetNote {
 public:
  // The pitch is the equal-tempered note nearest to `frequency`, spelled with
  // sharps (82.41 Hz is E2, 329.6 Hz E4).
  static std::shared_ptr<const TargetNote> initWithName(std::string name, std::string imageName,
                                                        std::string soundName, float frequency);
  // The pitch as given: a flat spelling, or a note typed by name.
  static std::shared_ptr<const TargetNote> initWithName(std::string name, std::string imageName,
                                                        std::string soundName, float frequency,
                                                        std::optional<NoteName> pitch);

  const std::string& name() const { return name_; }
  const std::string& imageName() const { return imageName_; }
  const std::string& soundName() const { return soundName_; }
  float frequency() const { return frequency_; }
  // None only for a frequency that is not a positive number.
  const std::optional<NoteName>& pitch() const { return pitch_; }
  // "C#3" / "C♯3"; empty without a pitch.
  const std::string& pitchName() const { return pitchName_; }
  const std::string& pitchDisplayName() const { return pitchDisplayName_; }

 private:
  TargetNote(std::string name, std::string imageName, std::string soundName, float frequency,
             std::optional<NoteName> pitch)
      : name_(std::move(name)),
        imageName_(std::move(imageName)),
        soundName_(std::move(soundName)),
        frequency_(frequency),
        pitch_(pitch),
        pitchName_(pitch ? pitch->ascii() : std::string()),
        pitchDisplayName_(pitch ? pitch->display() : std::string()) {}

  const std::string name_;
  const std::string imageName_;
  const std::string soundName_;
  const float frequency_;
  const std::optional<NoteName> pitch_;
  const std::string pitchName_;
  const std::string pitchDisplayName_;
};
