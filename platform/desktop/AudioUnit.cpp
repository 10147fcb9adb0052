#include "platform/AudioUnit.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Log.h"
#include "platform/RunLoop.h"

namespace platform {

struct AudioComponentRecord {
  AudioComponentDescription description;
};

namespace {

// The one component there is: an I/O unit on SDL's devices.
AudioComponentRecord remoteIO{
    {kAudioUnitType_Output, kAudioUnitSubType_RemoteIO, kAudioUnitManufacturer_System, 0, 0}};

constexpr uint32_t kInputElement = 1;
constexpr uint32_t kOutputElement = 0;
constexpr uint32_t kDefaultMaximumFramesPerSlice = 1024;
constexpr uint32_t kLargestSlice = 1 << 16;
constexpr double kNominalDeviceRate = 44100.0;
// SDL (2.26) opens a device paused; its capture thread looks once, waits a
// period and then empties what the device holds. On PulseAudio, when the
// first block is already there by then, it keeps dropping block after block
// as they arrive and never looks again at whether it was resumed: nothing is
// captured until the device is closed (one start in five to ten on a null
// sink's monitor). A capture device that has delivered nothing this long
// after a start is opened again.
constexpr double kCaptureStallSeconds = 1.0;

// Process-wide like the SDL audio subsystem it stands in for.
std::atomic<bool> deviceless{false};

AudioStreamBasicDescription monoInt16(double rate) {
  return {rate,
          kAudioFormatLinearPCM,
          kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked,
          2,
          1,
          2,
          1,
          16,
          0};
}

bool isNonInterleaved(const AudioStreamBasicDescription& f) {
  return (f.formatFlags & kAudioFormatFlagIsNonInterleaved) != 0 && f.channelsPerFrame > 1;
}

uint32_t bytesPerSample(const AudioStreamBasicDescription& f) {
  return f.bitsPerChannel / 8;
}

// Bytes of one frame across all channels as SDL delivers them (interleaved).
uint32_t interleavedFrameBytes(const AudioStreamBasicDescription& f) {
  return bytesPerSample(f) * f.channelsPerFrame;
}

bool formatSupported(const AudioStreamBasicDescription& f) {
  if (f.formatID != kAudioFormatLinearPCM || !(f.sampleRate > 0.0) || f.sampleRate > 384000.0)
    return false;
  if (f.channelsPerFrame < 1 || f.channelsPerFrame > 8 || f.framesPerPacket != 1) return false;
  const bool isFloat = (f.formatFlags & kAudioFormatFlagIsFloat) != 0;
  const bool isInt = (f.formatFlags & kAudioFormatFlagIsSignedInteger) != 0;
  if (isFloat == isInt) return false;
  if (isInt && f.bitsPerChannel != 16) return false;
  if (isFloat && f.bitsPerChannel != 32) return false;
  const uint32_t expected =
      isNonInterleaved(f) ? bytesPerSample(f) : bytesPerSample(f) * f.channelsPerFrame;
  return f.bytesPerFrame == expected && f.bytesPerPacket == expected;
}

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

// Every live unit, process-wide: SDL's device events name a device, not a
// unit, so the event watch looks the unit up here (from SDL's threads).
std::mutex registryMutex;
std::vector<AudioUnitRecord*>& registry() {
  static std::vector<AudioUnitRecord*> units;
  return units;
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

struct AudioUnitRecord {
  bool initialized = false;
  std::atomic<bool> started{false};
  std::atomic<bool> lost{false};       // a device it had open went away
  std::atomic<bool> inputLost{false};  // ... the input device, or it could not be reopened
  uint32_t inputEnabled = 0;
  uint32_t outputEnabled = 1;
  AudioStreamBasicDescription inputFormat = monoInt16(kNominalDeviceRate);   // element 1, app side
  AudioStreamBasicDescription outputFormat = monoInt16(kNominalDeviceRate);  // element 0, app side
  uint32_t maxFrames = kDefaultMaximumFramesPerSlice;
  std::string inputDevice;  // by name; "" for the default
  AURenderCallbackStruct inputCallback{};
  AURenderCallbackStruct renderCallback{};
  std::atomic<SDL_AudioDeviceID> captureDevice{0};
  std::atomic<SDL_AudioDeviceID> playbackDevice{0};
  // Set by the capture thread once a block has come in; read by the timer
  // on the starting thread's run loop that watches for a stalled start.
  std::atomic<bool> captured{false};
  std::shared_ptr<Timer> captureWatch;

  // Audio-thread state of the input side: the block being handed out.
  const uint8_t* pendingInput = nullptr;
  uint32_t pendingFrames = 0;
  double inputSampleTime = 0;

  // Audio-thread state of the output side, allocated by Initialize.
  AudioBufferList* outputList = nullptr;
  std::vector<uint8_t> outputScratch;  // per-channel planes for non-interleaved formats
  double outputSampleTime = 0;
};

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
  if (unit->captureWatch) {
    unit->captureWatch->invalidate();
    unit->captureWatch.reset();
  }
  // SDL_CloseAudioDevice joins the device thread: no callback runs afterwards.
  if (SDL_AudioDeviceID dev = unit->captureDevice.exchange(0)) SDL_CloseAudioDevice(dev);
  if (SDL_AudioDeviceID dev = unit->playbackDevice.exchange(0)) SDL_CloseAudioDevice(dev);
}

// Runs on whichever thread SDL posts the event from (often its audio thread):
// only flags the unit. A lost output is said here, once; a lost input is
// for the unit's owner to report, who hears of it from the observers and
// knows what it listens to next.
int deviceEventWatch(void*, SDL_Event* event) {
  if (event->type != SDL_AUDIODEVICEREMOVED) return 0;
  const SDL_AudioDeviceID which = event->adevice.which;
  std::lock_guard<std::mutex> lock(registryMutex);
  for (AudioUnitRecord* unit : registry()) {
    const bool capture = event->adevice.iscapture != 0;
    const SDL_AudioDeviceID dev =
        capture ? unit->captureDevice.load() : unit->playbackDevice.load();
    if (dev == 0 || dev != which) continue;
    if (capture) unit->inputLost = true;
    if (!unit->lost.exchange(true) && !capture)
      Log("Audio output device removed; it is reopened on the next start");
  }
  return 0;
}

// Main thread only, like the app loop that calls them.
std::map<int, AudioInputDevicesObserver>& inputDevicesObservers() {
  static std::map<int, AudioInputDevicesObserver> observers;
  return observers;
}

void captureCallback(void* userdata, Uint8* stream, int len) {
  auto* unit = static_cast<AudioUnit>(userdata);
  unit->captured.store(true, std::memory_order_relaxed);
  AudioUnitProcessInput(unit, stream, static_cast<uint32_t>(len));
}

// Until the capture device has delivered its first block, it is opened again
// every kCaptureStallSeconds (see there why). Runs on the run loop of the
// thread that started the unit, which is the one that stops it.
void watchCapture(AudioUnitRecord* unit) {
  unit->captured = false;
  unit->captureWatch = Timer::timerWithTimeInterval(kCaptureStallSeconds, [unit](Timer& timer) {
    if (unit->captured) {
      timer.invalidate();
      return;
    }
    Log("No sound from the audio input device %.0f s after it started; opening it again",
        kCaptureStallSeconds);
    if (SDL_AudioDeviceID dev = unit->captureDevice.exchange(0)) SDL_CloseAudioDevice(dev);
    const SDL_AudioDeviceID dev = openDevice(unit, true);
    if (dev == 0) {
      unit->lost = true;
      unit->inputLost = true;
      timer.invalidate();
      // The unit's owner hears of it as of a device gone away.
      AudioInputDevicesChanged();
      return;
    }
    unit->captureDevice = dev;
    SDL_PauseAudioDevice(dev, 0);
  });
  RunLoop::currentRunLoop().addTimer(unit->captureWatch);
}

void playbackCallback(void* userdata, Uint8* stream, int len) {
  AudioUnitProcessOutput(static_cast<AudioUnit>(userdata), stream, static_cast<uint32_t>(len));
}

void freeOutputList(AudioUnitRecord* unit) {
  if (unit->outputList) {
    // The data pointers are borrowed (SDL's buffer or outputScratch).
    free(unit->outputList);
    unit->outputList = nullptr;
  }
  unit->outputScratch.clear();
  unit->outputScratch.shrink_to_fit();
}

bool allocateOutputList(AudioUnitRecord* unit) {
  const AudioStreamBasicDescription& f = unit->outputFormat;
  const uint32_t buffers = isNonInterleaved(f) ? f.channelsPerFrame : 1;
  const size_t bytes = offsetof(AudioBufferList, buffers) + sizeof(AudioBuffer) * buffers;
  unit->outputList = static_cast<AudioBufferList*>(calloc(1, bytes));
  if (!unit->outputList) return false;
  unit->outputList->numberBuffers = buffers;
  if (buffers > 1)
    unit->outputScratch.assign(size_t(unit->maxFrames) * interleavedFrameBytes(f), 0);
  return true;
}

// A block for one of the app-side formats, or null for the device sides.
AudioStreamBasicDescription* appFormat(AudioUnitRecord* unit, AudioUnitScope scope,
                                       AudioUnitElement element) {
  if (element == kInputElement && scope == kAudioUnitScope_Output) return &unit->inputFormat;
  if (element == kOutputElement && scope == kAudioUnitScope_Input) return &unit->outputFormat;
  return nullptr;
}

}  // namespace

AudioComponent AudioComponentFindNext(AudioComponent inComponent,
                                      const AudioComponentDescription* inDesc) {
  if (!inDesc || inComponent == &remoteIO) return nullptr;
  const AudioComponentDescription& d = remoteIO.description;
  auto matches = [](uint32_t want, uint32_t have) { return want == 0 || want == have; };
  if (!matches(inDesc->componentType, d.componentType) ||
      !matches(inDesc->componentSubType, d.componentSubType) ||
      !matches(inDesc->componentManufacturer, d.componentManufacturer) ||
      (d.componentFlags & inDesc->componentFlagsMask) !=
          (inDesc->componentFlags & inDesc->componentFlagsMask))
    return nullptr;
  if (!ensureSdlAudio()) return nullptr;
  return &remoteIO;
}

OSStatus AudioComponentInstanceNew(AudioComponent inComponent,
                                   AudioComponentInstance* outInstance) {
  if (!outInstance) return kAudio_ParamError;
  *outInstance = nullptr;
  if (inComponent != &remoteIO) return kAudio_ParamError;
  auto* unit = new (std::nothrow) AudioUnitRecord;
  if (!unit) return kAudio_ParamError;
  {
    std::lock_guard<std::mutex> lock(registryMutex);
    registry().push_back(unit);
  }
  *outInstance = unit;
  return noErr;
}

OSStatus AudioComponentInstanceDispose(AudioComponentInstance inInstance) {
  if (!inInstance) return kAudio_ParamError;
  AudioUnitUninitialize(inInstance);
  {
    std::lock_guard<std::mutex> lock(registryMutex);
    auto& units = registry();
    units.erase(std::remove(units.begin(), units.end(), inInstance), units.end());
  }
  delete inInstance;
  return noErr;
}

OSStatus AudioUnitSetProperty(AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope,
                              AudioUnitElement element, const void* data, uint32_t size) {
  if (!unit || !data) return kAudio_ParamError;
  switch (id) {
    case kAudioOutputUnitProperty_EnableIO: {
      if (size != sizeof(uint32_t)) return kAudio_ParamError;
      if (unit->initialized) return kAudioUnitErr_Initialized;
      uint32_t on;
      std::memcpy(&on, data, sizeof on);
      if (scope == kAudioUnitScope_Input && element == kInputElement)
        unit->inputEnabled = on ? 1 : 0;
      else if (scope == kAudioUnitScope_Output && element == kOutputElement)
        unit->outputEnabled = on ? 1 : 0;
      else
        return kAudioUnitErr_InvalidElement;
      return noErr;
    }
    case kAudioUnitProperty_StreamFormat: {
      if (size != sizeof(AudioStreamBasicDescription)) return kAudio_ParamError;
      if (element > kInputElement) return kAudioUnitErr_InvalidElement;
      if (scope != kAudioUnitScope_Input && scope != kAudioUnitScope_Output)
        return kAudioUnitErr_InvalidScope;
      AudioStreamBasicDescription* target = appFormat(unit, scope, element);
      if (!target) return kAudioUnitErr_PropertyNotWritable;  // the device's side
      if (unit->initialized) return kAudioUnitErr_Initialized;
      AudioStreamBasicDescription f;
      std::memcpy(&f, data, sizeof f);
      if (!formatSupported(f)) return kAudioUnitErr_FormatNotSupported;
      *target = f;
      return noErr;
    }
    case kAudioUnitProperty_MaximumFramesPerSlice: {
      if (size != sizeof(uint32_t)) return kAudio_ParamError;
      if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidScope;
      if (unit->initialized) return kAudioUnitErr_Initialized;
      uint32_t frames;
      std::memcpy(&frames, data, sizeof frames);
      if (frames < 1 || frames > kLargestSlice) return kAudioUnitErr_InvalidPropertyValue;
      unit->maxFrames = frames;
      return noErr;
    }
    case kAudioOutputUnitProperty_SetInputCallback:
    case kAudioUnitProperty_SetRenderCallback: {
      if (size != sizeof(AURenderCallbackStruct)) return kAudio_ParamError;
      const bool input = id == kAudioOutputUnitProperty_SetInputCallback;
      if (input ? scope != kAudioUnitScope_Global : scope != kAudioUnitScope_Input)
        return kAudioUnitErr_InvalidScope;
      if (element != 0) return kAudioUnitErr_InvalidElement;
      // Callbacks are read on the audio thread; change them only while stopped.
      if (unit->started) return kAudioUnitErr_CannotDoInCurrentContext;
      std::memcpy(input ? &unit->inputCallback : &unit->renderCallback, data,
                  sizeof(AURenderCallbackStruct));
      return noErr;
    }
    case kAudioUnitProperty_SampleRate: {
      if (size != sizeof(double)) return kAudio_ParamError;
      AudioStreamBasicDescription* target = appFormat(unit, scope, element);
      if (!target) return kAudioUnitErr_PropertyNotWritable;
      if (unit->initialized) return kAudioUnitErr_Initialized;
      double rate;
      std::memcpy(&rate, data, sizeof rate);
      AudioStreamBasicDescription f = *target;
      f.sampleRate = rate;
      if (!formatSupported(f)) return kAudioUnitErr_FormatNotSupported;
      *target = f;
      return noErr;
    }
    default:
      return kAudioUnitErr_InvalidProperty;
  }
}

OSStatus AudioUnitGetProperty(AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope,
                              AudioUnitElement element, void* data, uint32_t* size) {
  if (!unit || !data || !size) return kAudio_ParamError;
  auto give = [&](const void* value, uint32_t bytes) {
    if (*size < bytes) return kAudio_ParamError;
    std::memcpy(data, value, bytes);
    *size = bytes;
    return noErr;
  };
  switch (id) {
    case kAudioOutputUnitProperty_EnableIO:
      if (scope == kAudioUnitScope_Input && element == kInputElement)
        return give(&unit->inputEnabled, sizeof(uint32_t));
      if (scope == kAudioUnitScope_Output && element == kOutputElement)
        return give(&unit->outputEnabled, sizeof(uint32_t));
      return kAudioUnitErr_InvalidElement;
    case kAudioUnitProperty_StreamFormat:
    case kAudioUnitProperty_SampleRate: {
      if (element > kInputElement) return kAudioUnitErr_InvalidElement;
      if (scope != kAudioUnitScope_Input && scope != kAudioUnitScope_Output)
        return kAudioUnitErr_InvalidScope;
      // The device side is reported in a nominal format: SDL converts to
      // whatever the app side asks for, so its real format never matters.
      const AudioStreamBasicDescription* f = appFormat(unit, scope, element);
      const AudioStreamBasicDescription device = monoInt16(kNominalDeviceRate);
      if (!f) f = &device;
      if (id == kAudioUnitProperty_SampleRate) return give(&f->sampleRate, sizeof(double));
      return give(f, sizeof(AudioStreamBasicDescription));
    }
    case kAudioUnitProperty_MaximumFramesPerSlice:
      if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidScope;
      return give(&unit->maxFrames, sizeof(uint32_t));
    case kAudioOutputUnitProperty_SetInputCallback:
      return give(&unit->inputCallback, sizeof(AURenderCallbackStruct));
    case kAudioUnitProperty_SetRenderCallback:
      return give(&unit->renderCallback, sizeof(AURenderCallbackStruct));
    default:
      return kAudioUnitErr_InvalidProperty;
  }
}

OSStatus AudioUnitInitialize(AudioUnit unit) {
  if (!unit) return kAudio_ParamError;
  if (unit->initialized) return noErr;
  if (!unit->inputEnabled && !unit->outputEnabled) return kAudioUnitErr_FailedInitialization;
  if (!deviceless) {
    if (!ensureSdlAudio()) return kAudioUnitErr_FailedInitialization;
    // Opening each enabled device once is the only reliable way to learn that
    // it exists (SDL does not list PulseAudio monitor sources, for one).
    for (bool capture : {true, false}) {
      if (!(capture ? unit->inputEnabled : unit->outputEnabled)) continue;
      SDL_AudioDeviceID dev = openDevice(unit, capture);
      if (dev == 0) return kAudioUnitErr_FailedInitialization;
      SDL_CloseAudioDevice(dev);
    }
  }
  if (unit->outputEnabled && !allocateOutputList(unit)) return kAudioUnitErr_FailedInitialization;
  unit->initialized = true;
  return noErr;
}

OSStatus AudioUnitUninitialize(AudioUnit unit) {
  if (!unit) return kAudio_ParamError;
  if (unit->started) AudioOutputUnitStop(unit);
  freeOutputList(unit);
  unit->initialized = false;
  return noErr;
}

OSStatus AudioOutputUnitStart(AudioUnit unit) {
  if (!unit) return kAudio_ParamError;
  if (!unit->initialized) return kAudioUnitErr_Uninitialized;
  if (unit->started && !unit->lost) return noErr;
  if (unit->started) AudioOutputUnitStop(unit);  // a lost device: open the devices anew
  unit->inputSampleTime = 0;
  unit->outputSampleTime = 0;
  unit->started = true;
  if (deviceless) return noErr;
  if (!ensureSdlAudio()) {
    unit->started = false;
    return kAudioUnitErr_NoConnection;
  }
  for (bool capture : {true, false}) {
    if (!(capture ? unit->inputEnabled : unit->outputEnabled)) continue;
    SDL_AudioDeviceID dev = openDevice(unit, capture);
    if (dev == 0) {
      AudioOutputUnitStop(unit);
      return kAudioUnitErr_NoConnection;
    }
    (capture ? unit->captureDevice : unit->playbackDevice) = dev;
    SDL_PauseAudioDevice(dev, 0);
    if (capture) watchCapture(unit);
  }
  return noErr;
}

OSStatus AudioOutputUnitStop(AudioUnit unit) {
  if (!unit) return kAudio_ParamError;
  unit->started = false;
  closeDevices(unit);
  unit->lost = false;
  unit->inputLost = false;
  return noErr;
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

int AudioInputDevicesAddObserver(AudioInputDevicesObserver observer) {
  static int last = 0;
  inputDevicesObservers()[++last] = std::move(observer);
  return last;
}

void AudioInputDevicesRemoveObserver(int observer) {
  inputDevicesObservers().erase(observer);
}

void AudioInputDevicesChanged() {
  // A copy: an observer may add or remove observers.
  const auto observers = inputDevicesObservers();
  for (const auto& [id, observer] : observers) {
    if (inputDevicesObservers().count(id) && observer) observer();
  }
}

OSStatus AudioUnitSetInputDevice(AudioUnit unit, const std::string& name) {
  if (!unit) return kAudio_ParamError;
  const bool wasStarted = unit->started;
  if (wasStarted) AudioOutputUnitStop(unit);
  unit->inputDevice = name;
  return wasStarted ? AudioOutputUnitStart(unit) : noErr;
}

bool AudioUnitInputDeviceLost(AudioUnit unit) {
  return unit && unit->started && unit->inputLost;
}

void AudioUnitSetDevicelessForTesting(bool on) {
  deviceless = on;
}

OSStatus AudioUnitRender(AudioUnit unit, AudioUnitRenderActionFlags*, const AudioTimeStamp*,
                         uint32_t bus, uint32_t frames, AudioBufferList* ioData) {
  if (!unit || !ioData || ioData->numberBuffers < 1) return kAudio_ParamError;
  if (bus != kInputElement || !unit->inputEnabled) return kAudioUnitErr_InvalidElement;
  // Only the input callback has a captured block to hand out.
  if (!unit->pendingInput) return kAudioUnitErr_CannotDoInCurrentContext;
  if (frames > unit->pendingFrames) return kAudioUnitErr_TooManyFramesToProcess;
  const AudioStreamBasicDescription& f = unit->inputFormat;
  if (isNonInterleaved(f)) {
    if (ioData->numberBuffers < f.channelsPerFrame) return kAudio_ParamError;
    const uint32_t sample = bytesPerSample(f);
    for (uint32_t c = 0; c < f.channelsPerFrame; ++c) {
      AudioBuffer& b = ioData->buffers[c];
      if (!b.data || b.dataByteSize < frames * sample) return kAudioUnitErr_TooManyFramesToProcess;
      auto* out = static_cast<uint8_t*>(b.data);
      const uint8_t* in = unit->pendingInput + c * sample;
      for (uint32_t i = 0; i < frames; ++i, in += interleavedFrameBytes(f), out += sample)
        std::memcpy(out, in, sample);
      b.dataByteSize = frames * sample;
      b.numberChannels = 1;
    }
    return noErr;
  }
  AudioBuffer& b = ioData->buffers[0];
  const uint32_t bytes = frames * f.bytesPerFrame;
  if (!b.data || b.dataByteSize < bytes) return kAudioUnitErr_TooManyFramesToProcess;
  std::memcpy(b.data, unit->pendingInput, bytes);
  b.dataByteSize = bytes;
  b.numberChannels = f.channelsPerFrame;
  return noErr;
}

void AudioUnitProcessInput(AudioUnit unit, const void* bytes, uint32_t byteCount) {
  if (!unit || !unit->started || !unit->inputCallback.inputProc) return;
  const uint32_t frameBytes = interleavedFrameBytes(unit->inputFormat);
  uint32_t frames = byteCount / frameBytes;
  const auto* p = static_cast<const uint8_t*>(bytes);
  while (frames > 0) {
    const uint32_t n = std::min(frames, unit->maxFrames);
    AudioUnitRenderActionFlags flags = 0;
    const AudioTimeStamp stamp{unit->inputSampleTime, SDL_GetPerformanceCounter()};
    unit->pendingInput = p;
    unit->pendingFrames = n;
    unit->inputCallback.inputProc(unit->inputCallback.inputProcRefCon, &flags, &stamp,
                                  kInputElement, n, nullptr);
    unit->pendingInput = nullptr;
    unit->pendingFrames = 0;
    unit->inputSampleTime += n;
    p += size_t(n) * frameBytes;
    frames -= n;
  }
}

void AudioUnitProcessOutput(AudioUnit unit, void* bytes, uint32_t byteCount) {
  auto* out = static_cast<uint8_t*>(bytes);
  if (!unit || !unit->started || !unit->renderCallback.inputProc || !unit->outputList) {
    std::memset(out, 0, byteCount);
    return;
  }
  const AudioStreamBasicDescription& f = unit->outputFormat;
  const uint32_t frameBytes = interleavedFrameBytes(f);
  const uint32_t sample = bytesPerSample(f);
  const bool planar = isNonInterleaved(f);
  uint32_t frames = byteCount / frameBytes;
  std::memset(out + size_t(frames) * frameBytes, 0, byteCount - frames * frameBytes);
  AudioBufferList* list = unit->outputList;
  while (frames > 0) {
    const uint32_t n = std::min(frames, unit->maxFrames);
    if (planar) {
      for (uint32_t c = 0; c < f.channelsPerFrame; ++c)
        list->buffers[c] = {1, n * sample,
                            unit->outputScratch.data() + size_t(c) * unit->maxFrames * sample};
    } else {
      list->buffers[0] = {f.channelsPerFrame, n * frameBytes, out};
    }
    AudioUnitRenderActionFlags flags = 0;
    const AudioTimeStamp stamp{unit->outputSampleTime, SDL_GetPerformanceCounter()};
    const OSStatus status = unit->renderCallback.inputProc(unit->renderCallback.inputProcRefCon,
                                                           &flags, &stamp, kOutputElement, n, list);
    if (status != noErr) {
      std::memset(out, 0, size_t(n) * frameBytes);
    } else if (planar) {
      for (uint32_t c = 0; c < f.channelsPerFrame; ++c) {
        const auto* in = static_cast<const uint8_t*>(list->buffers[c].data);
        for (uint32_t i = 0; i < n; ++i)
          std::memcpy(out + size_t(i) * frameBytes + c * sample, in + size_t(i) * sample, sample);
      }
    }
    unit->outputSampleTime += n;
    out += size_t(n) * frameBytes;
    frames -= n;
  }
}

}  // namespace platform
