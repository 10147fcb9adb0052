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

#include <emscripten.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "platform/AudioUnitCore.h"
#include "platform/Log.h"
#include "platform/web/Resampler.h"

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

using namespace unitcore;

namespace {

// The microphone as WebAudio.js knows it.
enum MicrophoneState { kNotAsked = 0, kAsking = 1, kGranted = 2, kMissing = 3, kRefused = 4 };

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

}  // namespace

// The way from the browser to the unit's format, and back.
struct AudioUnitDevice {
  std::vector<float> browserInput;  // planar, as WebAudio.js writes it
  std::vector<Resampler> inputResamplers;
  std::vector<std::vector<float>> inputPlanes;
  std::vector<uint8_t> inputBytes;

  // The resampled output frames not yet asked for.
  std::vector<uint8_t> outputBytes;
  std::vector<float> outputSamples;
  std::vector<Resampler> outputResamplers;
  std::vector<std::vector<float>> outputPlanes;
  std::vector<float> browserOutput;  // planar, as WebAudio.js reads it
};

void AudioUnitDeviceDeleter::operator()(AudioUnitDevice* device) const {
  delete device;
}

namespace {

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

}  // namespace

bool audioBackendReady() {
  if (!deviceless() && !webAudioAvailable()) {
    Log("This browser has no Web Audio: no sound in or out");
    return false;
  }
  return true;
}

AudioUnitDevice* newAudioUnitDevice() {
  return new (std::nothrow) AudioUnitDevice;
}

bool initializeAudioDevices(AudioUnitRecord* unit) {
  if (!webAudioAvailable()) return false;
  if (unit->inputEnabled) {
    const int state = quillon_web_microphone_state();
    if (refused(state)) {
      askAgainIfMissing(state);
      return false;
    }
    // The answer comes later; until it is a no, the microphone counts as there.
    if (state == kNotAsked) quillon_web_microphone_request();
  }
  return true;
}

// The page may answer from inside these calls (a page that is not secure has
// no microphone): the unit is not marked started yet, so it does not count as
// lost, and its owner hears of the refusal from the observers all the same.
bool openAudioDevices(AudioUnitRecord* unit) {
  AudioUnitDevice& d = *unit->device;
  d.inputResamplers.clear();
  d.outputResamplers.clear();
  d.outputPlanes.clear();
  if (unit->inputEnabled) {
    const int state = quillon_web_microphone_state();
    if (refused(state)) {
      askAgainIfMissing(state);
      return false;
    }
    quillon_web_capture_start(unit, int(unit->inputFormat.channelsPerFrame));
  }
  if (unit->outputEnabled)
    quillon_web_playback_start(unit, int(unit->outputFormat.channelsPerFrame));
  return true;
}

// Blocks come from the nodes' messages, handled once the start has returned.
void runAudioDevices(AudioUnitRecord*) {}

void stopAudioDevices(AudioUnitRecord* unit) {
  if (deviceless()) return;
  quillon_web_capture_stop(unit);
  quillon_web_playback_stop(unit);
}

uint64_t audioHostTime() {
  return static_cast<uint64_t>(emscripten_get_now() * 1e6);  // ns of performance.now()
}

std::optional<std::vector<std::string>> AudioInputDeviceNames() {
  // The browser chooses the microphone (and asks the user), so there is no
  // list to offer: the default is all there is.
  if (!webAudioAvailable()) return std::nullopt;
  return std::vector<std::string>();
}

}  // namespace platform

using platform::AudioUnitRecord;

// ---- Called from WebAudio.js, on the main thread

// Room for `frames` frames of each captured channel, planar.
extern "C" EMSCRIPTEN_KEEPALIVE float* quillon_web_capture_buffer(AudioUnitRecord* unit,
                                                                  int frames) {
  if (!platform::unitcore::isLive(unit) || frames <= 0) return nullptr;
  platform::AudioUnitDevice& d = *unit->device;
  d.browserInput.resize(size_t(frames) * unit->inputFormat.channelsPerFrame);
  return d.browserInput.data();
}

