// Audio units on SDL audio devices: the SDL half of platform/AudioUnitCore.
// The input unit's device calls AudioUnitProcessInput on SDL's capture thread,
// the output unit's AudioUnitProcessOutput on its playback thread.

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "platform/AudioUnitCore.h"
#include "platform/Log.h"
#include "platform/RunLoop.h"

namespace platform {

using namespace unitcore;

namespace {

// SDL (2.26) opens a device paused; its capture thread looks once, waits a
// period and then empties what the device holds. On PulseAudio, when the
// first block is already there by then, it keeps dropping block after block
// as they arrive and never looks again at whether it was resumed: nothing is
// captured until the device is closed (one start in five to ten on a null
// sink's monitor). A capture device that has delivered nothing this long
// after a start is opened again.
constexpr double kCaptureStallSeconds = 1.0;

SDL_AudioFormat sdlFormat(const AudioStreamBasicDescription& f) {
  const bool big = (f.formatFlags & kAudioFormatFlagIsBigEndian) != 0;
  if (f.formatFlags & kAudioFormatFlagIsFloat) return big ? AUDIO_F32MSB : AUDIO_F32LSB;
  return big ? AUDIO_S16MSB : AUDIO_S16LSB;
}

// SDL's period: the largest power of two within about 1/10 s, for capture
// and playback alike. Every period wakes SDL's device thread and the sound
// server, so a long one is what keeps listening cheap; capture latency stays
// under 0.1 s, and a busy machine cannot starve playback. Playback never goes
// above the maximum frames per slice; capture may, since its block is handed
// to the input callback in slices of at most that many frames anyway.
uint16_t periodFrames(double rate, uint32_t maxFrames, bool capture) {
  const double target = rate / 10.0;
  uint32_t n = 64;
  while (n * 2 <= target && n * 2 <= 16384) n *= 2;
  if (!capture) n = std::min(n, maxFrames);
  return static_cast<uint16_t>(std::max<uint32_t>(1, n));
}

void captureCallback(void* userdata, Uint8* stream, int len);
void playbackCallback(void* userdata, Uint8* stream, int len);
int deviceEventWatch(void* userdata, SDL_Event* event);

bool ensureSdlAudio() {
  if (!SDL_WasInit(SDL_INIT_AUDIO)) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      Log("Cannot start SDL audio: %s", SDL_GetError());
      return false;
    }
  }
  // Quitting SDL's event subsystem drops the watchers, so (re)register here;
  // deleting first keeps it registered once.
  SDL_DelEventWatch(deviceEventWatch, nullptr);
  SDL_AddEventWatch(deviceEventWatch, nullptr);
  return true;
}

}  // namespace

struct AudioUnitDevice {
  std::atomic<SDL_AudioDeviceID> captureDevice{0};
  std::atomic<SDL_AudioDeviceID> playbackDevice{0};
  // Set by the capture thread once a block has come in; read by the timer
  // on the starting thread's run loop that watches for a stalled start.
  std::atomic<bool> captured{false};
  std::shared_ptr<Timer> captureWatch;
};

void AudioUnitDeviceDeleter::operator()(AudioUnitDevice* device) const {
  delete device;
}

