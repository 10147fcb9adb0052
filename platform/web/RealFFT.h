#pragma once

// The real-input FFT of the web backend, where there is no FFTW: the
// transform of the analysis pass, in plain standard C++ (it builds natively
// too, which is how it is checked against FFTW bin by bin and benchmarked).
// It gives what the desktop's FFT::zipRealInput gives, in the same layout and
// scale: unnormalised, bins 0 ... N/2, nothing packed.

#include <memory>

#include "platform/FFT.h"
#include "platform/web/ComplexFFT.h"

namespace platform {

// N = 2^log2n real points as N/2 complex ones (even samples real, odd
// imaginary) through one ComplexFFT of N/2 points, then the step that
// separates the two interleaved spectra. The input is read in place, no
// copy; tables are made at creation and a transform allocates nothing.
class RealFFT {
 public:
  // 1 <= log2n <= 30; none when out of range or the tables cannot be made.
  static std::unique_ptr<RealFFT> create(int log2n);

  int log2n() const { return log2n_; }
  int length() const { return length_; }

  // Unnormalised forward DFT of the length() real points in data.realp:
  //   X[k] = sum_n x[n] * exp(-2*pi*i*k*n/N),
  // bins 0 ... N/2 left in realp/imagp (imagp[0] and imagp[N/2] are 0); the
  // upper bins are the conjugate mirror and are not written. Both arrays
  // hold length() floats and are distinct; imagp needs no clearing, and both
  // upper halves serve as work space (they hold intermediate values
  // afterwards).
  void transform(const SplitComplex& data) const;

 private:
  RealFFT() = default;

  int log2n_ = 0;
  int length_ = 0;
  std::unique_ptr<ComplexFFT> half_;
  // exp(-2*pi*i*k/N) for k in 0 ... N/4, real and imaginary runs.
  std::unique_ptr<float[]> twiddles_;
};

}  // namespace platform
