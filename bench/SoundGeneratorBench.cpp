// The tone generator's render path: one buffer of the size SDL pulls at
// 8000 frames per second, with the real-time budget it has to meet.
#include <benchmark/benchmark.h>

#include <vector>

#include "audio/SoundGenerator.h"

namespace {

void BM_RenderSin(benchmark::State& state) {
  const auto frames = static_cast<uint32_t>(state.range(0));
  std::vector<int16_t> samples(frames);
  uint32_t start = 0;
  for (auto _ : state) {
    RenderSin(start, frames, samples.data(), 0.5, 440.0);
    benchmark::DoNotOptimize(samples.data());
    start += frames;
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * frames);
  // Processor time spent per second of tone (the budget is one second).
  state.counters["cpu_per_tone_second"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * frames / SoundGenerator::kSampleRate,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RenderSin)->Arg(256)->Arg(512)->Arg(4096);

}  // namespace