namespace {

// Reading the list also makes SDL drop the devices that have gone: until it
// does, a device plugged in again would be named "<name> (2)".
bool isListedInput(const char* name) {
  const int count = SDL_GetNumAudioDevices(1);
  for (int i = 0; i < count; ++i) {
    const char* listed = SDL_GetAudioDeviceName(i, 1);
    if (listed && std::strcmp(listed, name) == 0) return true;
  }
  return false;
}

SDL_AudioDeviceID openDevice(AudioUnitRecord* unit, bool capture) {
  const AudioStreamBasicDescription& f = capture ? unit->inputFormat : unit->outputFormat;
  SDL_AudioSpec want{};
  want.freq = static_cast<int>(f.sampleRate + 0.5);
  want.format = sdlFormat(f);
  want.channels = static_cast<Uint8>(f.channelsPerFrame);
  want.samples = periodFrames(f.sampleRate, unit->maxFrames, capture);
  want.callback = capture ? captureCallback : playbackCallback;
  want.userdata = unit;
  SDL_AudioSpec have{};
  const char* name = capture && !unit->inputDevice.empty() ? unit->inputDevice.c_str() : nullptr;
  // A device that is not there is for the caller to report, who chose it by
  // name from the list (it may have gone a moment ago, before the list said
  // so).
  if (name && !isListedInput(name)) {
    SDL_SetError("No input device named \"%s\"", name);
    return 0;
  }
  // No allowed changes: SDL converts to exactly the format asked for.
  SDL_AudioDeviceID dev = SDL_OpenAudioDevice(name, capture ? 1 : 0, &want, &have, 0);
  if (dev == 0 && name) {
    Log("Cannot open the audio input device \"%s\": %s", name, SDL_GetError());
  } else if (dev == 0) {
    Log("Cannot open audio %s device: %s", capture ? "input" : "output", SDL_GetError());
  }
  return dev;
}

void closeDevices(AudioUnitRecord* unit) {
  if (unit->device->captureWatch) {
    unit->device->captureWatch->invalidate();
    unit->device->captureWatch.reset();
  }
  // SDL_CloseAudioDevice joins the device thread: no callback runs afterwards.
  if (SDL_AudioDeviceID dev = unit->device->captureDevice.exchange(0)) SDL_CloseAudioDevice(dev);
  if (SDL_AudioDeviceID dev = unit->device->playbackDevice.exchange(0)) SDL_CloseAudioDevice(dev);
}

// Runs on whichever thread SDL posts the event from (often its audio thread):
// only flags the unit. A lost output is said here, once; a lost input is
// for the unit's owner to report, who hears of it from the observers and
// knows what it listens to next.
int deviceEventWatch(void*, SDL_Event* event) {
  if (event->type != SDL_AUDIODEVICEREMOVED) return 0;
  const SDL_AudioDeviceID which = event->adevice.which;
  std::lock_guard<std::mutex> lock(registryMutex());
  for (AudioUnitRecord* unit : registry()) {
    const bool capture = event->adevice.iscapture != 0;
    const SDL_AudioDeviceID dev =
        capture ? unit->device->captureDevice.load() : unit->device->playbackDevice.load();
    if (dev == 0 || dev != which) continue;
    if (capture) unit->inputLost = true;
    if (!unit->lost.exchange(true) && !capture)
      Log("Audio output device removed; it is reopened on the next start");
  }
  return 0;
}

void captureCallback(void* userdata, Uint8* stream, int len) {
  auto* unit = static_cast<AudioUnit>(userdata);
  unit->device->captured.store(true, std::memory_order_relaxed);
  AudioUnitProcessInput(unit, stream, static_cast<uint32_t>(len));
}

// Until the capture device has delivered its first block, it is opened again
// every kCaptureStallSeconds (see there why). Runs on the run loop of the
// thread that started the unit, which is the one that stops it.
void watchCapture(AudioUnitRecord* unit) {
  unit->device->captured = false;
  unit->device->captureWatch =
      Timer::timerWithTimeInterval(kCaptureStallSeconds, [unit](Timer& timer) {
        if (unit->device->captured) {
          timer.invalidate();
          return;
        }
        Log("No sound from the audio input device %.0f s after it started; opening it again",
            kCaptureStallSeconds);
        if (SDL_AudioDeviceID dev = unit->device->captureDevice.exchange(0))
          SDL_CloseAudioDevice(dev);
        const SDL_AudioDeviceID dev = openDevice(unit, true);
        if (dev == 0) {
          unit->lost = true;
          unit->inputLost = true;
          timer.invalidate();
          // The unit's owner hears of it as of a device gone away.
          AudioInputDevicesChanged();
          return;
        }
        unit->device->captureDevice = dev;
        SDL_PauseAudioDevice(dev, 0);
      });
  RunLoop::currentRunLoop().addTimer(unit->device->captureWatch);
}

void playbackCallback(void* userdata, Uint8* stream, int len) {
  AudioUnitProcessOutput(static_cast<AudioUnit>(userdata), stream, static_cast<uint32_t>(len));
}

// Opens the unit's enabled devices (paused, as SDL opens them), capture
// first, and keeps them on the unit or closes each again at once.
bool openEnabledDevices(AudioUnitRecord* unit, bool keep) {
  if (!ensureSdlAudio()) return false;
  for (bool capture : {true, false}) {
    if (!(capture ? unit->inputEnabled : unit->outputEnabled)) continue;
    SDL_AudioDeviceID dev = openDevice(unit, capture);
    if (dev == 0) return false;
    if (keep)
      (capture ? unit->device->captureDevice : unit->device->playbackDevice) = dev;
    else
      SDL_CloseAudioDevice(dev);
  }
  return true;
}

}  // namespace

bool audioBackendReady() {
  return ensureSdlAudio();
}

AudioUnitDevice* newAudioUnitDevice() {
  return new (std::nothrow) AudioUnitDevice;
}

// Opening each enabled device once is the only reliable way to learn that it
// exists (SDL does not list PulseAudio monitor sources, for one).
bool initializeAudioDevices(AudioUnitRecord* unit) {
  return openEnabledDevices(unit, false);
}

bool openAudioDevices(AudioUnitRecord* unit) {
  return openEnabledDevices(unit, true);
}

void runAudioDevices(AudioUnitRecord* unit) {
  if (SDL_AudioDeviceID dev = unit->device->captureDevice) {
    SDL_PauseAudioDevice(dev, 0);
    watchCapture(unit);
  }
  if (SDL_AudioDeviceID dev = unit->device->playbackDevice) SDL_PauseAudioDevice(dev, 0);
}

void stopAudioDevices(AudioUnitRecord* unit) {
  closeDevices(unit);
}

uint64_t audioHostTime() {
  return SDL_GetPerformanceCounter();
}

std::optional<std::vector<std::string>> AudioInputDeviceNames() {
  if (!ensureSdlAudio()) return std::nullopt;
  std::vector<std::string> names;
  const int count = SDL_GetNumAudioDevices(1);
  for (int i = 0; i < count; ++i) {
    if (const char* name = SDL_GetAudioDeviceName(i, 1)) names.emplace_back(name);
  }
  return names;
}

}  // namespace platform
