#pragma once

#include <cstdint>
#include <memory>

// A fixed-capacity byte buffer that collects captured frames between two
// analysis passes. Appends are all or nothing, and nothing is allocated after
// creation, so the audio thread can append under the collection mutex.
class AudioSampleBuffer {
 public:
  // A buffer of `size` bytes with length and frames 0; none (after logging
  // "Memory allocation failed") when the storage cannot be allocated.
  static std::unique_ptr<AudioSampleBuffer> initWithBufferSize(int size);
  ~AudioSampleBuffer();
  AudioSampleBuffer(const AudioSampleBuffer&) = delete;
  AudioSampleBuffer& operator=(const AudioSampleBuffer&) = delete;

  // Copies `length` bytes holding `frames` frames after what is there, or
  // drops the chunk whole when it does not fit (or its counts are negative).
  void appendFrames(int frames, const void* data, int length);

  // Empties the buffer; the storage stays and is not cleared.
  void reset();

  const uint8_t* data() const { return data_; }
  int size() const { return size_; }
  int length() const { return length_; }
  int frames() const { return frames_; }

 private:
  AudioSampleBuffer(uint8_t* data, int size) : data_(data), size_(size) {}
  uint8_t* data_;
  int size_;
  int length_ = 0;
  int frames_ = 0;
};
