// Measures the frequency of the steady part of a recorded tone.
//
//   quillon_measure_tone FILE.raw RATE EXPECTED_HZ TOLERANCE_CENTS [MAX_RESIDUAL_PERCENT]
//
// FILE.raw holds signed 16-bit little-endian mono samples at RATE Hz. The
// steady part is the longest run of 20 ms blocks whose level is within 10 %
// of the loudest block, trimmed by 50 ms at each end. Its frequency comes
// from the rising zero crossings, each placed by linear interpolation between
// the two samples around it: (crossings - 1) periods over the time from the
// first to the last. A sine fitted at that frequency by least squares gives
// the residual, which shows dropouts or distortion. Exit status 0 when the
// frequency is within the tolerance (and the residual within its limit, when
// one is given), 1 when not, 2 on bad input.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

std::vector<double> readSamples(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<double> samples(bytes.size() / 2);
  for (size_t i = 0; i < samples.size(); ++i) {
    const auto lo = static_cast<uint8_t>(bytes[2 * i]);
    const auto hi = static_cast<uint8_t>(bytes[2 * i + 1]);
    samples[i] = static_cast<int16_t>(static_cast<uint16_t>(lo | (hi << 8)));
  }
  return samples;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 && argc != 6) {
    std::fprintf(stderr,
                 "usage: %s FILE.raw RATE EXPECTED_HZ TOLERANCE_CENTS [MAX_RESIDUAL_PERCENT]\n",
                 argv[0]);
    return 2;
  }
  const std::vector<double> x = readSamples(argv[1]);
  const double rate = std::atof(argv[2]);
  const double expected = std::atof(argv[3]);
  const double tolerance = std::atof(argv[4]);
  const double maxResidual = argc == 6 ? std::atof(argv[5]) : -1;
  if (rate <= 0 || expected <= 0) {
    std::fprintf(stderr, "bad rate or expected frequency\n");
    return 2;
  }

  const size_t block = static_cast<size_t>(rate * 0.02);
  const size_t blocks = x.size() / block;
  std::vector<double> level(blocks);
  double loudest = 0;
  for (size_t b = 0; b < blocks; ++b) {
    double sum = 0;
    for (size_t i = b * block; i < (b + 1) * block; ++i) sum += x[i] * x[i];
    level[b] = std::sqrt(sum / block);
    loudest = std::max(loudest, level[b]);
  }
  size_t bestStart = 0, bestLength = 0;
  for (size_t b = 0; b < blocks;) {
    if (level[b] < 0.9 * loudest) {
      ++b;
      continue;
    }
    size_t e = b;
    while (e < blocks && level[e] >= 0.9 * loudest) ++e;
    if (e - b > bestLength) bestStart = b, bestLength = e - b;
    b = e;
  }
  const size_t trim = static_cast<size_t>(rate * 0.05);
  if (loudest < 100 || bestLength * block < 2 * trim + static_cast<size_t>(rate * 0.5)) {
    std::printf("no steady tone of at least 0.5 s found (%zu samples, loudest RMS %.1f)\n",
                x.size(), loudest);
    return 1;
  }
  const size_t from = bestStart * block + trim;
  const size_t to = (bestStart + bestLength) * block - trim;

  double first = -1, last = -1;
  long crossings = 0;
  for (size_t i = from + 1; i < to; ++i) {
    if (x[i - 1] < 0 && x[i] >= 0) {
      const double at = (i - 1) + (-x[i - 1]) / (x[i] - x[i - 1]);
      if (first < 0) first = at;
      last = at;
      ++crossings;
    }
  }
  if (crossings < 10) {
    std::printf("too few zero crossings (%ld)\n", crossings);
    return 1;
  }
  const double frequency = (crossings - 1) / ((last - first) / rate);
  const double cents = 1200.0 * std::log2(frequency / expected);

  // Least-squares fit of a sin + b cos + c at the measured frequency.
  double ss = 0, sc = 0, cc = 0, s1 = 0, c1 = 0, n = 0, xs = 0, xc = 0, x1 = 0;
  for (size_t i = from; i < to; ++i) {
    const double p = 2 * M_PI * frequency * (i - from) / rate;
    const double s = std::sin(p), c = std::cos(p);
    ss += s * s, sc += s * c, cc += c * c, s1 += s, c1 += c, n += 1;
    xs += x[i] * s, xc += x[i] * c, x1 += x[i];
  }
  // Solve the 3x3 normal equations by Cramer's rule.
  const double m[3][3] = {{ss, sc, s1}, {sc, cc, c1}, {s1, c1, n}};
  const double r[3] = {xs, xc, x1};
  auto det = [](const double a[3][3]) {
    return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
           a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
           a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
  };
  const double d = det(m);
  double coef[3];
  for (int k = 0; k < 3; ++k) {
    double mk[3][3];
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) mk[i][j] = (j == k) ? r[i] : m[i][j];
    coef[k] = det(mk) / d;
  }
  double residual = 0, power = 0;
  for (size_t i = from; i < to; ++i) {
    const double p = 2 * M_PI * frequency * (i - from) / rate;
    const double fit = coef[0] * std::sin(p) + coef[1] * std::cos(p) + coef[2];
    residual += (x[i] - fit) * (x[i] - fit);
    power += fit * fit;
  }
  const double amplitude = std::hypot(coef[0], coef[1]);
  const double residualRatio = std::sqrt(residual / power);

  std::printf(
      "steady part %.3f s to %.3f s: %.4f Hz (%+.3f cents from %.2f Hz), amplitude %.0f, "
      "residual %.2f %%\n",
      from / rate, to / rate, frequency, cents, expected, amplitude, 100 * residualRatio);
  if (std::fabs(cents) > tolerance) {
    std::printf("off by more than %.2f cents\n", tolerance);
    return 1;
  }
  if (maxResidual >= 0 && 100 * residualRatio > maxResidual) {
    std::printf("not a clean sine: residual above %.2f %%\n", maxResidual);
    return 1;
  }
  return 0;
}
