// Plans measured on the background planner thread: taken over between
// transforms, safe to abandon, and safe to leave behind at exit. Named
// ...ThreadTest so that they also run under ThreadSanitizer.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/FFT.h"
#include "tests/support/Scoped.h"

using platform::FFT;
using platform::SplitComplexArray;

namespace {

// A generous bound for a measurement that takes about a second; reaching it
// means the measured plans never came.
constexpr int kPatienceMillis = 60'000;

bool waitFor(const std::function<bool()>& condition) {
  for (int waited = 0; waited < kPatienceMillis; waited += 5) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return condition();
}

bool wisdomSaved() {
  std::ifstream in(FFT::wisdomPath());
  std::string header;
  return static_cast<bool>(in >> header) && header == "quillon-fftwf-wisdom";
}

// Both transforms of `fft` over the same random input, magnitudes of all bins.
struct Spectra {
  std::vector<float> complex;
  std::vector<float> real;
};
Spectra transform(const FFT& fft) {
  const int n = fft.length();
  const auto complexData = SplitComplexArray::create(n);
  const auto realData = SplitComplexArray::create(n);
  std::mt19937 random(5);
  std::uniform_real_distribution<float> sample(-32768.0f, 32767.0f);
  for (int i = 0; i < n; ++i) {
    complexData->realp()[i] = realData->realp()[i] = sample(random);
    complexData->imagp()[i] = sample(random);
  }
  fft.zip(complexData->split(), fft.log2n());
  fft.zipRealInput(realData->split(), fft.log2n());
  Spectra spectra{std::vector<float>(n), std::vector<float>(n)};
  FFT::zvabs(complexData->split(), spectra.complex.data(), n);
  FFT::zvabsRealInput(realData->split(), spectra.real.data(), n);
  return spectra;
}

void expectSameToRounding(const std::vector<float>& expected, const std::vector<float>& actual) {
  ASSERT_EQ(expected.size(), actual.size());
  const float largest = *std::max_element(expected.begin(), expected.end());
  for (size_t k = 0; k < expected.size(); ++k) {
    ASSERT_NEAR(expected[k], actual[k], largest * 2e-6f) << "bin " << k;
  }
}

}  // namespace

TEST(FFTThreadTest, QuickPlansGiveWayToMeasuredOnesWithTheSameResults) {
  const test_support::TempDir directory("fft");
  const test_support::ScopedEnv cacheHome("XDG_CACHE_HOME", directory.path().c_str());
  FFT::forgetWisdom();

  auto fft = FFT::createSetup(10, FFT::Complex | FFT::RealInput, FFT::Planning::Background);
  ASSERT_TRUE(fft);
  ASSERT_TRUE(fft->awaitsMeasuredPlans());
  const Spectra quick = transform(*fft);  // nothing swaps plans but adoptMeasuredPlans

  ASSERT_TRUE(waitFor([&] { return fft->adoptMeasuredPlans(); }));
  EXPECT_FALSE(fft->awaitsMeasuredPlans());
  // Measured on the planner's own arrays, run on these.
  const Spectra measured = transform(*fft);
  expectSameToRounding(quick.complex, measured.complex);
  expectSameToRounding(quick.real, measured.real);
  FFT::forgetWisdom();
}

// A setup given up at once (an engine made and dropped again) neither waits
// for its measurement nor leaves it running on freed memory; the measurement
// still ends in the wisdom file, whole. ASan and TSan builds watch the rest.
TEST(FFTThreadTest, SetupDestroyedWhileMeasuringLeavesTheWisdomAndNothingElse) {
  const test_support::TempDir directory("fft");
  const test_support::ScopedEnv cacheHome("XDG_CACHE_HOME", directory.path().c_str());
  FFT::forgetWisdom();

  auto fft = FFT::createSetup(12, FFT::RealInput, FFT::Planning::Background);
  ASSERT_TRUE(fft);
  ASSERT_TRUE(fft->awaitsMeasuredPlans());
  fft.reset();

  ASSERT_TRUE(waitFor(wisdomSaved));
  FFT::forgetWisdom();  // read back from the file
  const auto next = FFT::createSetup(12, FFT::RealInput, FFT::Planning::Background);
  ASSERT_TRUE(next);
  EXPECT_FALSE(next->awaitsMeasuredPlans());
  FFT::forgetWisdom();
}

namespace {

// In a child: the app's first start cut short - an engine made and dropped,
// and the process ended while its plan is still measured. 0 when the child
// exited normally with the wisdom saved whole.
int endAProcessWhileMeasuring() {
  const test_support::TempDir directory("fft-exit");
  setenv("XDG_CACHE_HOME", directory.path().c_str(), 1);
  const pid_t child = fork();
  if (child == 0) {
    auto fft = FFT::createSetup(16, FFT::RealInput, FFT::Planning::Background);
    const bool measuring = fft && fft->awaitsMeasuredPlans();
    fft.reset();
    std::exit(measuring ? 0 : 3);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return 4;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return 5;
  if (!wisdomSaved()) return 6;
  for (const auto& entry : std::filesystem::directory_iterator(directory / "quillon")) {
    if (entry.path().filename() != "fftwf-wisdom") return 7;  // a temporary file left over
  }
  return 0;
}

}  // namespace

TEST(FFTThreadTest, ProcessEndingWhileAPlanIsMeasuredExitsNormallyWithItsWisdom) {
  // A fresh process, without the planner thread of earlier tests, to fork from.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::exit(endAProcessWhileMeasuring()), ::testing::ExitedWithCode(0), "");
}
