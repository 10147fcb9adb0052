#pragma once

#include <memory>
#include <string>

#include "audio/AiffIO.h"
#include "audio/AudioSource.h"
#include "platform/RunLoop.h"

// Replays an AIFF/AIFC file at real-time pace: every 0.1 s of the current run
// loop's clock it reads 0.1 s of frames and hands them to the delegate, on the
// thread that started it. Once the file is exhausted the ticks go on, with no
// frames, until stopAudioUnit.
class AiffAudioSource : public AudioSource {
 public:
  // Reads the file at `path`.
  explicit AiffAudioSource(std::string path);
  ~AiffAudioSource() override;
  AiffAudioSource(const AiffAudioSource&) = delete;
  AiffAudioSource& operator=(const AiffAudioSource&) = delete;

  void setDelegate(AudioSourceDelegate* delegate) override { this->delegate = delegate; }
  int bytesPerFrame() override { return 2; }
  double sampleRate() override { return sampleRate_; }
  void stopAudioUnit() override;
  void startAudioUnit() override;
  // Opens and parses the file and allocates the buffer. Only 16-bit mono
  // files are accepted; anything else fails with a logged reason.
  bool createAudioInput() override;

  // The read timer's action: delivers up to 0.1 s of frames.
  void addSampleFrames();

  // Why createAudioInput failed, for tools that report it themselves.
  const std::string& failureReason() const { return failureReason_; }
  const aiff_data* file() const { return aiffFile; }

 private:
  void allocateAudioBuffersForChannels(int count, int size);
  bool fail(const std::string& reason);
  void closeFile();

  aiff_data* aiffFile = nullptr;
  AudioSourceDelegate* delegate = nullptr;
  AudioBufferList* bufferList = nullptr;
  int audioBufferSize = 0;
  double sampleRate_ = 0;
  unsigned bytesPerFrame_ = 0;
  std::shared_ptr<platform::Timer> readTimer;

  std::string path_;
  bool swapSamples = false;
  std::string failureReason_;
};
