#include "platform/AudioUnitCore.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>

namespace platform {

struct AudioComponentRecord {
  AudioComponentDescription description;
};

namespace unitcore {

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

namespace {

// Process-wide like the audio system it stands in for.
std::atomic<bool> devicelessUnits{false};

std::vector<AudioUnitRecord*>& units() {
  static std::vector<AudioUnitRecord*> live;
  return live;
}

}  // namespace

bool deviceless() {
  return devicelessUnits;
}

std::mutex& registryMutex() {
  static std::mutex mutex;
  return mutex;
}

const std::vector<AudioUnitRecord*>& registry() {
  return units();
}

bool isLive(AudioUnitRecord* unit) {
  std::lock_guard<std::mutex> lock(registryMutex());
  return std::find(units().begin(), units().end(), unit) != units().end();
}

}  // namespace unitcore

using namespace unitcore;

namespace {

// The one component there is: an I/O unit on the backend's devices.
AudioComponentRecord remoteIO{
    {kAudioUnitType_Output, kAudioUnitSubType_RemoteIO, kAudioUnitManufacturer_System, 0, 0}};

// Main thread only, like the app loop that calls them.
std::map<int, AudioInputDevicesObserver>& inputDevicesObservers() {
  static std::map<int, AudioInputDevicesObserver> observers;
  return observers;
}

void freeOutputList(AudioUnitRecord* unit) {
  if (unit->outputList) {
    // The data pointers are borrowed (the device's buffer or outputScratch).
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
  if (!audioBackendReady()) return nullptr;
  return &remoteIO;
}

OSStatus AudioComponentInstanceNew(AudioComponent inComponent,
                                   AudioComponentInstance* outInstance) {
  if (!outInstance) return kAudio_ParamError;
  *outInstance = nullptr;
  if (inComponent != &remoteIO) return kAudio_ParamError;
  auto* unit = new (std::nothrow) AudioUnitRecord;
  if (!unit) return kAudio_ParamError;
  unit->device.reset(newAudioUnitDevice());
  if (!unit->device) {
    delete unit;
    return kAudio_ParamError;
  }
  {
    std::lock_guard<std::mutex> lock(registryMutex());
    units().push_back(unit);
  }
  *outInstance = unit;
  return noErr;
}

OSStatus AudioComponentInstanceDispose(AudioComponentInstance inInstance) {
  if (!inInstance) return kAudio_ParamError;
  AudioUnitUninitialize(inInstance);
  {
    std::lock_guard<std::mutex> lock(registryMutex());
    auto& live = units();
    live.erase(std::remove(live.begin(), live.end(), inInstance), live.end());
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
      // The device side is reported in a nominal format: the backend converts
      // to whatever the app side asks for, so its real format never matters.
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
  if (!deviceless() && !initializeAudioDevices(unit)) return kAudioUnitErr_FailedInitialization;
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
  if (!deviceless() && !openAudioDevices(unit)) {
    AudioOutputUnitStop(unit);
    return kAudioUnitErr_NoConnection;
  }
  // Started before the devices run, which look at it on every block.
  unit->started = true;
  if (!deviceless()) runAudioDevices(unit);
  return noErr;
}

OSStatus AudioOutputUnitStop(AudioUnit unit) {
  if (!unit) return kAudio_ParamError;
  unit->started = false;
  stopAudioDevices(unit);
  unit->lost = false;
  unit->inputLost = false;
  return noErr;
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
  devicelessUnits = on;
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
    const AudioTimeStamp stamp{unit->inputSampleTime, audioHostTime()};
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
    const AudioTimeStamp stamp{unit->outputSampleTime, audioHostTime()};
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
