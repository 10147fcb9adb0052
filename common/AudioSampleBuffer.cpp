#include "common/AudioSampleBuffer.h"

#include <cstring>
#include <new>

#include "platform/Log.h"

std::unique_ptr<AudioSampleBuffer> AudioSampleBuffer::initWithBufferSize(int size) {
  if (size < 0) {
    platform::Log("Memory allocation failed");
    return nullptr;
  }
  // At least one byte, so that data() is never null for an empty buffer.
  auto* data = new (std::nothrow) uint8_t[size > 0 ? size : 1];
  if (!data) {
    platform::Log("Memory allocation failed");
    return nullptr;
  }
  return std::unique_ptr<AudioSampleBuffer>(new AudioSampleBuffer(data, size));
}

AudioSampleBuffer::~AudioSampleBuffer() {
  delete[] data_;
}

void AudioSampleBuffer::appendFrames(int frames, const void* data, int length) {
  // A negative count or missing bytes would move the fill point backwards or
  // copy from nowhere; such a chunk is dropped like one that does not fit.
  if (frames < 0 || length < 0 || (length > 0 && !data)) return;
  if (static_cast<int64_t>(length_) + length > size_) return;
  if (length > 0) memcpy(data_ + length_, data, static_cast<size_t>(length));
  length_ += length;
  frames_ += frames;
}

void AudioSampleBuffer::reset() {
  length_ = 0;
  frames_ = 0;
}
