// Audio units in the browser, on WebAudio (the JavaScript half is
// platform/web/WebAudio.js). The calls, properties, formats and statuses are
// the desktop's (platform/AudioUnit.h); what differs is where blocks come
// from and go to.
//
// Handles: input element 1 from the microphone (getUserMedia with echo
// cancellation, noise suppression and automatic gain control off), brought
// from the browser's rate to the format the caller sets and handed to the
// input callback in slices of at most the maximum frames per slice; output
// element 0, whose render callback is pulled ahead of a playback node by
// about 0.15 s and brought to the browser's rate.
// Does not handle: choosing an input device (the browser chooses; the list
// is empty and every name means the default), and threads: the wasm runs on
// the page's main thread only, so both callbacks run there, from the
// messages the audio nodes post, never on an audio thread. A block therefore
// waits for the main thread, which only delays it.
//
// For the page (see WebAudio.js):
// - Browsers start sound only after a user gesture. Pointer, touch and key
//   events on the window resume the context by themselves; a page with a
//   gesture of its own calls Module.quillonAudioResume(). Chrome also lets a
//   page start once the microphone is granted.
// - When the microphone is refused, missing or stops, the page's
//   Module.quillonMicrophoneError(message) is called with one line to show
//   ("The microphone is blocked: allow it for this page to tune."), and with
//   '' once it works again; the line is also logged. Output units and tone
//   mode keep working.
//
// The microphone is asked for by the first AudioUnitInitialize of an input
// unit, and the answer comes later: Initialize and Start fail (with
// kAudioUnitErr_FailedInitialization / kAudioUnitErr_NoConnection) only once
// the browser has said no. A unit started before the answer is a no becomes
// lost (AudioUnitInputDeviceLost) and its owner hears of it from the input
// device observers, as of a device gone away on the desktop. A start after a
// microphone went missing asks again; after a refusal the browser would not
// ask the user again, so neither do we.

#include "platform/AudioUnit.h"

#include <emscripten.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "platform/Log.h"
#include "platform/web/Resampler.h"

namespace platform {
struct AudioUnitRecord;
}

// WebAudio.js
extern "C" {
double quillon_web_audio_rate();
int quillon_web_microphone_state();
void quillon_web_microphone_error(char* buffer, int size);
void quillon_web_microphone_request();
void quillon_web_capture_start(platform::AudioUnitRecord* unit, int channels);
void quillon_web_capture_stop(platform::AudioUnitRecord* unit);
void quillon_web_playback_start(platform::AudioUnitRecord* unit, int channels);
void quillon_web_playback_stop(platform::AudioUnitRecord* unit);
}

namespace platform {

struct AudioComponentRecord {
  AudioComponentDescription description;
};

namespace {

AudioComponentRecord remoteIO{
    {kAudioUnitType_Output, kAudioUnitSubType_RemoteIO, kAudioUnitManufacturer_System, 0, 0}};

constexpr uint32_t kInputElement = 1;
constexpr uint32_t kOutputElement = 0;
constexpr uint32_t kDefaultMaximumFramesPerSlice = 1024;
constexpr uint32_t kLargestSlice = 1 << 16;
constexpr double kNominalDeviceRate = 44100.0;

// The microphone as WebAudio.js knows it.
enum MicrophoneState { kNotAsked = 0, kAsking = 1, kGranted = 2, kMissing = 3, kRefused = 4 };

bool deviceless = false;

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

// Bytes of one frame across all channels, interleaved: what the nodes carry.
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

// One sample of the format from a float in [-1, 1], and back.
void writeSample(const AudioStreamBasicDescription& f, float value, uint8_t* out) {
  uint8_t bytes[4];
  if (f.formatFlags & kAudioFormatFlagIsFloat) {
    std::memcpy(bytes, &value, 4);
  } else {
    const float scaled = std::clamp(value * 32768.0f, -32768.0f, 32767.0f);
    const int16_t s = static_cast<int16_t>(std::lrint(scaled));
    std::memcpy(bytes, &s, 2);
  }
  const uint32_t n = bytesPerSample(f);
  const bool big = (f.formatFlags & kAudioFormatFlagIsBigEndian) != 0;  // wasm is little-endian
  for (uint32_t i = 0; i < n; ++i) out[i] = big ? bytes[n - 1 - i] : bytes[i];
}

float readSample(const AudioStreamBasicDescription& f, const uint8_t* in) {
  uint8_t bytes[4];
  const uint32_t n = bytesPerSample(f);
  const bool big = (f.formatFlags & kAudioFormatFlagIsBigEndian) != 0;
  for (uint32_t i = 0; i < n; ++i) bytes[i] = big ? in[n - 1 - i] : in[i];
  if (f.formatFlags & kAudioFormatFlagIsFloat) {
    float v;
    std::memcpy(&v, bytes, 4);
    return v;
  }
  int16_t s;
  std::memcpy(&s, bytes, 2);
  return float(s) / 32768.0f;
}

uint64_t hostTime() {
  return static_cast<uint64_t>(emscripten_get_now() * 1e6);  // ns of performance.now()
}

}  // namespace

struct AudioUnitRecord {
  bool initialized = false;
  bool started = false;
  bool inputLost = false;  // the microphone was refused or stopped while started
  uint32_t inputEnabled = 0;
  uint32_t outputEnabled = 1;
  AudioStreamBasicDescription inputFormat = monoInt16(kNominalDeviceRate);   // element 1, app side
  AudioStreamBasicDescription outputFormat = monoInt16(kNominalDeviceRate);  // element 0, app side
  uint32_t maxFrames = kDefaultMaximumFramesPerSlice;
  std::string inputDevice;  // kept for the caller; the browser chooses
  AURenderCallbackStruct inputCallback{};
  AURenderCallbackStruct renderCallback{};