// The block written there, at the browser's `rate`: to the unit's format and
// rate, then to the input callback.
extern "C" EMSCRIPTEN_KEEPALIVE void quillon_web_capture_deliver(AudioUnitRecord* unit, int frames,
                                                                 double rate) {
  using namespace platform;
  using namespace platform::unitcore;
  if (!isLive(unit) || !unit->started || frames <= 0) return;
  AudioUnitDevice& d = *unit->device;
  const AudioStreamBasicDescription& f = unit->inputFormat;
  const uint32_t channels = f.channelsPerFrame;
  if (d.browserInput.size() < size_t(frames) * channels) return;
  if (d.inputResamplers.empty() || d.inputResamplers[0].inputRate() != rate) {
    d.inputResamplers.assign(channels, Resampler(rate, f.sampleRate));
    d.inputPlanes.assign(channels, {});
  }
  for (uint32_t c = 0; c < channels; ++c) {
    d.inputPlanes[c].clear();
    d.inputResamplers[c].process(d.browserInput.data() + size_t(c) * frames, size_t(frames),
                                 d.inputPlanes[c]);
  }
  const size_t out = d.inputPlanes[0].size();
  const uint32_t sample = bytesPerSample(f);
  d.inputBytes.resize(out * interleavedFrameBytes(f));
  uint8_t* p = d.inputBytes.data();
  for (size_t i = 0; i < out; ++i)
    for (uint32_t c = 0; c < channels; ++c, p += sample) writeSample(f, d.inputPlanes[c][i], p);
  AudioUnitProcessInput(unit, d.inputBytes.data(), uint32_t(d.inputBytes.size()));
}

// `frames` frames of each output channel at the browser's `rate`, planar,
// pulled from the render callback; null when the unit does not play.
extern "C" EMSCRIPTEN_KEEPALIVE float* quillon_web_playback_render(AudioUnitRecord* unit,
                                                                   int frames, double rate) {
  using namespace platform;
  using namespace platform::unitcore;
  if (!isLive(unit) || !unit->started || !unit->outputList || frames <= 0) return nullptr;
  AudioUnitDevice& d = *unit->device;
  const AudioStreamBasicDescription& f = unit->outputFormat;
  const uint32_t channels = f.channelsPerFrame;
  if (d.outputResamplers.empty() || d.outputResamplers[0].outputRate() != rate) {
    d.outputResamplers.assign(channels, Resampler(f.sampleRate, rate));
    d.outputPlanes.assign(channels, {});
  }
  const uint32_t frameBytes = interleavedFrameBytes(f);
  const uint32_t sample = bytesPerSample(f);
  while (d.outputPlanes[0].size() < size_t(frames)) {
    d.outputBytes.resize(size_t(unit->maxFrames) * frameBytes);
    AudioUnitProcessOutput(unit, d.outputBytes.data(), uint32_t(d.outputBytes.size()));
    d.outputSamples.resize(unit->maxFrames);
    for (uint32_t c = 0; c < channels; ++c) {
      for (uint32_t i = 0; i < unit->maxFrames; ++i)
        d.outputSamples[i] = readSample(f, d.outputBytes.data() + i * frameBytes + c * sample);
      d.outputResamplers[c].process(d.outputSamples.data(), unit->maxFrames, d.outputPlanes[c]);
    }
  }
  d.browserOutput.resize(size_t(frames) * channels);
  for (uint32_t c = 0; c < channels; ++c) {
    auto& plane = d.outputPlanes[c];
    std::copy(plane.begin(), plane.begin() + frames, d.browserOutput.begin() + size_t(c) * frames);
    plane.erase(plane.begin(), plane.begin() + frames);
  }
  return d.browserOutput.data();
}

// The browser's answer about the microphone, or its loss. Observers hear of
// a change, or of a unit that lost its microphone now; not of a request
// that failed again, which would only make the owner ask once more at once.
extern "C" EMSCRIPTEN_KEEPALIVE void quillon_web_microphone_changed() {
  using namespace platform;
  using namespace platform::unitcore;
  const int state = quillon_web_microphone_state();
  const bool unusable = refused(state);
  bool news = unusable != microphoneUnusable;
  microphoneUnusable = unusable;
  if (unusable) {
    std::lock_guard<std::mutex> lock(registryMutex());
    for (AudioUnitRecord* unit : registry()) {
      if (!unit->started || !unit->inputEnabled || unit->inputLost) continue;
      // Lost, so that the next start connects anew.
      unit->lost = true;
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
