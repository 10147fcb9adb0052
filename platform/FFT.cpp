// The magnitudes of a transform, the same on every backend: the analysis
// pass's one loop over all 65536 bins, which GCC vectorises from -O3 on.
#include "platform/FFT.h"

#include <cmath>

namespace platform {

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