  // Input: the block being handed out, and the way there from the browser.
  const uint8_t* pendingInput = nullptr;
  uint32_t pendingFrames = 0;
  double inputSampleTime = 0;
  std::vector<float> browserInput;  // planar, as WebAudio.js writes it
  std::vector<Resampler> inputResamplers;
  std::vector<std::vector<float>> inputPlanes;
  std::vector<uint8_t> inputBytes;

  // Output: allocated by Initialize; the resampled frames not yet asked for.
  AudioBufferList* outputList = nullptr;
  std::vector<uint8_t> outputScratch;  // per-channel planes for non-interleaved formats
  double outputSampleTime = 0;
  std::vector<uint8_t> outputBytes;
  std::vector<float> outputSamples;
  std::vector<Resampler> outputResamplers;
  std::vector<std::vector<float>> outputPlanes;
  std::vector<float> browserOutput;  // planar, as WebAudio.js reads it
};

namespace {

std::vector<AudioUnitRecord*>& registry() {
  static std::vector<AudioUnitRecord*> units;
  return units;
}

bool isLive(AudioUnitRecord* unit) {
  const auto& units = registry();
  return std::find(units.begin(), units.end(), unit) != units.end();
}

std::map<int, AudioInputDevicesObserver>& inputDevicesObservers() {
  static std::map<int, AudioInputDevicesObserver> observers;
  return observers;
}

// Whether the last word from the browser was that the microphone cannot be
// used: observers hear of changes of this, not of every answer (a request
// that fails again changes nothing).
bool microphoneUnusable = false;

bool refused(int state) {
  return state == kMissing || state == kRefused;
}

// After a microphone went missing, ask again: one may be there now.
void askAgainIfMissing(int state) {
  if (state == kMissing) quillon_web_microphone_request();
}

bool webAudioAvailable() {
  return quillon_web_audio_rate() > 0.0;
}

void freeOutputList(AudioUnitRecord* unit) {
  free(unit->outputList);  // the data pointers are borrowed
  unit->outputList = nullptr;
  unit->outputScratch.clear();
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
  if (!deviceless && !webAudioAvailable()) {
    Log("This browser has no Web Audio: no sound in or out");
    return nullptr;
  }
  return &remoteIO;
}

OSStatus AudioComponentInstanceNew(AudioComponent inComponent,
                                   AudioComponentInstance* outInstance) {
  if (!outInstance) return kAudio_ParamError;
  *outInstance = nullptr;
  if (inComponent != &remoteIO) return kAudio_ParamError;
  auto* unit = new (std::nothrow) AudioUnitRecord;
  if (!unit) return kAudio_ParamError;
  registry().push_back(unit);
  *outInstance = unit;
  return noErr;
}

OSStatus AudioComponentInstanceDispose(AudioComponentInstance inInstance) {
  if (!inInstance) return kAudio_ParamError;
  AudioUnitUninitialize(inInstance);
  auto& units = registry();
  units.erase(std::remove(units.begin(), units.end(), inInstance), units.end());
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
    case kAudioUnitProperty_StreamFormat:
    case kAudioUnitProperty_SampleRate: {
      const bool whole = id == kAudioUnitProperty_StreamFormat;
      if (size != (whole ? sizeof(AudioStreamBasicDescription) : sizeof(double)))
        return kAudio_ParamError;
      if (whole && element > kInputElement) return kAudioUnitErr_InvalidElement;
      if (whole && scope != kAudioUnitScope_Input && scope != kAudioUnitScope_Output)
        return kAudioUnitErr_InvalidScope;
      AudioStreamBasicDescription* target = appFormat(unit, scope, element);
      if (!target) return kAudioUnitErr_PropertyNotWritable;  // the browser's side
      if (unit->initialized) return kAudioUnitErr_Initialized;
      AudioStreamBasicDescription f = *target;
      if (whole)
        std::memcpy(&f, data, sizeof f);
      else
        std::memcpy(&f.sampleRate, data, sizeof(double));
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
      if (unit->started) return kAudioUnitErr_CannotDoInCurrentContext;
      std::memcpy(input ? &unit->inputCallback : &unit->renderCallback, data,
                  sizeof(AURenderCallbackStruct));
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
      // The browser's side is reported in a nominal format, as on the
      // desktop: the unit converts to whatever the app side asks for.
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
    if (!webAudioAvailable()) return kAudioUnitErr_FailedInitialization;
    if (unit->inputEnabled) {
      const int state = quillon_web_microphone_state();
      if (refused(state)) {
        askAgainIfMissing(state);
        return kAudioUnitErr_FailedInitialization;
      }
      // The answer comes later; until it is a no, the microphone counts as there.
      if (state == kNotAsked) quillon_web_microphone_request();
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
  if (unit->started && !unit->inputLost) return noErr;
  if (unit->started) AudioOutputUnitStop(unit);  // a lost microphone: connect anew
  unit->inputSampleTime = 0;
  unit->outputSampleTime = 0;
  unit->inputResamplers.clear();
  unit->outputResamplers.clear();
  unit->outputPlanes.clear();
  if (!deviceless) {
    if (unit->inputEnabled) {
      const int state = quillon_web_microphone_state();
      if (refused(state)) {
        askAgainIfMissing(state);
        return kAudioUnitErr_NoConnection;
      }
      quillon_web_capture_start(unit, int(unit->inputFormat.channelsPerFrame));
    }
    if (unit->outputEnabled)
      quillon_web_playback_start(unit, int(unit->outputFormat.channelsPerFrame));
  }
  unit->started = true;
  return noErr;
}

OSStatus AudioOutputUnitStop(AudioUnit unit) {
  if (!unit) return kAudio_ParamError;
  unit->started = false;
  unit->inputLost = false;
  if (!deviceless) {
    quillon_web_capture_stop(unit);
    quillon_web_playback_stop(unit);
  }
  return noErr;
}

std::optional<std::vector<std::string>> AudioInputDeviceNames() {
  // The browser chooses the microphone (and asks the user), so there is no
  // list to offer: the default is all there is.
  if (!webAudioAvailable()) return std::nullopt;
  return std::vector<std::string>();
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
    const AudioTimeStamp stamp{unit->inputSampleTime, hostTime()};
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
    const AudioTimeStamp stamp{unit->outputSampleTime, hostTime()};
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

using platform::AudioUnitRecord;

// ---- Called from WebAudio.js, on the main thread

// Room for `frames` frames of each captured channel, planar.
extern "C" EMSCRIPTEN_KEEPALIVE float* quillon_web_capture_buffer(AudioUnitRecord* unit,
                                                                  int frames) {
  if (!platform::isLive(unit) || frames <= 0) return nullptr;
  unit->browserInput.resize(size_t(frames) * unit->inputFormat.channelsPerFrame);
  return unit->browserInput.data();
}

// The block written there, at the browser's `rate`: to the unit's format and
// rate, then to the input callback.
extern "C" EMSCRIPTEN_KEEPALIVE void quillon_web_capture_deliver(AudioUnitRecord* unit, int frames,
                                                                 double rate) {
  using namespace platform;
  if (!isLive(unit) || !unit->started || frames <= 0) return;
  const AudioStreamBasicDescription& f = unit->inputFormat;
  const uint32_t channels = f.channelsPerFrame;
  if (unit->browserInput.size() < size_t(frames) * channels) return;
  if (unit->inputResamplers.empty() || unit->inputResamplers[0].inputRate() != rate) {
    unit->inputResamplers.assign(channels, Resampler(rate, f.sampleRate));
    unit->inputPlanes.assign(channels, {});
  }
  for (uint32_t c = 0; c < channels; ++c) {
    unit->inputPlanes[c].clear();
    unit->inputResamplers[c].process(unit->browserInput.data() + size_t(c) * frames, size_t(frames),
                                     unit->inputPlanes[c]);
  }
  const size_t out = unit->inputPlanes[0].size();
  const uint32_t sample = bytesPerSample(f);
  unit->inputBytes.resize(out * interleavedFrameBytes(f));
  uint8_t* p = unit->inputBytes.data();
  for (size_t i = 0; i < out; ++i)
    for (uint32_t c = 0; c < channels; ++c, p += sample) writeSample(f, unit->inputPlanes[c][i], p);
  AudioUnitProcessInput(unit, unit->inputBytes.data(), uint32_t(unit->inputBytes.size()));
}

// `frames` frames of each output channel at the browser's `rate`, planar,
// pulled from the render callback; null when the unit does not play.
extern "C" EMSCRIPTEN_KEEPALIVE float* quillon_web_playback_render(AudioUnitRecord* unit,
                                                                   int frames, double rate) {
  using namespace platform;
  if (!isLive(unit) || !unit->started || !unit->outputList || frames <= 0) return nullptr;
  const AudioStreamBasicDescription& f = unit->outputFormat;
  const uint32_t channels = f.channelsPerFrame;
  if (unit->outputResamplers.empty() || unit->outputResamplers[0].outputRate() != rate) {
    unit->outputResamplers.assign(channels, Resampler(f.sampleRate, rate));
    unit->outputPlanes.assign(channels, {});
  }
  const uint32_t frameBytes = interleavedFrameBytes(f);
  const uint32_t sample = bytesPerSample(f);
  while (unit->outputPlanes[0].size() < size_t(frames)) {
    unit->outputBytes.resize(size_t(unit->maxFrames) * frameBytes);
    AudioUnitProcessOutput(unit, unit->outputBytes.data(), uint32_t(unit->outputBytes.size()));
    unit->outputSamples.resize(unit->maxFrames);
    for (uint32_t c = 0; c < channels; ++c) {
      for (uint32_t i = 0; i < unit->maxFrames; ++i)
        unit->outputSamples[i] =
            readSample(f, unit->outputBytes.data() + i * frameBytes + c * sample);
      unit->outputResamplers[c].process(unit->outputSamples.data(), unit->maxFrames,
                                        unit->outputPlanes[c]);
    }
  }
  unit->browserOutput.resize(size_t(frames) * channels);
  for (uint32_t c = 0; c < channels; ++c) {
    auto& plane = unit->outputPlanes[c];
    std::copy(plane.begin(), plane.begin() + frames,
              unit->browserOutput.begin() + size_t(c) * frames);
    plane.erase(plane.begin(), plane.begin() + frames);
  }
  return unit->browserOutput.data();
}

// The browser's answer about the microphone, or its loss. Observers hear of
// a change, or of a unit that lost its microphone now; not of a request
// that failed again, which would only make the owner ask once more at once.
extern "C" EMSCRIPTEN_KEEPALIVE void quillon_web_microphone_changed() {
  using namespace platform;
  const int state = quillon_web_microphone_state();
  const bool unusable = refused(state);
  bool news = unusable != microphoneUnusable;
  microphoneUnusable = unusable;
  if (unusable) {
    for (AudioUnitRecord* unit : registry()) {
      if (!unit->started || !unit->inputEnabled || unit->inputLost) continue;
      unit->inputLost = true;
      news = true;
    }
  }
  if (!news) return;
  if (unusable) {
    char message[256];
    quillon_web_microphone_error(message, sizeof message);
    Log("%s", message);
  }
  AudioInputDevicesChanged();
}

// A device came or went: owners of a unit that lost the microphone start it
// again, which asks for one again.
extern "C" EMSCRIPTEN_KEEPALIVE void quillon_web_audio_devices_changed() {
  platform::AudioInputDevicesChanged();
}
