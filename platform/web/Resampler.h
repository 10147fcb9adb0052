#pragma once

// Band-limited sample-rate conversion of one channel, fed in blocks of any
// size: the browser captures and plays at its own rate (44.1 or 48 kHz), the
// app asks for 22050 Hz in and gives 8000 Hz out. A Kaiser-windowed sinc,
// cut off below the lower of the two Nyquist frequencies, so nothing above
// 11 kHz folds into what the tuner analyses. Output sample n lies exactly at
// input time n × inputRate / outputRate: the conversion adds no delay of its
// own, it only waits for the input that sample needs. The rates are whole
// hertz (as every browser's and the app's are), which keeps the position of
// each output sample exact however long the stream and however it is cut
// into blocks.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

class Resampler {
 public:
  Resampler(double inputRate, double outputRate);

  // Appends to `out` every output sample that the input so far determines.
  void process(const float* in, size_t count, std::vector<float>& out);

  double inputRate() const { return double(inputRate_); }
  double outputRate() const { return double(outputRate_); }

 private:
  double kernel(double distance) const;

  int64_t inputRate_, outputRate_;
  double cutoff_;             // cycles per input sample
  double halfWidth_;          // of the kernel, in input samples
  std::vector<float> table_;  // the kernel from 0 to halfWidth_
  std::vector<float> history_;
  // The next output sample lies at history_[index_] + phase_ / outputRate_.
  size_t index_;
  int64_t phase_ = 0;
};

}  // namespace platform
