#pragma once

#include <memory>
#include <string>

#include "audio/AudioSource.h"
#include "platform/RunLoop.h"
#include "platform/SoundFileReader.h"

// Replays a sound file of any format, rate and channel count the way the file
// source replays the tuner's own recordings: every 0.1 s of the current run
// loop's clock it hands the delegate 0.1 s of frames in the capture format
// (16-bit mono at 22050 Hz), on the thread that started it. Once the file is
// exhausted the ticks go on, with no frames, until stopAudioUnit.
class SoundFileAudioSource : public AudioSource {
 public:
  // The reader must deliver the capture format.
  explicit SoundFileAudioSource(std::unique_ptr<platform::SoundFileReader> reader);
  ~SoundFileAudioSource() override;
  SoundFileAudioSource(const SoundFileAudioSource&) = delete;
  SoundFileAudioSource& operator=(const SoundFileAudioSource&) = delete;

  void setDelegate(AudioSourceDelegate* delegate) override { delegate_ = delegate; }
  int bytesPerFrame() override;
  double sampleRate() override;
  void stopAudioUnit() override;
  void startAudioUnit() override;
  // Allocates the buffer; false when that fails.
  bool createAudioInput() override;

  // Every frame has been delivered.
  bool exhausted() { return reader_->atEnd(); }
  // Why the file ended early, or empty.
  const std::string& readError() const { return reader_->readError(); }

 private:
  void addSampleFrames();

  std::unique_ptr<platform::SoundFileReader> reader_;
  AudioSourceDelegate* delegate_ = nullptr;
  AudioBufferList* bufferList_ = nullptr;
  std::shared_ptr<platform::Timer> readTimer_;
};
