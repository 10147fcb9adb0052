#include "platform/SystemSoundCore.h"

namespace platform {

namespace {

constexpr int64_t kLongestSoundSeconds = 60;

// The one service behind the process-wide sound calls, as the calls are.
SystemSoundService* installed = nullptr;

SystemSoundService& service() {
  return installed ? *installed : backendSystemSoundService();
}

}  // namespace

bool systemSoundFormatSane(int channels, int rate, int64_t frames) {
  return channels >= 1 && channels <= 8 && rate >= 1000 && rate <= 384000 && frames >= 0 &&
         frames <= kLongestSoundSeconds * rate;
}

OSStatus AudioServicesCreateSystemSoundID(const char* path, SystemSoundID* outSoundID) {
  return service().create(path, outSoundID);
}

OSStatus AudioServicesCreateSystemSoundIDWithSamples(const int16_t* samples, size_t frames,
                                                     int channels, int sampleRate,
                                                     SystemSoundID* outSoundID) {
  return service().createWithSamples(samples, frames, channels, sampleRate, outSoundID);
}

void AudioServicesPlaySystemSound(SystemSoundID soundID) {
  service().play(soundID);
}

OSStatus AudioServicesDisposeSystemSoundID(SystemSoundID soundID) {
  return service().dispose(soundID);
}

SystemSoundService* setSystemSoundService(SystemSoundService* replacement) {
  SystemSoundService* previous = installed ? installed : &backendSystemSoundService();
  installed = replacement == &backendSystemSoundService() ? nullptr : replacement;
  return previous;
}

}  // namespace platform
