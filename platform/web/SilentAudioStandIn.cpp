// A SILENT STAND-IN for the browser's sound, built only while
// platform/web/AudioUnit.cpp (WebAudio's audio units and system sounds) is
// not in the tree: there are no audio components, so the tuner cannot listen
// and plays nothing, and the page is told in its one line why. It exists so
// that the page builds and its screen can be used; the WebAudio backend
// replaces it.
#include <emscripten.h>

#include "platform/AudioUnit.h"
#include "platform/SystemSound.h"

namespace platform {

namespace {
EM_JS(void, quillon_stand_in_no_microphone, (), {
  if (Module['quillonMicrophoneError']) {
    Module['quillonMicrophoneError']('No microphone: this build has no sound yet.');
  }
});
}  // namespace

AudioComponent AudioComponentFindNext(AudioComponent, const AudioComponentDescription*) {
  static bool told = false;
  if (!told) quillon_stand_in_no_microphone();
  told = true;
  return nullptr;
}
OSStatus AudioComponentInstanceNew(AudioComponent, AudioComponentInstance*) {
  return kAudio_ParamError;
}
OSStatus AudioComponentInstanceDispose(AudioComponentInstance) {
  return kAudio_ParamError;
}
OSStatus AudioUnitSetProperty(AudioUnit, AudioUnitPropertyID, AudioUnitScope, AudioUnitElement,
                              const void*, uint32_t) {
  return kAudio_ParamError;
}
OSStatus AudioUnitGetProperty(AudioUnit, AudioUnitPropertyID, AudioUnitScope, AudioUnitElement,
                              void*, uint32_t*) {
  return kAudio_ParamError;
}
OSStatus AudioUnitInitialize(AudioUnit) {
  return kAudio_ParamError;
}
OSStatus AudioUnitUninitialize(AudioUnit) {
  return kAudio_ParamError;
}
OSStatus AudioOutputUnitStart(AudioUnit) {
  return kAudio_ParamError;
}
OSStatus AudioOutputUnitStop(AudioUnit) {
  return kAudio_ParamError;
}
OSStatus AudioUnitRender(AudioUnit, AudioUnitRenderActionFlags*, const AudioTimeStamp*, uint32_t,
                         uint32_t, AudioBufferList*) {
  return kAudio_ParamError;
}
void AudioUnitProcessInput(AudioUnit, const void*, uint32_t) {}
void AudioUnitProcessOutput(AudioUnit, void*, uint32_t) {}
std::optional<std::vector<std::string>> AudioInputDeviceNames() {
  return std::nullopt;
}
int AudioInputDevicesAddObserver(AudioInputDevicesObserver) {
  return 0;
}
void AudioInputDevicesRemoveObserver(int) {}
void AudioInputDevicesChanged() {}
OSStatus AudioUnitSetInputDevice(AudioUnit, const std::string&) {
  return kAudio_ParamError;
}
bool AudioUnitInputDeviceLost(AudioUnit) {
  return false;
}
void AudioUnitSetDevicelessForTesting(bool) {}

OSStatus AudioServicesCreateSystemSoundID(const char*, SystemSoundID*) {
  return kSystemSoundUnsupportedFile;
}
OSStatus AudioServicesCreateSystemSoundIDWithSamples(const int16_t*, size_t, int, int,
                                                     SystemSoundID*) {
  return kSystemSoundUnsupportedFile;
}
void AudioServicesPlaySystemSound(SystemSoundID) {}
OSStatus AudioServicesDisposeSystemSoundID(SystemSoundID) {
  return kSystemSoundBadID;
}
SystemSoundService* setSystemSoundService(SystemSoundService*) {
  return nullptr;
}
int systemSoundsLoaded() {
  return 0;
}
int systemSoundsPlaying() {
  return 0;
}
std::chrono::steady_clock::time_point systemSoundLastHeard() {
  return {};
}

}  // namespace platform
