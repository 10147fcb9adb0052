#include "platform/web/Resampler.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Zero crossings of the sinc on each side, and the window's shape: about
// 80 dB of stop band, with the pass band flat to 90 % of the lower Nyquist
// frequency (9.9 kHz at 22050 Hz, far above any string's partials that count).
constexpr int kZeroCrossings = 16;
constexpr double kKaiserBeta = 8.0;
constexpr double kPassFraction = 0.9;
constexpr int kTableSteps = 512;  // per zero crossing, interpolated linearly

double besselI0(double x) {
  double sum = 1.0, term = 1.0;
  for (int k = 1; k < 30; ++k) {
    term *= (x / (2.0 * k)) * (x / (2.0 * k));
    sum += term;
  }
  return sum;
}

}  // namespace

Resampler::Resampler(double inputRate, double outputRate)
    : inputRate_(std::max<int64_t>(1, std::llround(inputRate))),
      outputRate_(std::max<int64_t>(1, std::llround(outputRate))),
      cutoff_(0.5 * kPassFraction * std::min(1.0, double(outputRate_) / double(inputRate_))),
      halfWidth_(kZeroCrossings / (2.0 * cutoff_)) {
  const int size = kZeroCrossings * kTableSteps + 2;
  table_.resize(size);
  const double norm = besselI0(kKaiserBeta);
  for (int i = 0; i < size; ++i) {
    const double u = std::min(1.0, double(i) / (kZeroCrossings * kTableSteps));  // of halfWidth_
    const double x = u * halfWidth_;
    const double sinc =
        x == 0.0 ? 1.0 : std::sin(2.0 * kPi * cutoff_ * x) / (2.0 * kPi * cutoff_ * x);
    const double window = besselI0(kKaiserBeta * std::sqrt(1.0 - u * u)) / norm;
    table_[i] = float(2.0 * cutoff_ * sinc * window);
  }
  // Silence before the first sample, so the first output needs no special case.
  history_.assign(size_t(std::ceil(halfWidth_)), 0.0f);
  index_ = history_.size();
}

double Resampler::kernel(double distance) const {
  const double at = std::fabs(distance) / halfWidth_ * (kZeroCrossings * kTableSteps);
  const size_t i = size_t(at);
  if (i + 1 >= table_.size()) return 0.0;
  const double f = at - double(i);
  return table_[i] + f * (table_[i + 1] - table_[i]);
}

void Resampler::process(const float* in, size_t count, std::vector<float>& out) {
  history_.insert(history_.end(), in, in + count);
  const long reach = long(std::floor(halfWidth_));
  for (;;) {
    const double fraction = double(phase_) / double(outputRate_);
    const double position = double(index_) + fraction;
    if (position + halfWidth_ > double(history_.size()) - 1.0) break;
    const long first = std::max(0L, long(index_) - reach);
    const long end = long(index_) + reach + 1;
    double sum = 0.0;
    for (long k = first; k <= end && k < long(history_.size()); ++k)
      sum += double(history_[size_t(k)]) * kernel(position - double(k));
    out.push_back(float(sum));
    phase_ += inputRate_;
    index_ += size_t(phase_ / outputRate_);
    phase_ %= outputRate_;
  }
  // Keep only what the next output sample can reach.
  const size_t drop = index_ > size_t(reach) + 1 ? index_ - size_t(reach) - 1 : 0;
  if (drop > 0) {
    history_.erase(history_.begin(), history_.begin() + long(drop));
    index_ -= drop;
  }
}

}  // namespace platform
