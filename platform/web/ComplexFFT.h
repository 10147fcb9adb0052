#pragma once

// The complex FFT of the web backend, where there is no FFTW: plain standard
// C++ (it builds natively too, which is how it is tested against FFTW and
// benchmarked). Handles one power-of-two length, forward only, on split
// arrays; tables are made at creation and a transform allocates nothing.
// RealFFT builds the real-input transform on it.

#include <array>
#include <cstddef>
#include <memory>

#include "platform/FFT.h"

namespace platform {

// Unnormalised forward DFT of 2^log2n complex points,
//   X[k] = sum_n x[n] * exp(-2*pi*i*k*n/N),
// by Stockham's autosort: each pass reads one pair of arrays and writes the
// other, in natural order, so there is no bit reversal. Passes of radix 4,
// and a last one of radix 2 when log2n is odd.
class ComplexFFT {
 public:
  // 0 <= log2n <= 30; none when out of range or the tables cannot be made.
  static std::unique_ptr<ComplexFFT> create(int log2n);

  int log2n() const { return log2n_; }
  int length() const { return length_; }

  // Transforms the split vector `data` (length() points), using `work` (as
  // long) for the other side of the passes. All four arrays must be
  // distinct. Returns where the result is: `data` or `work`, depending on
  // the number of passes, which is fixed for the length.
  SplitComplex transform(const SplitComplex& data, const SplitComplex& work) const;

  // The same transform of points given interleaved (xy[2n] real part,
  // xy[2n + 1] imaginary part): the first pass reads `xy` and writes `data`,
  // which then alternates with `work`. `xy` may be the memory of `work`, but
  // not of `data`. Returns where the result is.
  SplitComplex transformInterleaved(const float* xy, const SplitComplex& data,
                                    const SplitComplex& work) const;

 private:
  ComplexFFT() = default;
  SplitComplex run(const float* xy, const SplitComplex& data, const SplitComplex& work) const;

  int log2n_ = 0;
  int length_ = 0;
  // Per radix-4 pass (in order), the twiddles W^p, W^2p, W^3p for p below a
  // quarter of the pass's length, as six runs (w1 real, w1 imaginary, w2
  // ...) starting at twiddles_[offset_[pass]].
  std::unique_ptr<float[]> twiddles_;
  std::array<size_t, 16> offset_{};
};

}  // namespace platform
