#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "platform/web/Resampler.h"

using platform::Resampler;

namespace {

constexpr double kPi = 3.14159265358979323846;

std::vector<float> sine(double hz, double rate, size_t frames) {
  std::vector<float> s(frames);
  for (size_t i = 0; i < frames; ++i) s[i] = float(0.5 * std::sin(2 * kPi * hz * double(i) / rate));
  return s;
}

// As the browser hands them over: blocks of any size, some empty.
std::vector<float> inBlocks(Resampler& r, const std::vector<float>& in) {
  std::mt19937 random(7);
  std::vector<float> out;
  for (size_t at = 0; at < in.size();) {
    const size_t n = std::min(in.size() - at, size_t(random() % 3000));
    r.process(in.data() + at, n, out);
    at += n;
  }
  return out;
}

struct Rates {
  double in, out;
};

class ResamplerTest : public ::testing::TestWithParam<Rates> {};

// The capture rates to the analysis's, and the tone generator's to the
// output's: a tone comes out at the new rate in step with the input (sample
// n at input time n / outRate, so no pitch or time shift), and how the input
// is cut into blocks changes nothing.
TEST_P(ResamplerTest, KeepsToneInStepWhateverTheBlocks) {
  const auto [inRate, outRate] = GetParam();
  const std::vector<float> in = sine(440.0, inRate, size_t(inRate));  // one second
  Resampler whole(inRate, outRate), pieces(inRate, outRate);
  std::vector<float> out;
  whole.process(in.data(), in.size(), out);
  EXPECT_EQ(out, inBlocks(pieces, in));
  // All but the last few, which wait for input beyond the second.
  ASSERT_GT(out.size(), size_t(0.99 * outRate));
  ASSERT_LE(out.size(), size_t(outRate));
  const std::vector<float> expected = sine(440.0, outRate, out.size());
  double worst = 0;
  // From the first sample whose kernel lies wholly inside the input: the
  // ones before hear the tone begin.
  for (size_t i = size_t(0.005 * outRate); i < out.size(); ++i)
    worst = std::max(worst, double(std::fabs(out[i] - expected[i])));
  EXPECT_LT(worst, 1e-3);
}

INSTANTIATE_TEST_SUITE_P(Rates, ResamplerTest,
                         ::testing::Values(Rates{48000, 22050}, Rates{44100, 22050},
                                           Rates{8000, 44100}, Rates{8000, 48000}));

// A 15 kHz whistle at 48 kHz has no place below 11025 Hz; let through, it
// would fold down to 7050 Hz, among the partials the tuner weighs.
TEST(ResamplerFoldingTest, StopsWhatWouldFold) {
  Resampler r(48000, 22050);
  std::vector<float> out;
  const std::vector<float> in = sine(15000.0, 48000, 48000);
  r.process(in.data(), in.size(), out);
  double energy = 0;
  for (size_t i = 100; i < out.size(); ++i) energy += double(out[i]) * out[i];
  EXPECT_LT(std::sqrt(energy / double(out.size() - 100)), 0.5 * 1e-3);  // 60 dB down
}

}  // namespace
