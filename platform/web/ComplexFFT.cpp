#include "platform/web/ComplexFFT.h"

#include <cmath>
#include <cstddef>
#include <new>
#include <numbers>
#include <utility>

namespace platform {

namespace {

// A radix-4 pass works on sequences of length n = 4m at stride s (the first
// pass: one sequence, s = 1). For p < m and q < s it takes the points
// x_j = x[q + s (p + j m)], j = 0 ... 3, and writes
//   y[q + s (4p + r)] = W^(r p) * sum_j (-i)^(r j) x_j,   W = exp(-2 pi i / n),
// for r = 0 ... 3 (decimation in frequency); the next pass works on length m
// at stride 4s, and after the last the transform lies in natural order.

// Where a pass reads point j: re[j * Stride], im[j * Stride]. Stride 2 reads
// interleaved points (im = re + 1); only a first pass does.
template <int Stride>
struct Points {
  const float* re;
  const float* im;
};

// The first radix-4 pass (stride s = 1) of a length of 4m: the loop runs
// over p, where the reads and the twiddles are contiguous.
template <int Stride>
void firstRadix4(int m, Points<Stride> x, float* __restrict yr, float* __restrict yi,
                 const float* __restrict tw) {
  const float* __restrict xr = x.re;
  const float* __restrict xi = x.im;
  const float* w1r = tw;
  const float* w1i = tw + m;
  const float* w2r = tw + 2 * m;
  const float* w2i = tw + 3 * m;
  const float* w3r = tw + 4 * m;
  const float* w3i = tw + 5 * m;
  for (int p = 0; p < m; ++p) {
    const float ar = xr[Stride * p], ai = xi[Stride * p];
    const float br = xr[Stride * (p + m)], bi = xi[Stride * (p + m)];
    const float cr = xr[Stride * (p + 2 * m)], ci = xi[Stride * (p + 2 * m)];
    const float dr = xr[Stride * (p + 3 * m)], di = xi[Stride * (p + 3 * m)];
    const float sr = ar + cr, si = ai + ci;    // a + c
    const float dr0 = ar - cr, di0 = ai - ci;  // a - c
    const float tr = br + dr, ti = bi + di;    // b + d
    const float ur = bi - di, ui = dr - br;    // -i (b - d)
    yr[4 * p] = sr + tr;
    yi[4 * p] = si + ti;
    const float e1r = dr0 + ur, e1i = di0 + ui;
    yr[4 * p + 1] = e1r * w1r[p] - e1i * w1i[p];
    yi[4 * p + 1] = e1r * w1i[p] + e1i * w1r[p];
    const float e2r = sr - tr, e2i = si - ti;
    yr[4 * p + 2] = e2r * w2r[p] - e2i * w2i[p];
    yi[4 * p + 2] = e2r * w2i[p] + e2i * w2r[p];
    const float e3r = dr0 - ur, e3i = di0 - ui;
    yr[4 * p + 3] = e3r * w3r[p] - e3i * w3i[p];
    yi[4 * p + 3] = e3r * w3i[p] + e3i * w3r[p];
  }
}

// The s butterflies of a later radix-4 pass that share the twiddles w1 =
// (w[0], w[1]), w2 = (w[2], w[3]), w3 = (w[4], w[5]). The four inputs and
// the four outputs come as separate pointers that do not alias, so that the
// compiler vectorises the loop without run-time overlap checks.
void butterflies4(int s, const float* __restrict ar, const float* __restrict ai,
                  const float* __restrict br, const float* __restrict bi,
                  const float* __restrict cr, const float* __restrict ci,
                  const float* __restrict dr, const float* __restrict di, float* __restrict y0r,
                  float* __restrict y0i, float* __restrict y1r, float* __restrict y1i,
                  float* __restrict y2r, float* __restrict y2i, float* __restrict y3r,
                  float* __restrict y3i, const float w[6]) {
  const float w1r = w[0], w1i = w[1], w2r = w[2], w2i = w[3], w3r = w[4], w3i = w[5];
  for (int q = 0; q < s; ++q) {
    const float sr = ar[q] + cr[q], si = ai[q] + ci[q];
    const float dr0 = ar[q] - cr[q], di0 = ai[q] - ci[q];
    const float tr = br[q] + dr[q], ti = bi[q] + di[q];
    const float ur = bi[q] - di[q], ui = dr[q] - br[q];
    y0r[q] = sr + tr;
    y0i[q] = si + ti;
    const float e1r = dr0 + ur, e1i = di0 + ui;
    y1r[q] = e1r * w1r - e1i * w1i;
    y1i[q] = e1r * w1i + e1i * w1r;
    const float e2r = sr - tr, e2i = si - ti;
    y2r[q] = e2r * w2r - e2i * w2i;
    y2i[q] = e2r * w2i + e2i * w2r;
    const float e3r = dr0 - ur, e3i = di0 - ui;
    y3r[q] = e3r * w3r - e3i * w3i;
    y3i[q] = e3r * w3i + e3i * w3r;
  }
}

// A later radix-4 pass: length 4m at stride s > 1. The inner loop runs over
// the s contiguous points that share a twiddle.
void radix4(int m, int s, const float* xr, const float* xi, float* yr, float* yi, const float* tw) {
  const size_t sm = static_cast<size_t>(s) * static_cast<size_t>(m);
  const size_t ss = static_cast<size_t>(s);
  for (int p = 0; p < m; ++p) {
    const float w[6] = {tw[p],         tw[m + p],     tw[2 * m + p],
                        tw[3 * m + p], tw[4 * m + p], tw[5 * m + p]};
    const size_t in = ss * static_cast<size_t>(p);
    const size_t out = 4 * in;
    butterflies4(s, xr + in, xi + in, xr + in + sm, xi + in + sm, xr + in + 2 * sm,
                 xi + in + 2 * sm, xr + in + 3 * sm, xi + in + 3 * sm, yr + out, yi + out,
                 yr + out + ss, yi + out + ss, yr + out + 2 * ss, yi + out + 2 * ss,
                 yr + out + 3 * ss, yi + out + 3 * ss, w);
  }
}

// The last pass when log2n is odd: length 2 at stride s, no twiddles.
template <int Stride>
void lastRadix2(int s, Points<Stride> x, float* __restrict yr, float* __restrict yi) {
  const float* __restrict xr = x.re;
  const float* __restrict xi = x.im;
  for (int q = 0; q < s; ++q) {
    const float ar = xr[Stride * q], ai = xi[Stride * q];
    const float br = xr[Stride * (q + s)], bi = xi[Stride * (q + s)];
    yr[q] = ar + br;
    yi[q] = ai + bi;
    yr[q + s] = ar - br;
    yi[q + s] = ai - bi;
  }
}

}  // namespace

std::unique_ptr<ComplexFFT> ComplexFFT::create(int log2n) {
  if (log2n < 0 || log2n > 30) return nullptr;
  std::unique_ptr<ComplexFFT> fft(new (std::nothrow) ComplexFFT());
  if (!fft) return nullptr;
  fft->log2n_ = log2n;
  fft->length_ = 1 << log2n;
  size_t size = 0;
  int pass = 0;
  for (int n = fft->length_; n >= 4; n /= 4) {
    fft->offset_[pass++] = size;
    size += 6 * static_cast<size_t>(n / 4);
  }
  // No exceptions: the web build does not catch them.
  fft->twiddles_.reset(new (std::nothrow) float[size > 0 ? size : 1]);
  if (!fft->twiddles_) return nullptr;
  pass = 0;
  for (int n = fft->length_; n >= 4; n /= 4) {
    const size_t m = static_cast<size_t>(n / 4);
    float* tw = fft->twiddles_.get() + fft->offset_[pass++];
    for (size_t p = 0; p < m; ++p) {
      for (size_t k = 1; k <= 3; ++k) {
        // In double and reduced modulo n, so that each twiddle is the float
        // nearest to the exact value.
        const double angle =
            2.0 * std::numbers::pi * static_cast<double>((k * p) % n) / static_cast<double>(n);
        tw[(2 * k - 2) * m + p] = static_cast<float>(std::cos(angle));
        tw[(2 * k - 1) * m + p] = static_cast<float>(-std::sin(angle));
      }
    }
  }
  return fft;
}

SplitComplex ComplexFFT::transform(const SplitComplex& data, const SplitComplex& work) const {
  return run(nullptr, data, work);
}

SplitComplex ComplexFFT::transformInterleaved(const float* xy, const SplitComplex& data,
                                              const SplitComplex& work) const {
  return run(xy, data, work);
}

SplitComplex ComplexFFT::run(const float* xy, const SplitComplex& data,
                             const SplitComplex& work) const {
  // `from` is read by the next pass and `to` written; they swap after each.
  SplitComplex from = data;
  SplitComplex to = work;
  if (xy) {
    // The first pass reads the interleaved points and writes `data`.
    to = data;
    from = work;
  }
  const auto swapSides = [&] { std::swap(from, to); };

  int n = length_;
  int s = 1;
  size_t pass = 0;
  if (n == 1) {
    if (xy) {
      data.realp[0] = xy[0];
      data.imagp[0] = xy[1];
    }
    return data;
  }
  if (n >= 4) {
    if (xy) {
      firstRadix4<2>(n / 4, {xy, xy + 1}, to.realp, to.imagp, twiddles_.get() + offset_[pass]);
    } else {
      firstRadix4<1>(n / 4, {from.realp, from.imagp}, to.realp, to.imagp,
                     twiddles_.get() + offset_[pass]);
    }
    swapSides();
    ++pass;
    n /= 4;
    s = 4;
    for (; n >= 4; n /= 4, s *= 4, ++pass) {
      radix4(n / 4, s, from.realp, from.imagp, to.realp, to.imagp, twiddles_.get() + offset_[pass]);
      swapSides();
    }
  }
  if (n == 2) {
    if (xy && s == 1) {
      lastRadix2<2>(s, {xy, xy + 1}, to.realp, to.imagp);
    } else {
      lastRadix2<1>(s, {from.realp, from.imagp}, to.realp, to.imagp);
    }
    swapSides();
  }
  return from;
}

}  // namespace platform
