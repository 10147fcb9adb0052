#pragma once

#include <cstdint>

#include "audio/AudioSource.h"
#include "platform/AudioUnit.h"

struct aiff_data;

// Recording of everything captured to "audio.aiff" in the documents
// directory. On when built with QUILLON_WRITE_AIFF; tests may flip it.
// Both are process-wide rather than members: there is one recording file, and
// a source started while another records must append to it, not reopen it.
extern bool writeAiff;
// The open recording, or null. Set before the unit starts and cleared after it
// has stopped, so the audio thread never sees a closed record.
extern aiff_data* aiffFile;

// The microphone: 16-bit signed mono frames at the capture rate
// (common/CaptureFormat.h) from the platform's
// input unit, handed to the delegate on the audio thread.
class AURemoteIOInputSource : public AudioSource {
 public:
  AURemoteIOInputSource() = default;
  ~AURemoteIOInputSource() override;
  AURemoteIOInputSource(const AURemoteIOInputSource&) = delete;
  AURemoteIOInputSource& operator=(const AURemoteIOInputSource&) = delete;

  platform::AudioUnit audioUnit() const { return ci; }
  double sampleRate() override { return sampleRate_; }
  int bytesPerFrame() override { return static_cast<int>(bytesPerFrame_); }
  void setDelegate(AudioSourceDelegate* delegate) override { this->delegate = delegate; }

  AudioBufferList* makeAudioBuffersForChannels(int count, int size);
  // Stores a new list as bufferList; logs and leaves it null when that fails.
  void allocateAudioBuffersForChannels(int count, int size);

  // Sets the unit up; false at the first failing step (no microphone, say).
  bool createAudioInput() override;
  void startAudioUnit() override;
  void stopAudioUnit() override;
  void setInputDevice(const std::string& name) override;
  bool inputDeviceFailed() override;

  // Hands the list, holding frameCount frames, to the delegate.
  void addSampledFrames(int frameCount);

  AudioBufferList* bufferList() const { return bufferList_; }
  // Takes ownership; the first buffer's byte size as given is its capacity.
  void setBufferList(AudioBufferList* list);
  // Bytes the first buffer can hold, whatever the last render left in it.
  uint32_t bufferCapacity() const { return bufferCapacity_; }

 private:
  platform::AudioUnit ci = nullptr;
  AudioSourceDelegate* delegate = nullptr;
  AudioBufferList* bufferList_ = nullptr;
  double sampleRate_ = 0;
  unsigned int bytesPerFrame_ = 0;
  uint32_t bufferCapacity_ = 0;
  bool started_ = false;      // between startAudioUnit and stopAudioUnit
  bool startFailed_ = false;  // the unit's last start (or move) found no device
};

// The unit's input callback; inRefCon is the source.
platform::OSStatus RenderCallback(void* inRefCon,
                                  platform::AudioUnitRenderActionFlags* ioActionFlags,
                                  const platform::AudioTimeStamp* inTimeStamp, uint32_t inBusNumber,
                                  uint32_t inNumberFrames, AudioBufferList* ioData);
