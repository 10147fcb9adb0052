#pragma once

// Audio units on the backend's audio devices (SDL2 on the desktop, WebAudio in
// the browser): one "RemoteIO" component whose instances capture from an input
// device (element 1; the default one unless the unit is given another by
// name) and/or play to the default output device (element 0). The calls,
// property ids, scopes and elements follow the usual audio-unit model so that
// callers read like any audio-unit client; every call returns 0 on success and
// a non-zero status on failure.
//
// Input (element 1): enable it with kAudioOutputUnitProperty_EnableIO on the
// input scope, set the format the app wants on the output scope of element 1,
// and register an input callback (kAudioOutputUnitProperty_SetInputCallback).
// While started, the callback is called on the audio thread (the desktop's;
// the page's main thread in the browser, which has one) with the number
// of frames captured (at most the maximum frames per slice); inside it,
// AudioUnitRender copies exactly those frames into the caller's list.
//
// Output (element 0, enabled by default): set the format the app provides on
// the input scope of element 0 and a render callback
// (kAudioUnitProperty_SetRenderCallback, input scope, element 0). While
// started, the callback is pulled on that same thread with the frame count
// and a list to fill (one buffer, or one per channel when non-interleaved).
//
// The device is opened by AudioOutputUnitStart and closed by
// AudioOutputUnitStop; once Stop returns, no callback is running or will run.
// AudioUnitInitialize checks that the enabled devices can be opened, so a
// machine without a microphone fails there.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/AudioTypes.h"

