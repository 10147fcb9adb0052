#pragma once

#include <memory>
#include <string>

// One string of a tuning: the letter shown, its button image, its recorded
// reference sound and its frequency at A = 440 Hz. Immutable, and identified
// by the object itself: the catalogue makes each note once and everybody
// shares that object (two E strings have equal contents but are two notes).
class TargetNote {
 public:
  static std::shared_ptr<const TargetNote> initWithName(std::string name, std::string imageName,
                                                        std::string soundName, float frequency);

  const std::string& name() const { return name_; }
  const std::string& imageName() const { return imageName_; }
  const std::string& soundName() const { return soundName_; }
  float frequency() const { return frequency_; }

 private:
  TargetNote(std::string name, std::string imageName, std::string soundName, float frequency)
      : name_(std::move(name)),
        imageName_(std::move(imageName)),
        soundName_(std::move(soundName)),
        frequency_(frequency) {}

  const std::string name_;
  const std::string imageName_;
  const std::string soundName_;
  const float frequency_;
};
