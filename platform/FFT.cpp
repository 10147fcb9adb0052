#include "platform/FFT.h"

#include <fftw3.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>

#include "platform/Assert.h"
#include "platform/Log.h"
#include "platform/Paths.h"

namespace platform {

namespace {

// FFTW's planner and its wisdom are process-wide and not thread-safe.
std::mutex& plannerMutex() {
  static std::mutex mutex;
  return mutex;
}
// The wisdom file read into the planner, so that each file is read once.
std::string& loadedWisdomPath() {
  static std::string path;
  return path;
}

constexpr char kWisdomMagic[] = "quillon-fftwf-wisdom";

uint64_t fnv1a(const std::string& text) {
  uint64_t hash = 1469598103934665603ull;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

// The wisdom file is our header line "<magic> <fnv1a hex> <length>" and then
// FFTW's own text. The header lets a truncated or scribbled-over file be
// recognised and ignored (we simply plan again) instead of being fed to FFTW.
void loadWisdom() {
  std::ifstream in(FFT::wisdomPath(), std::ios::binary);
  if (!in) return;
  std::string magic;
  std::string hashText;
  size_t length = 0;
  in >> magic >> hashText >> length;
  if (!in || magic != kWisdomMagic || in.get() != '\n' || length > (16u << 20)) {
    Log("Ignoring damaged FFT wisdom in %s", FFT::wisdomPath().c_str());
    return;
  }
  std::string text(length, '\0');
  in.read(text.data(), static_cast<std::streamsize>(length));
  char expected[32];
  snprintf(expected, sizeof expected, "%016llx", static_cast<unsigned long long>(fnv1a(text)));
  if (!in || in.gcount() != static_cast<std::streamsize>(length) || hashText != expected ||
      !fftwf_import_wisdom_from_string(text.c_str())) {
    Log("Ignoring damaged FFT wisdom in %s", FFT::wisdomPath().c_str());
  }
}

// Written to a temporary file and renamed, so that a reader never sees half a file.
void saveWisdom() {
  char* exported = fftwf_export_wisdom_to_string();
  if (!exported) return;
  const std::string text = exported;
  fftwf_free(exported);

  const std::string directory = cacheDirectory();
  if (!makeDirectories(directory)) return;
  const std::string path = FFT::wisdomPath();
  const std::string temporary = path + ".tmp." + std::to_string(getpid());
  FILE* file = fopen(temporary.c_str(), "wb");
  if (!file) return;
  bool ok = fprintf(file, "%s %016llx %zu\n", kWisdomMagic,
                    static_cast<unsigned long long>(fnv1a(text)), text.size()) > 0 &&
            fwrite(text.data(), 1, text.size(), file) == text.size();
  ok = fflush(file) == 0 && ok;
  ok = fclose(file) == 0 && ok;
  if (!ok || rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    Log("Cannot save FFT wisdom to %s", path.c_str());
  }
}

fftwf_plan planFor(unsigned kind, const SplitComplex& data, int length, unsigned flags) {
  fftwf_iodim dim{length, 1, 1};
  if (kind == FFT::Complex) {
    // FFTW's split interface is always forward for (real, imaginary).
    return fftwf_plan_guru_split_dft(1, &dim, 0, nullptr, data.realp, data.imagp, data.realp,
                                     data.imagp, flags);
  }
  return fftwf_plan_guru_split_dft_r2c(1, &dim, 0, nullptr, data.realp, data.realp, data.imagp,
                                       flags);
}

}  // namespace

std::unique_ptr<SplitComplexArray> SplitComplexArray::create(int length) {
  if (length <= 0) return nullptr;
  const size_t count = 2 * static_cast<size_t>(length);
  auto* block = static_cast<float*>(fftwf_malloc(count * sizeof(float)));
  if (!block) return nullptr;
  memset(block, 0, count * sizeof(float));
  return std::unique_ptr<SplitComplexArray>(new SplitComplexArray(block, length));
}

SplitComplexArray::~SplitComplexArray() {
  fftwf_free(realp_);
}

std::string FFT::wisdomPath() {
  return stringByAppendingPathComponent(cacheDirectory(), "fftwf-wisdom");
}

std::unique_ptr<FFT> FFT::createSetup(int log2n, unsigned kinds, Planning planning) {
  if (log2n < 1 || log2n > 30 || (kinds & (Complex | RealInput)) == 0) return nullptr;
  std::unique_ptr<FFT> setup(new FFT());
  setup->log2n_ = log2n;
  setup->length_ = 1 << log2n;

  // Plans are made on scratch arrays of the same layout as the callers' (one
  // block, imaginary half right after the real half); measuring overwrites them.
  auto scratch = SplitComplexArray::create(setup->length_);
  if (!scratch) return nullptr;
  const SplitComplex data = scratch->split();
  setup->alignment_ = fftwf_alignment_of(data.realp);

  std::lock_guard<std::mutex> lock(plannerMutex());
  const bool measured = planning == Planning::Measured;
  if (measured && loadedWisdomPath() != wisdomPath()) {
    loadWisdom();
    loadedWisdomPath() = wisdomPath();
  }
  bool learned = false;
  for (unsigned kind : {Complex, RealInput}) {
    if (!(kinds & kind)) continue;
    fftwf_plan plan = nullptr;
    if (measured) {
      plan = planFor(kind, data, setup->length_, FFTW_MEASURE | FFTW_WISDOM_ONLY);
      if (!plan) {
        plan = planFor(kind, data, setup->length_, FFTW_MEASURE);
        learned = plan != nullptr;
      }
    } else {
      plan = planFor(kind, data, setup->length_, FFTW_ESTIMATE);
    }
    if (!plan) {
      Log("Cannot plan an FFT of %d points", setup->length_);
      return nullptr;  // the destructor takes the lock: release first
    }
    (kind == Complex ? setup->complexPlan_ : setup->realPlan_) = plan;
  }
  if (learned) saveWisdom();
  return setup;
}

void FFT::forgetWisdom() {
  std::lock_guard<std::mutex> lock(plannerMutex());
  fftwf_forget_wisdom();
  loadedWisdomPath().clear();
}

FFT::~FFT() {
  if (!complexPlan_ && !realPlan_) return;
  std::lock_guard<std::mutex> lock(plannerMutex());
  if (complexPlan_) fftwf_destroy_plan(static_cast<fftwf_plan>(complexPlan_));
  if (realPlan_) fftwf_destroy_plan(static_cast<fftwf_plan>(realPlan_));
}

void FFT::zip(const SplitComplex& data, int log2n) const {
  QUILLON_ASSERT(complexPlan_ && log2n == log2n_ && data.imagp == data.realp + length_ &&
                     fftwf_alignment_of(data.realp) == alignment_,
                 this, "platform/FFT", "Split arrays do not match the FFT setup");
  fftwf_execute_split_dft(static_cast<fftwf_plan>(complexPlan_), data.realp, data.imagp, data.realp,
                          data.imagp);
}

void FFT::zipRealInput(const SplitComplex& data, int log2n) const {
  QUILLON_ASSERT(realPlan_ && log2n == log2n_ && data.imagp == data.realp + length_ &&
                     fftwf_alignment_of(data.realp) == alignment_,
                 this, "platform/FFT", "Split arrays do not match the FFT setup");
  fftwf_execute_split_dft_r2c(static_cast<fftwf_plan>(realPlan_), data.realp, data.realp,
                              data.imagp);
}

void FFT::zvabs(const SplitComplex& data, float* out, int count) {
  const float* re = data.realp;
  const float* im = data.imagp;
  for (int k = 0; k < count; ++k) out[k] = std::sqrt(re[k] * re[k] + im[k] * im[k]);
}

void FFT::zvabsRealInput(const SplitComplex& data, float* out, int count) {
  const int half = count / 2;
  zvabs(data, out, half + 1);
  for (int k = 1; k < half; ++k) out[count - k] = out[k];
}

}  // namespace platform
