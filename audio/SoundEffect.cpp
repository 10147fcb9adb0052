#include "audio/SoundEffect.h"

#include "platform/Log.h"

using namespace platform;

std::shared_ptr<SoundEffect> SoundEffect::initWithContentsOfFile(
    const std::optional<std::string>& path) {
  // A file URL needs a path to be made from.
  if (!path || path->empty()) {
    Log("NSURL is nil for path: %s", path ? path->c_str() : "(null)");
    return nullptr;
  }
  SystemSoundID soundID = 0;
  const OSStatus error = AudioServicesCreateSystemSoundID(path->c_str(), &soundID);
  if (error != noErr) {
    Log("Error %d loading sound at path: %s", static_cast<int>(error), path->c_str());
    return nullptr;
  }
  return std::shared_ptr<SoundEffect>(new SoundEffect(soundID));
}

std::shared_ptr<SoundEffect> SoundEffect::initWithSamples(const std::vector<int16_t>& samples,
                                                          int sampleRate) {
  SystemSoundID soundID = 0;
  const OSStatus error = AudioServicesCreateSystemSoundIDWithSamples(samples.data(), samples.size(),
                                                                     1, sampleRate, &soundID);
  if (error != noErr) {
    Log("Error %d making a sound of %zu samples at %d Hz", static_cast<int>(error), samples.size(),
        sampleRate);
    return nullptr;
  }
  return std::shared_ptr<SoundEffect>(new SoundEffect(soundID));
}

SoundEffect::~SoundEffect() {
  AudioServicesDisposeSystemSoundID(_soundID);
}

void SoundEffect::play() {
  AudioServicesPlaySystemSound(_soundID);
}
