#include "tools/analyse/SoundFileAudioSource.h"

#include "common/CaptureFormat.h"

namespace {
constexpr double kReadInterval = 0.1;
constexpr int kFramesPerRead = static_cast<int>(kCaptureSampleRate * kReadInterval);
}  // namespace

SoundFileAudioSource::SoundFileAudioSource(std::unique_ptr<platform::SoundFileReader> reader)
    : reader_(std::move(reader)) {}

SoundFileAudioSource::~SoundFileAudioSource() {
  stopAudioUnit();
  freeAudioBuffers(bufferList_);
}

int SoundFileAudioSource::bytesPerFrame() {
  return kCaptureBytesPerFrame;
}
double SoundFileAudioSource::sampleRate() {
  return kCaptureSampleRate;
}

bool SoundFileAudioSource::createAudioInput() {
  freeAudioBuffers(bufferList_);
  bufferList_ = makeAudioBuffersForChannels(1, kFramesPerRead * kCaptureBytesPerFrame);
  return bufferList_ != nullptr;
}

void SoundFileAudioSource::startAudioUnit() {
  if (readTimer_) return;
  readTimer_ = platform::Timer::timerWithTimeInterval(
      kReadInterval, [this](platform::Timer&) { addSampleFrames(); });
  platform::RunLoop::currentRunLoop().addTimer(readTimer_);
}

void SoundFileAudioSource::stopAudioUnit() {
  if (!readTimer_) return;
  readTimer_->invalidate();
  readTimer_.reset();
}

void SoundFileAudioSource::addSampleFrames() {
  if (!bufferList_) return;
  AudioBuffer& buffer = bufferList_->buffers[0];
  const int n = reader_->read(static_cast<int16_t*>(buffer.data), kFramesPerRead);
  buffer.dataByteSize = static_cast<uint32_t>(n * kCaptureBytesPerFrame);
  if (delegate_) delegate_->addSampledFrames(bufferList_, n);
}
