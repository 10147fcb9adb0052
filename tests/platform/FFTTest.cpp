#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <complex>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "platform/FFT.h"
#include "tests/support/Scoped.h"

using platform::FFT;
using platform::SplitComplexArray;

namespace {

std::vector<std::complex<double>> naiveDFT(const std::vector<std::complex<double>>& x) {
  const size_t n = x.size();
  std::vector<std::complex<double>> result(n);
  for (size_t k = 0; k < n; ++k) {
    std::complex<double> sum = 0;
    for (size_t j = 0; j < n; ++j) {
      const double angle = -2.0 * M_PI * static_cast<double>((k * j) % n) / static_cast<double>(n);
      sum += x[j] * std::complex<double>(std::cos(angle), std::sin(angle));
    }
    result[k] = sum;
  }
  return result;
}

// Fills the array with random samples in [-32768, 32767] and returns what was
// written.
std::vector<std::complex<double>> fillRandom(const SplitComplexArray& a, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> sample(-32768.0f, 32767.0f);
  std::vector<std::complex<double>> written(a.length());
  for (int i = 0; i < a.length(); ++i) {
    a.realp()[i] = sample(random);
    a.imagp()[i] = sample(random);
    written[i] = {a.realp()[i], a.imagp()[i]};
  }
  return written;
}

}  // namespace

TEST(FFTTest, ForwardTransformMatchesTextbookDFT) {
  for (int log2n : {1, 4, 6}) {
    for (auto planning : {FFT::Planning::Estimated, FFT::Planning::Measured}) {
      const auto fft = FFT::createSetup(log2n, FFT::Complex, planning);
      ASSERT_TRUE(fft);
      const auto data = SplitComplexArray::create(1 << log2n);
      const auto input = fillRandom(*data, 7u + log2n);
      fft->zip(data->split(), log2n);
      const auto expected = naiveDFT(input);
      const double tolerance = 1e-5 * 32768.0 * (1 << log2n);
      std::vector<float> magnitudes(1 << log2n);
      FFT::zvabs(data->split(), magnitudes.data(), 1 << log2n);
      for (int k = 0; k < (1 << log2n); ++k) {
        EXPECT_NEAR(expected[k].real(), data->realp()[k], tolerance) << "bin " << k;
        EXPECT_NEAR(expected[k].imag(), data->imagp()[k], tolerance) << "bin " << k;
        EXPECT_NEAR(std::abs(expected[k]), magnitudes[k], tolerance) << "bin " << k;
      }
    }
  }
}

// A damaged wisdom file is ignored: the setup plans again, works, and leaves a
// good file behind, written whole (no temporary file is left over).
TEST(FFTTest, DamagedWisdomIsReplannedAndRewritten) {
  const test_support::TempDir directory("fft");
  const test_support::ScopedEnv cacheHome("XDG_CACHE_HOME", directory.path().c_str());
  const std::string cache = directory.path() + "/quillon";
  std::filesystem::create_directories(cache);
  const std::string path = FFT::wisdomPath();
  ASSERT_EQ(cache + "/fftwf-wisdom", path);

  const std::vector<std::string> damaged = {
      "(fftw-3.3.10 fftwf_wisdom #x1 garbage",                           // no header at all
      "quillon-fftwf-wisdom 0123456789abcdef 5\n(fftw",                  // truncated
      "quillon-fftwf-wisdom 0123456789abcdef 6\n(xyz))",                 // wrong checksum
      std::string("quillon-fftwf-wisdom \0\0\0\xff 99999999999\n", 38),  // binary noise
  };
  for (const auto& content : damaged) {
    {
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out << content;
    }
    FFT::forgetWisdom();
    const auto fft = FFT::createSetup(5, FFT::Complex, FFT::Planning::Measured);
    ASSERT_TRUE(fft);
    const auto data = SplitComplexArray::create(32);
    const auto input = fillRandom(*data, 3);
    fft->zip(data->split(), 5);
    EXPECT_NEAR(naiveDFT(input)[3].real(), data->realp()[3], 1.0);

    std::ifstream in(path, std::ios::binary);
    std::string header;
    in >> header;
    EXPECT_EQ("quillon-fftwf-wisdom", header);
  }
  for (const auto& entry : std::filesystem::directory_iterator(cache)) {
    EXPECT_EQ("fftwf-wisdom", entry.path().filename().string());
  }

  // The rewritten file is read back without being replaced.
  const auto before = std::filesystem::last_write_time(path);
  FFT::forgetWisdom();
  EXPECT_TRUE(FFT::createSetup(5, FFT::Complex, FFT::Planning::Measured));
  EXPECT_EQ(before, std::filesystem::last_write_time(path));
  FFT::forgetWisdom();
}
