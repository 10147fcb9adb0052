// The web backend's own transforms give FFTW's results, bin by bin, in the
// same layout and scale.
//
// Tolerance: 2e-6 of the spectrum's peak magnitude, per bin, on both parts.
// A float FFT of N points is within about eps * log2(N) of the exact
// transform relative to the peak (eps = 6e-8; 1e-6 at 65536 points), and
// both FFTW and ours measure 2e-7 against a double-precision transform here;
// two such results differ by at most twice that bound. A wrong twiddle, a
// misplaced pass or a slip in the real-input separation moves bins by a good
// fraction of the peak.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "platform/FFT.h"
#include "platform/web/ComplexFFT.h"
#include "platform/web/RealFFT.h"
#include "tests/support/AllocationCounter.h"

using platform::ComplexFFT;
using platform::FFT;
using platform::RealFFT;
using platform::SplitComplexArray;

namespace {

constexpr double kTolerance = 2e-6;

double peakMagnitude(const float* re, const float* im, int count) {
  double peak = 0;
  for (int k = 0; k < count; ++k) peak = std::max(peak, std::hypot(double{re[k]}, double{im[k]}));
  return peak;
}

// FFTW's (the desktop backend's) real-input transform of `input`.
std::unique_ptr<SplitComplexArray> desktopRealInput(const std::vector<float>& input, int log2n) {
  const auto fft = FFT::createSetup(log2n, FFT::RealInput, FFT::Planning::Estimated);
  auto data = SplitComplexArray::create(1 << log2n);
  std::copy(input.begin(), input.end(), data->realp());
  fft->zipRealInput(data->split(), log2n);
  return data;
}

// Ours on the same kind of arrays, imagp filled with NaN: it must not be read.
std::unique_ptr<SplitComplexArray> webRealInput(const std::vector<float>& input, int log2n) {
  const auto fft = RealFFT::create(log2n);
  auto data = SplitComplexArray::create(1 << log2n);
  std::copy(input.begin(), input.end(), data->realp());
  std::fill_n(data->imagp(), 1 << log2n, std::numeric_limits<float>::quiet_NaN());
  test_support::startCountingAllocations();
  fft->transform(data->split());
  EXPECT_EQ(0, test_support::stopCountingAllocations());
  return data;
}

void expectSameBins(const float* wantRe, const float* wantIm, const float* re, const float* im,
                    int count, const char* what) {
  const double bound = kTolerance * peakMagnitude(wantRe, wantIm, count);
  int wrong = 0;
  for (int k = 0; k < count && wrong < 5; ++k) {
    const bool close = std::abs(double{re[k]} - wantRe[k]) <= bound &&
                       std::abs(double{im[k]} - wantIm[k]) <= bound;
    if (!close) {
      ++wrong;
      ADD_FAILURE() << what << ": bin " << k << " is (" << re[k] << ", " << im[k]
                    << "), FFTW gives (" << wantRe[k] << ", " << wantIm[k] << "); bound " << bound;
    }
  }
}

std::vector<float> randomSamples(int count, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> sample(-32768.0f, 32767.0f);
  std::vector<float> samples(count);
  for (float& s : samples) s = sample(random);
  return samples;
}

}  // namespace

// What the analysis transforms: a quarter second of a plucked string with
// some noise, windowed and zero-padded to 65536 points (and to 131072, as
// for a 44.1 kHz recording, where the half-length transform has one pass
// fewer of radix 2).
TEST(RealFFTTest, AnalysisBlockMatchesFFTW) {
  for (int log2n : {16, 17}) {
    const int frames = 5512 << (log2n - 16);
    const double rate = 22050.0 * (1 << (log2n - 16));
    std::vector<float> input(1 << log2n, 0.0f);
    std::mt19937 random(5);
    std::normal_distribution<double> noise(0.0, 30.0);
    for (int i = 0; i < frames; ++i) {
      double value = noise(random);
      for (int h = 1; h <= 8; ++h) {
        value += 9000.0 / h * std::exp(-0.4 * h * i / rate) *
                 std::sin(2 * M_PI * 110.5 * h * i / rate + h);
      }
      const double window = 0.53836 - 0.46164 * std::cos(2 * M_PI * i / (frames - 1));
      input[i] = static_cast<float>(std::lrint(value) * window);
    }
    const auto want = desktopRealInput(input, log2n);
    const auto got = webRealInput(input, log2n);
    const int bins = (1 << (log2n - 1)) + 1;
    expectSameBins(want->realp(), want->imagp(), got->realp(), got->imagp(), bins, "block");

    // The magnitudes the analysis reads from them.
    std::vector<float> wantAbs(bins), gotAbs(bins);
    FFT::zvabs(want->split(), wantAbs.data(), bins);
    FFT::zvabs(got->split(), gotAbs.data(), bins);
    const float peak = *std::max_element(wantAbs.begin(), wantAbs.end());
    for (int k = 0; k < bins; ++k) ASSERT_NEAR(wantAbs[k], gotAbs[k], kTolerance * peak) << k;
  }
}

// Every length up to 4096 points, and one long one, on full-length noise:
// both parities of the pass count, the radix-2 pass, the shortest lengths
// (2 and 4 points, where the separation step has nothing or one bin to do).
TEST(RealFFTTest, EveryLengthMatchesFFTW) {
  for (int log2n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 16}) {
    SCOPED_TRACE(log2n);
    const auto input = randomSamples(1 << log2n, 11u + log2n);
    const auto want = desktopRealInput(input, log2n);
    const auto got = webRealInput(input, log2n);
    const int bins = (1 << (log2n - 1)) + 1;
    expectSameBins(want->realp(), want->imagp(), got->realp(), got->imagp(), bins, "noise");
    EXPECT_EQ(0.0f, got->imagp()[0]);
    EXPECT_EQ(0.0f, got->imagp()[bins - 1]);
  }
  EXPECT_FALSE(RealFFT::create(0));
  EXPECT_FALSE(RealFFT::create(31));
}

// The complex transform alone (the web backend's FFT::zip), both where the
// result lands in the work arrays and where it comes back to the input.
TEST(RealFFTTest, ComplexTransformMatchesFFTW) {
  for (int log2n : {1, 2, 3, 4, 5, 10, 11}) {
    SCOPED_TRACE(log2n);
    const int n = 1 << log2n;
    const auto re = randomSamples(n, 3u + log2n);
    const auto im = randomSamples(n, 300u + log2n);

    const auto desktop = FFT::createSetup(log2n, FFT::Complex, FFT::Planning::Estimated);
    const auto want = SplitComplexArray::create(n);
    std::copy(re.begin(), re.end(), want->realp());
    std::copy(im.begin(), im.end(), want->imagp());
    desktop->zip(want->split(), log2n);

    const auto web = ComplexFFT::create(log2n);
    const auto data = SplitComplexArray::create(n);
    const auto work = SplitComplexArray::create(n);
    std::copy(re.begin(), re.end(), data->realp());
    std::copy(im.begin(), im.end(), data->imagp());
    const platform::SplitComplex result = web->transform(data->split(), work->split());
    ASSERT_TRUE(result.realp == data->realp() || result.realp == work->realp());
    expectSameBins(want->realp(), want->imagp(), result.realp, result.imagp, n, "complex");
  }
}