namespace platform {

using OSStatus = int32_t;
using AudioUnitPropertyID = uint32_t;
using AudioUnitScope = uint32_t;
using AudioUnitElement = uint32_t;
using AudioUnitRenderActionFlags = uint32_t;

struct AudioComponentRecord;
struct AudioUnitRecord;
using AudioComponent = AudioComponentRecord*;
using AudioComponentInstance = AudioUnitRecord*;
using AudioUnit = AudioComponentInstance;

constexpr uint32_t fourCharCode(const char (&c)[5]) {
  return (uint32_t(uint8_t(c[0])) << 24) | (uint32_t(uint8_t(c[1])) << 16) |
         (uint32_t(uint8_t(c[2])) << 8) | uint32_t(uint8_t(c[3]));
}

// Component description
constexpr uint32_t kAudioUnitType_Output = fourCharCode("auou");
constexpr uint32_t kAudioUnitSubType_RemoteIO = fourCharCode("rioc");
constexpr uint32_t kAudioUnitManufacturer_System = fourCharCode("appl");

// Properties
constexpr AudioUnitPropertyID kAudioUnitProperty_SampleRate = 2;
constexpr AudioUnitPropertyID kAudioUnitProperty_StreamFormat = 8;
constexpr AudioUnitPropertyID kAudioUnitProperty_MaximumFramesPerSlice = 14;
constexpr AudioUnitPropertyID kAudioUnitProperty_SetRenderCallback = 23;
constexpr AudioUnitPropertyID kAudioOutputUnitProperty_EnableIO = 2003;
constexpr AudioUnitPropertyID kAudioOutputUnitProperty_SetInputCallback = 2005;

// Scopes
constexpr AudioUnitScope kAudioUnitScope_Global = 0;
constexpr AudioUnitScope kAudioUnitScope_Input = 1;
constexpr AudioUnitScope kAudioUnitScope_Output = 2;

// Stream formats
constexpr uint32_t kAudioFormatLinearPCM = fourCharCode("lpcm");
constexpr uint32_t kAudioFormatFlagIsFloat = 1;
constexpr uint32_t kAudioFormatFlagIsBigEndian = 2;
constexpr uint32_t kAudioFormatFlagIsSignedInteger = 4;
constexpr uint32_t kAudioFormatFlagIsPacked = 8;
constexpr uint32_t kAudioFormatFlagIsNonInterleaved = 32;

// Statuses
constexpr OSStatus noErr = 0;
constexpr OSStatus kAudio_ParamError = -50;
constexpr OSStatus kAudioUnitErr_InvalidProperty = -10879;
constexpr OSStatus kAudioUnitErr_InvalidScope = -10866;
constexpr OSStatus kAudioUnitErr_InvalidElement = -10877;
constexpr OSStatus kAudioUnitErr_InvalidPropertyValue = -10851;
constexpr OSStatus kAudioUnitErr_PropertyNotWritable = -10865;
constexpr OSStatus kAudioUnitErr_FormatNotSupported = -10868;
constexpr OSStatus kAudioUnitErr_Uninitialized = -10867;
constexpr OSStatus kAudioUnitErr_Initialized = -10849;
constexpr OSStatus kAudioUnitErr_CannotDoInCurrentContext = -10863;
constexpr OSStatus kAudioUnitErr_TooManyFramesToProcess = -10874;
constexpr OSStatus kAudioUnitErr_NoConnection = -10876;
constexpr OSStatus kAudioUnitErr_FailedInitialization = -10875;

struct AudioComponentDescription {
  uint32_t componentType;
  uint32_t componentSubType;
  uint32_t componentManufacturer;  // 0 matches any
  uint32_t componentFlags;
  uint32_t componentFlagsMask;
};

// 40 bytes, in this field order.
struct AudioStreamBasicDescription {
  double sampleRate;
  uint32_t formatID;
  uint32_t formatFlags;
  uint32_t bytesPerPacket;
  uint32_t framesPerPacket;
  uint32_t bytesPerFrame;
  uint32_t channelsPerFrame;
  uint32_t bitsPerChannel;
  uint32_t reserved;
};
static_assert(sizeof(AudioStreamBasicDescription) == 40);

struct AudioTimeStamp {
  double sampleTime;  // frames since the unit started
  uint64_t hostTime;  // the backend's clock at the callback (SDL's performance
                      // counter; nanoseconds of performance.now() in the browser)
};

using AURenderCallback = OSStatus (*)(void* inRefCon, AudioUnitRenderActionFlags* ioActionFlags,
                                      const AudioTimeStamp* inTimeStamp, uint32_t inBusNumber,
                                      uint32_t inNumberFrames, AudioBufferList* ioData);

struct AURenderCallbackStruct {
  AURenderCallback inputProc;
  void* inputProcRefCon;
};

// The first component after `inComponent` (null: from the start) that matches
// the description, or null. Brings up the backend's audio on first use; no
// component is found when that fails.
AudioComponent AudioComponentFindNext(AudioComponent inComponent,
                                      const AudioComponentDescription* inDesc);
OSStatus AudioComponentInstanceNew(AudioComponent inComponent, AudioComponentInstance* outInstance);
OSStatus AudioComponentInstanceDispose(AudioComponentInstance inInstance);

OSStatus AudioUnitSetProperty(AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitScope inScope,
                              AudioUnitElement inElement, const void* inData, uint32_t inDataSize);
// ioDataSize: in, the room at outData; out, the bytes written.
OSStatus AudioUnitGetProperty(AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitScope inScope,
                              AudioUnitElement inElement, void* outData, uint32_t* ioDataSize);

OSStatus AudioUnitInitialize(AudioUnit inUnit);
OSStatus AudioUnitUninitialize(AudioUnit inUnit);
OSStatus AudioOutputUnitStart(AudioUnit inUnit);
OSStatus AudioOutputUnitStop(AudioUnit inUnit);

// Only valid inside the unit's input callback, on its thread: copies the
// frames just captured (bus 1, inNumberFrames as passed to the callback) into
// the first buffer of ioData and sets its byte size. Fails when nothing was
// captured, when the bus or frame count differ from the callback's, or when
// the buffer is too small.
OSStatus AudioUnitRender(AudioUnit inUnit, AudioUnitRenderActionFlags* ioActionFlags,
                         const AudioTimeStamp* inTimeStamp, uint32_t inOutputBusNumber,
                         uint32_t inNumberFrames, AudioBufferList* ioData);

// What the backend's capture callback does with each block it receives: hands it to
// the input callback in slices of at most the maximum frames per slice.
// `bytes` is in the unit's input format. Exposed so that tests can feed a
// unit without a device.
void AudioUnitProcessInput(AudioUnit inUnit, const void* bytes, uint32_t byteCount);

// What the backend's playback callback does: pulls the render callback to fill
// `bytes` (in the unit's output format), silence where it fails.
void AudioUnitProcessOutput(AudioUnit inUnit, void* bytes, uint32_t byteCount);

// Input devices, by name: the names SDL gives them (on PulseAudio a source's
// description; the monitors of outputs are not offered). "" stands for the
// system's default input device. The browser lists none: it chooses the
// microphone itself.

// The input devices there are now, in the sound system's order; nothing at
// all (not even an empty list) when audio cannot start. Brings up the
// backend's audio on first use.
std::optional<std::vector<std::string>> AudioInputDeviceNames();

// Observers of the input devices, called on the main thread after one came or
// went - the one a started unit captures from included. The app loop calls
// AudioInputDevicesChanged() for the backend's device events; a program without it
// gets no calls. Returns a number for removing the observer again.
using AudioInputDevicesObserver = std::function<void()>;
int AudioInputDevicesAddObserver(AudioInputDevicesObserver observer);
void AudioInputDevicesRemoveObserver(int observer);
void AudioInputDevicesChanged();

// Chooses the unit's input device by name ("" for the default, which a new
// unit has). A started unit moves at once: it is stopped and started again on
// the new device, and the status is the start's (on a failure the unit is
// stopped, as AudioOutputUnitStart leaves it). A stopped unit opens it on its
// next start.
OSStatus AudioUnitSetInputDevice(AudioUnit inUnit, const std::string& name);

// Whether the started unit's input device went away (or could not be opened
// again after a stalled start): capture is silent until the unit is started
// again or given a device.
bool AudioUnitInputDeviceLost(AudioUnit inUnit);

// For tests: when on, units open no device (Initialize checks nothing,
// Start and Stop only change state), so that blocks arrive only through
// AudioUnitProcessInput / AudioUnitProcessOutput.
void AudioUnitSetDevicelessForTesting(bool on);

}  // namespace platform
