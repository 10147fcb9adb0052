// The web backend's own real-input FFT (platform/web/RealFFT) beside FFTW's,
// natively and in the same run: the transform of one analysis pass, 65536
// points in place, timed the way TuningBench.cpp times BM_FFTAlone (input
// restored untimed before each run). `cpu_us` is the transform's own thread
// CPU time: on a busy machine compare that.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <vector>

#include "platform/FFT.h"
#include "platform/web/RealFFT.h"

namespace {

constexpr int kLog2n = 16;
constexpr int kLength = 1 << kLog2n;

double threadCpuSeconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

template <typename Transform>
void runTransform(benchmark::State& state, Transform transform) {
  const auto data = platform::SplitComplexArray::create(kLength);
  for (int i = 0; i < 5512; ++i) data->realp()[i] = std::sin(i * 0.031f) * 8000.0f;
  const std::vector<float> input(data->realp(), data->realp() + kLength);
  double cpuSeconds = 0;
  for (auto _ : state) {
    std::copy(input.begin(), input.end(), data->realp());
    const double cpuStart = threadCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    transform(data->split());
    benchmark::ClobberMemory();
    const auto end = std::chrono::steady_clock::now();
    cpuSeconds += threadCpuSeconds() - cpuStart;
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
  state.counters["cpu_us"] =
      benchmark::Counter(cpuSeconds * 1e6, benchmark::Counter::kAvgIterations);
}

void BM_WebRealFFT(benchmark::State& state) {
  const auto fft = platform::RealFFT::create(kLog2n);
  runTransform(state, [&](const platform::SplitComplex& data) { fft->transform(data); });
}
BENCHMARK(BM_WebRealFFT)->UseManualTime()->Unit(benchmark::kMicrosecond);

// FFTW's measured plan, as the desktop's passes run once it is known.
void BM_DesktopRealFFT(benchmark::State& state) {
  const auto fft = platform::FFT::createSetup(kLog2n, platform::FFT::RealInput,
                                              platform::FFT::Planning::Measured);
  runTransform(state, [&](const platform::SplitComplex& data) { fft->zipRealInput(data, kLog2n); });
}
BENCHMARK(BM_DesktopRealFFT)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
