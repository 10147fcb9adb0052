#include "common/TargetNote.h"

std::shared_ptr<const TargetNote> TargetNote::initWithName(std::string name, std::string imageName,
                                                           std::string soundName, float frequency) {
  return initWithName(std::move(name), std::move(imageName), std::move(soundName), frequency,
                      NoteName::nearest(frequency));
}

std::shared_ptr<const TargetNote> TargetNote::initWithName(std::string name, std::string imageName,
                                                           std::string soundName, float frequency,
                                                           std::optional<NoteName> pitch) {
  return std::shared_ptr<const TargetNote>(new TargetNote(std::move(name), std::move(imageName),
                                                          std::move(soundName), frequency, pitch));
}
