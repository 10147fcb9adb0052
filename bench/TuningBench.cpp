// One analysis pass against the FFT it is built on, in the same run: the
// pass should cost at most about twice the transform alone.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <vector>

#include "common/AudioSampleBuffer.h"
#include "common/Tuning.h"
#include "platform/FFT.h"

namespace {

constexpr int kFramesPerPass = 5512;  // 0.25 s at 22050 Hz

std::unique_ptr<AudioSampleBuffer> guitarChord() {
  std::vector<int16_t> samples(kFramesPerPass);
  for (int i = 0; i < kFramesPerPass; ++i) {
    double value = 0;
    for (int h = 1; h <= 5; ++h) value += 6000.0 * std::sin(2 * M_PI * 110.5 * h * i / 22050.0);
    samples[i] = static_cast<int16_t>(std::lrint(value));
  }
  auto buffer = AudioSampleBuffer::initWithBufferSize(44100);
  buffer->appendFrames(kFramesPerPass, samples.data(), kFramesPerPass * 2);
  return buffer;
}

double threadCpuSeconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The transform a pass runs: 65536-point real-input FFT, in place.
void runFFTAlone(benchmark::State& state, platform::FFT::Planning planning) {
  const auto fft = platform::FFT::createSetup(16, platform::FFT::RealInput, planning);
  const auto data = platform::SplitComplexArray::create(65536);
  for (int i = 0; i < kFramesPerPass; ++i) data->realp()[i] = std::sin(i * 0.031f) * 8000.0f;
  std::vector<float> input(data->realp(), data->realp() + 65536);
  double cpuSeconds = 0;
  for (auto _ : state) {
    // The transform is in place: restore its input, untimed.
    std::copy(input.begin(), input.end(), data->realp());
    const double cpuStart = threadCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    fft->zipRealInput(data->split(), 16);
    benchmark::ClobberMemory();
    const auto end = std::chrono::steady_clock::now();
    cpuSeconds += threadCpuSeconds() - cpuStart;
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
  // The CPU column above includes the untimed copy; this is the transform's own.
  state.counters["fft_cpu_us"] =
      benchmark::Counter(cpuSeconds * 1e6, benchmark::Counter::kAvgIterations);
}

// With the measured plan, as every pass runs once the plan is known.
void BM_FFTAlone(benchmark::State& state) {
  runFFTAlone(state, platform::FFT::Planning::Measured);
}
BENCHMARK(BM_FFTAlone)->UseManualTime()->Unit(benchmark::kMicrosecond);

// With the quick (estimated) plan that the passes of a first start run on
// while the measured one is being made.
void BM_FFTAloneQuickPlan(benchmark::State& state) {
  runFFTAlone(state, platform::FFT::Planning::Estimated);
}
BENCHMARK(BM_FFTAloneQuickPlan)->UseManualTime()->Unit(benchmark::kMicrosecond);

// One full pass of 5512 frames with the window on: samples to floats,
// window, FFT, magnitudes, running spectrum, peaks, scoring.
void BM_FullPass(benchmark::State& state) {
  // Measured first, so that the engine's plan comes from wisdom at once (and
  // not on a quick plan until the background measurement is taken over).
  platform::FFT::createSetup(16, platform::FFT::RealInput, platform::FFT::Planning::Measured);
  auto tuning = Tuning::initWithSampleRate(22050.0f);
  tuning->setTargetTuning(Tuning::tuningForId("guitar"));
  tuning->setApplyHammingWindow(true);
  const auto buffer = guitarChord();
  for (auto _ : state) {
    tuning->processSampleBuffer(*buffer);
    benchmark::DoNotOptimize(tuning->selectedNote());
  }
  state.counters["nmaxima"] = tuning->nmaxima();
}
BENCHMARK(BM_FullPass)->Unit(benchmark::kMicrosecond);

// A low B (30.87 Hz) with its partials up to 1 kHz: all 20 peaks the search
// keeps, each offered to the 61 notes of the chromatic tuning, and the low
// string looked for under the best of them.
std::unique_ptr<AudioSampleBuffer> lowStringWithTwentyPartials() {
  std::vector<int16_t> samples(kFramesPerPass);
  for (int i = 0; i < kFramesPerPass; ++i) {
    double value = 0;
    for (int h = 1; h <= 32; ++h) {
      value += 1500.0 / h * std::sin(2 * M_PI * 30.87 * h * i / 22050.0 + h);
    }
    samples[i] = static_cast<int16_t>(std::lrint(value));
  }
  auto buffer = AudioSampleBuffer::initWithBufferSize(44100);
  buffer->appendFrames(kFramesPerPass, samples.data(), kFramesPerPass * 2);
  return buffer;
}

void BM_FullPassChromatic(benchmark::State& state) {
  auto tuning = Tuning::initWithSampleRate(22050.0f);
  tuning->setTargetTuning(Tuning::tuningForId("chromatic"));
  tuning->setApplyHammingWindow(true);
  const auto buffer = lowStringWithTwentyPartials();
  for (auto _ : state) {
    tuning->processSampleBuffer(*buffer);
    benchmark::DoNotOptimize(tuning->selectedNote());
  }
  state.counters["nmaxima"] = tuning->nmaxima();
  state.counters["notes"] = static_cast<double>(tuning->tuningData().size());
}
BENCHMARK(BM_FullPassChromatic)->Unit(benchmark::kMicrosecond);

}  // namespace
