// The FFT of the web backend: platform/FFT.h on our own transforms
// (RealFFT, ComplexFFT) instead of FFTW, which the browser does not have.
// Handles: setups of both kinds, the split arrays, magnitudes. Does not
// handle: planning and wisdom - there is nothing to measure, the tables are
// made in createSetup whatever the Planning, so adoptMeasuredPlans() has
// nothing to take over and wisdomPath() is empty.

#include "platform/FFT.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/Assert.h"
#include "platform/Log.h"
#include "platform/web/ComplexFFT.h"
#include "platform/web/RealFFT.h"

namespace platform {

namespace {

// Room for the widest SIMD vectors, as FFTW's arrays have.
constexpr size_t kAlignment = 64;

// The complex kind works out of place: the passes alternate between the
// caller's arrays and these.
struct ComplexSetup {
  std::unique_ptr<ComplexFFT> fft;
  std::unique_ptr<SplitComplexArray> work;
};

// The arrays come from one SplitComplexArray of the setup's length.
bool fits(const SplitComplex& data, int log2n, int setupLog2n, int alignment) {
  return log2n == setupLog2n && data.imagp == data.realp + (1 << setupLog2n) &&
         reinterpret_cast<uintptr_t>(data.realp) % static_cast<uintptr_t>(alignment) == 0;
}

}  // namespace

std::unique_ptr<SplitComplexArray> SplitComplexArray::create(int length) {
  if (length <= 0) return nullptr;
  const size_t bytes = 2 * static_cast<size_t>(length) * sizeof(float);
  auto* block = static_cast<float*>(
      std::aligned_alloc(kAlignment, (bytes + kAlignment - 1) / kAlignment * kAlignment));
  if (!block) return nullptr;
  memset(block, 0, bytes);
  return std::unique_ptr<SplitComplexArray>(new SplitComplexArray(block, length));
}

SplitComplexArray::~SplitComplexArray() {
  std::free(realp_);
}

std::string FFT::wisdomPath() {
  return {};
}

void FFT::forgetWisdom() {}

std::unique_ptr<FFT> FFT::createSetup(int log2n, unsigned kinds, Planning) {
  if (log2n < 1 || log2n > 30 || (kinds & (Complex | RealInput)) == 0) return nullptr;
  std::unique_ptr<FFT> setup(new FFT());
  setup->log2n_ = log2n;
  setup->length_ = 1 << log2n;
  setup->alignment_ = static_cast<int>(kAlignment);
  if (kinds & Complex) {
    auto complex = std::make_unique<ComplexSetup>();
    complex->fft = ComplexFFT::create(log2n);
    complex->work = SplitComplexArray::create(setup->length_);
    if (!complex->fft || !complex->work) {
      Log("Cannot plan an FFT of %d points", setup->length_);
      return nullptr;
    }
    setup->complexPlan_ = complex.release();
  }
  if (kinds & RealInput) {
    auto real = RealFFT::create(log2n);
    if (!real) {
      Log("Cannot plan an FFT of %d points", setup->length_);
      return nullptr;
    }
    setup->realPlan_ = real.release();
  }
  return setup;
}

bool FFT::adoptMeasuredPlans() {
  return true;
}

FFT::~FFT() {
  delete static_cast<ComplexSetup*>(complexPlan_);
  delete static_cast<RealFFT*>(realPlan_);
}

void FFT::zip(const SplitComplex& data, int log2n) const {
  QUILLON_ASSERT(complexPlan_ && fits(data, log2n, log2n_, alignment_), this, "platform/FFT",
                 "Split arrays do not match the FFT setup");
  const auto& complex = *static_cast<const ComplexSetup*>(complexPlan_);
  const SplitComplex result = complex.fft->transform(data, complex.work->split());
  if (result.realp != data.realp) {
    memcpy(data.realp, result.realp, sizeof(float) * static_cast<size_t>(length_));
    memcpy(data.imagp, result.imagp, sizeof(float) * static_cast<size_t>(length_));
  }
}

void FFT::zipRealInput(const SplitComplex& data, int log2n) const {
  QUILLON_ASSERT(realPlan_ && fits(data, log2n, log2n_, alignment_), this, "platform/FFT",
                 "Split arrays do not match the FFT setup");
  static_cast<const RealFFT*>(realPlan_)->transform(data);
}

}  // namespace platform
