#pragma once

// What the audio units are on every backend: the component and its instance
// records, the properties with their scopes, elements and statuses, the format
// checks, AudioUnitRender and the slicing of blocks into and out of the
// callbacks (platform/AudioUnitCore.cpp). A backend (platform/desktop,
// platform/web) keeps only what talks to its device API, behind the hooks at
// the end of this file, and its own state of a unit in an AudioUnitDevice.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/AudioUnit.h"

namespace platform {

namespace unitcore {

constexpr uint32_t kInputElement = 1;
constexpr uint32_t kOutputElement = 0;
constexpr uint32_t kDefaultMaximumFramesPerSlice = 1024;
constexpr uint32_t kLargestSlice = 1 << 16;
// The rate a unit's formats start at, and the device side's as reported: the
// backend converts to whatever the app side asks for.
constexpr double kNominalDeviceRate = 44100.0;

AudioStreamBasicDescription monoInt16(double rate);
bool isNonInterleaved(const AudioStreamBasicDescription& f);
inline uint32_t bytesPerSample(const AudioStreamBasicDescription& f) {
  return f.bitsPerChannel / 8;
}
// Bytes of one frame across all channels, interleaved, as devices carry them.
inline uint32_t interleavedFrameBytes(const AudioStreamBasicDescription& f) {
  return bytesPerSample(f) * f.channelsPerFrame;
}
// Linear PCM, 16-bit integer or 32-bit float, 1 to 8 channels.
bool formatSupported(const AudioStreamBasicDescription& f);

// Whether units open no device (AudioUnitSetDevicelessForTesting).
bool deviceless();

}  // namespace unitcore

// A backend's own state of one unit: its devices, buffers and converters.
struct AudioUnitDevice;
struct AudioUnitDeviceDeleter {
  void operator()(AudioUnitDevice* device) const;  // defined by the backend
};

struct AudioUnitRecord {
  bool initialized = false;
  // Read on the audio threads.
  std::atomic<bool> started{false};
  std::atomic<bool> lost{false};       // a device it had open went away: Start opens anew
  std::atomic<bool> inputLost{false};  // ... the input device, or it could not be reopened
  uint32_t inputEnabled = 0;
  uint32_t outputEnabled = 1;
  AudioStreamBasicDescription inputFormat =
      unitcore::monoInt16(unitcore::kNominalDeviceRate);  // element 1, app side
  AudioStreamBasicDescription outputFormat =
      unitcore::monoInt16(unitcore::kNominalDeviceRate);  // element 0, app side
  uint32_t maxFrames = unitcore::kDefaultMaximumFramesPerSlice;
  std::string inputDevice;  // by name; "" for the default
  AURenderCallbackStruct inputCallback{};
  AURenderCallbackStruct renderCallback{};

  // Audio-thread state of the input side: the block being handed out.
  const uint8_t* pendingInput = nullptr;
  uint32_t pendingFrames = 0;
  double inputSampleTime = 0;

  // Audio-thread state of the output side, allocated by Initialize.
  AudioBufferList* outputList = nullptr;
  std::vector<uint8_t> outputScratch;  // per-channel planes for non-interleaved formats
  double outputSampleTime = 0;

  std::unique_ptr<AudioUnitDevice, AudioUnitDeviceDeleter> device;
};

namespace unitcore {

// Every live unit, process-wide: device events name a device, not a unit, so
// a backend looks the unit up here (on any thread, under the lock).
std::mutex& registryMutex();
const std::vector<AudioUnitRecord*>& registry();  // under registryMutex()
bool isLive(AudioUnitRecord* unit);

}  // namespace unitcore

// ---- Hooks: each backend defines these.

// Whether the backend's audio can be used at all (AudioComponentFindNext).
bool audioBackendReady();
// A new unit's device state; null when there is no memory.
AudioUnitDevice* newAudioUnitDevice();
// Checks that the unit's enabled devices can be had (AudioUnitInitialize).
// Not called for deviceless units.
bool initializeAudioDevices(AudioUnitRecord* unit);
// AudioOutputUnitStart, not for deviceless units: opens the enabled devices
// of a unit not yet marked started (on false, the core stops the unit);
// then, once it is marked, sets them running.
bool openAudioDevices(AudioUnitRecord* unit);
void runAudioDevices(AudioUnitRecord* unit);
// Closes them; once it returns, no callback of the unit runs or will run.
void stopAudioDevices(AudioUnitRecord* unit);
// The host time stamped on each slice handed to a callback.
uint64_t audioHostTime();

}  // namespace platform
