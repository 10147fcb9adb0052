#pragma once

// Reads a sound file (on the desktop with libsndfile and libsamplerate) in any
// format libsndfile knows (WAV, FLAC, Ogg Vorbis and Opus, MP3, AIFF, CAF, ...)
// as one channel of 16-bit frames at a rate of the caller's choosing, a block
// at a time, so that an hour of audio never sits in memory. It does not write
// files.

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class SoundFileReader {
 public:
  // Null with `error` set (libsndfile's reason, or a rate no converter can
  // reach) when the file cannot be read.
  static std::unique_ptr<SoundFileReader> open(const std::string& path, double rate,
                                               std::string& error);
  ~SoundFileReader();
  SoundFileReader(const SoundFileReader&) = delete;
  SoundFileReader& operator=(const SoundFileReader&) = delete;

  int fileChannels() const;
  double fileRate() const;
  // Seconds of sound the file says it holds; 0 when it does not say.
  double duration() const;

  // 0 (the default) averages the channels; N takes the N-th (1-based,
  // at most fileChannels()) alone. Set before the first read.
  void setChannel(int channel);

  // Up to `frames` frames; fewer only at the end. Samples are converted to
  // 16 bits by scaling, rounding and clipping (24-bit and float samples lose
  // their lower bits, without dither); the rate by libsamplerate's best
  // converter, whose output is aligned with its input: frame k stands for
  // the file's time k / rate.
  int read(int16_t* dest, int frames);
  // True once read has nothing more to give.
  bool atEnd();
  // Why the file ended before it said it would (a decoding error), or empty.
  const std::string& readError() const;

 private:
  struct Impl;
  explicit SoundFileReader(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
