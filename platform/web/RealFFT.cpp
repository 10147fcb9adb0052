#include "platform/web/RealFFT.h"

#include <cmath>
#include <cstring>
#include <new>
#include <numbers>

namespace platform {

namespace {

// Splits Z, the M-point DFT of z[n] = x[2n] + i x[2n+1], into the spectrum
// X of the 2M real points x: with E = DFT(even x), O = DFT(odd x),
//   E[k] = (Z[k] + conj Z[M-k]) / 2,  O[k] = -i (Z[k] - conj Z[M-k]) / 2,
//   X[k] = E[k] + W^k O[k],  X[M-k] = conj(E[k] - W^k O[k]),  W = exp(-i pi / M).
// Writes X[1] ... X[M-1] to (xr, xi), which must not overlap Z; the caller
// does bins 0 and M.
void separate(int m, const float* __restrict zr, const float* __restrict zi, float* __restrict xr,
              float* __restrict xi, const float* __restrict wr, const float* __restrict wi) {
  for (int k = 1; k <= m / 2; ++k) {
    const float ar = zr[k], ai = zi[k];
    const float br = zr[m - k], bi = -zi[m - k];
    const float er = 0.5f * (ar + br), ei = 0.5f * (ai + bi);
    const float orr = 0.5f * (ai - bi), oi = -0.5f * (ar - br);
    const float tr = wr[k] * orr - wi[k] * oi;
    const float ti = wr[k] * oi + wi[k] * orr;
    xr[k] = er + tr;
    xi[k] = ei + ti;
    xr[m - k] = er - tr;
    xi[m - k] = ti - ei;
  }
}

}  // namespace

std::unique_ptr<RealFFT> RealFFT::create(int log2n) {
  if (log2n < 1 || log2n > 30) return nullptr;
  std::unique_ptr<RealFFT> fft(new (std::nothrow) RealFFT());
  if (!fft) return nullptr;
  fft->log2n_ = log2n;
  fft->length_ = 1 << log2n;
  fft->half_ = ComplexFFT::create(log2n - 1);
  const size_t quarter = static_cast<size_t>(fft->length_ / 4);
  // No exceptions: the web build does not catch them.
  fft->twiddles_.reset(new (std::nothrow) float[2 * (quarter + 1)]);
  if (!fft->half_ || !fft->twiddles_) return nullptr;
  for (size_t k = 0; k <= quarter; ++k) {
    const double angle =
        2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(fft->length_);
    fft->twiddles_[k] = static_cast<float>(std::cos(angle));
    fft->twiddles_[quarter + 1 + k] = static_cast<float>(-std::sin(angle));
  }
  return fft;
}

void RealFFT::transform(const SplitComplex& data) const {
  const int m = length_ / 2;
  // The first pass reads the samples as interleaved complex points straight
  // from realp into the halves of imagp; later passes alternate with the
  // halves of realp.
  const SplitComplex imagHalves{data.imagp, data.imagp + m};
  const SplitComplex realHalves{data.realp, data.realp + m};
  const SplitComplex z = half_->transformInterleaved(data.realp, imagHalves, realHalves);

  // Bins 1 ... M-1 go where they belong in the array that Z is not in, and
  // to the upper half of Z's own array meanwhile, then are copied down.
  const float z0r = z.realp[0];
  const float z0i = z.imagp[0];
  const bool inImag = z.realp == data.imagp;
  float* xr = inImag ? data.realp : data.imagp + m;
  float* xi = inImag ? data.realp + m : data.imagp;
  const size_t quarter = static_cast<size_t>(length_ / 4);
  separate(m, z.realp, z.imagp, xr, xi, twiddles_.get(), twiddles_.get() + quarter + 1);
  xr[0] = z0r + z0i;
  xi[0] = 0.0f;
  if (inImag) {
    memcpy(data.imagp, xi, sizeof(float) * static_cast<size_t>(m));
  } else {
    memcpy(data.realp, xr, sizeof(float) * static_cast<size_t>(m));
  }
  data.realp[m] = z0r - z0i;
  data.imagp[m] = 0.0f;
}

}  // namespace platform
