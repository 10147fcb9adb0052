#pragma once

#include <string>

#include "platform/AudioTypes.h"

// Receives captured frames. Called on whatever thread the source delivers on
// (the audio thread for the microphone); the list is only valid during the
// call, so a receiver copies what it keeps.
class AudioSourceDelegate {
 public:
  virtual ~AudioSourceDelegate() = default;
  virtual void addSampledFrames(AudioBufferList* bufferList, int frameCount) = 0;
};

// Where frames come from: the microphone or a recorded file.
class AudioSource {
 public:
  virtual ~AudioSource() = default;
  virtual void setDelegate(AudioSourceDelegate* delegate) = 0;  // not owned
  virtual int bytesPerFrame() = 0;
  virtual double sampleRate() = 0;
  virtual void stopAudioUnit() = 0;
  virtual void startAudioUnit() = 0;
  virtual bool createAudioInput() = 0;

  // Capture from the input device of that name from now on ("" for the
  // system's default); a started source moves at once. Sources that capture
  // nothing (a file) have no device and ignore it.
  virtual void setInputDevice(const std::string& name) { (void)name; }
  // Whether the source, started, has no device delivering: it went away, or
  // could not be opened. It delivers nothing until given a device again.
  virtual bool inputDeviceFailed() { return false; }
};

// `count` buffers of one channel and `size` zero-filled bytes each, or null
// when any allocation fails (nothing is left allocated then).
AudioBufferList* makeAudioBuffersForChannels(int count, int size);
// Frees every data block and the list; null is fine.
void freeAudioBuffers(AudioBufferList* list);
