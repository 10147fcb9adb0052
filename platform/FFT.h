#pragma once

#include <memory>
#include <string>

namespace platform {

// A complex vector kept as two float arrays: real parts and imaginary parts.
struct SplitComplex {
  float* realp;
  float* imagp;
};

// Storage for a split complex vector of `length` points, allocated as one
// aligned block with imagp == realp + length. FFT plans are tied to the
// spacing between the two halves, so every array handed to FFT must come
// from here. Zero-filled on creation.
class SplitComplexArray {
 public:
  // None when the block cannot be allocated or length is not positive.
  static std::unique_ptr<SplitComplexArray> create(int length);
  ~SplitComplexArray();
  SplitComplexArray(const SplitComplexArray&) = delete;
  SplitComplexArray& operator=(const SplitComplexArray&) = delete;

  SplitComplex split() const { return {realp_, realp_ + length_}; }
  float* realp() const { return realp_; }
  float* imagp() const { return realp_ + length_; }
  int length() const { return length_; }

 private:
  SplitComplexArray(float* block, int length) : realp_(block), length_(length) {}
  float* realp_;
  int length_;
};

struct MeasuredPlans;  // a measurement handed to the background planner

// Forward FFTs of one power-of-two length on FFTW (single precision).
// All planning happens in createSetup (or, for Planning::Background, on a
// background thread); running a transform allocates nothing. Measured plans
// are remembered as FFTW wisdom in cacheDirectory(), so only the very first
// start on a machine pays for measuring.
class FFT {
 public:
  enum Kind : unsigned {
    Complex = 1,    // zip: complex input
    RealInput = 2,  // zipRealInput: imaginary input known to be zero
  };
  enum class Planning {
    Measured,   // FFTW_MEASURE before createSetup returns, kept as wisdom
    Estimated,  // FFTW_ESTIMATE: instant, slower transforms (tests, benchmarks)
    // Plans known from wisdom at once; otherwise an FFTW_ESTIMATE plan at
    // once and FFTW_MEASURE on a background thread, kept as wisdom and taken
    // over by adoptMeasuredPlans(). For a window that must paint at once:
    // measuring a 65536-point plan takes over a second.
    Background,
  };

  // Plans the requested kinds for 2^log2n points (1 <= log2n <= 30); none if
  // planning fails.
  static std::unique_ptr<FFT> createSetup(int log2n, unsigned kinds = Complex,
                                          Planning planning = Planning::Measured);
  // Safe while the background planner still measures for this setup: the
  // measurement is finished (its wisdom saved) and then thrown away, and the
  // destructor does not wait for it.
  ~FFT();
  FFT(const FFT&) = delete;
  FFT& operator=(const FFT&) = delete;

  int log2n() const { return log2n_; }
  int length() const { return length_; }

  // Swaps in the plans measured in the background once they are ready, and
  // reports whether this setup now runs the best plans it will get (true
  // from the start unless planned with Planning::Background without
  // wisdom). Call it on the thread that runs the transforms, between
  // transforms. It never waits and never allocates: while the planner is
  // busy it leaves everything as it is, for the next call.
  bool adoptMeasuredPlans();
  // True while plans measured in the background are yet to be taken over.
  bool awaitsMeasuredPlans() const { return pending_ != nullptr; }

  // In-place, unnormalised forward DFT of 2^log2n points:
  //   X[k] = sum_n x[n] * exp(-2*pi*i*k*n/N).
  // `data` must come from a SplitComplexArray of exactly length() points and
  // log2n must be this setup's; the setup must include Complex.
  void zip(const SplitComplex& data, int log2n) const;

  // The same transform for real input: reads only realp[0, N) (the imaginary
  // input is taken as zero and imagp need not be cleared) and leaves bins
  // 0 ... N/2 in realp/imagp; the upper bins are the conjugate mirror
  // (X[N-k] = conj X[k]) and are not written. Needs RealInput in the setup.
  void zipRealInput(const SplitComplex& data, int log2n) const;

  // out[k] = sqrt(re[k]^2 + im[k]^2) for k in [0, count).
  static void zvabs(const SplitComplex& data, float* out, int count);

  // Magnitudes of all N bins after zipRealInput: bins 0 ... N/2 from the
  // arrays, bins above mirrored (|X[N-k]| = |X[k]|).
  static void zvabsRealInput(const SplitComplex& data, float* out, int count);

  // Where measured plans are kept: <cacheDirectory()>/fftwf-wisdom.
  static std::string wisdomPath();
  // Drops the measured plans held in memory (the file stays); the next
  // measured setup reads the file again.
  static void forgetWisdom();

 private:
  FFT() = default;
  int log2n_ = 0;
  int length_ = 0;
  void* complexPlan_ = nullptr;
  void* realPlan_ = nullptr;
  int alignment_ = 0;
  // The measurement still to be taken over; shared with the planner thread.
  std::shared_ptr<MeasuredPlans> pending_;
};

}  // namespace platform
