// Any bytes through the reader: the header walk must end, reject or accept
// without reading out of bounds, and the frames it hands out must stay within
// what it promised.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "audio/AiffIO.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;  // fmemopen wants at least one byte
  auto* aiff = static_cast<aiff_data*>(calloc(1, sizeof(aiff_data)));
  aiff->file = fmemopen(const_cast<uint8_t*>(data), size, "r");
  if (!aiff->file) {
    free(aiff);
    return 0;
  }
  double rate = 0;
  int16_t channels = 0, bits = 0;
  int sowt = 0;
  if (aiff_read_header(aiff, &rate, &channels, &bits, &sowt)) {
    const int promised = aiff_frames_left(aiff);
    if (static_cast<size_t>(promised) * 2 > size) abort();
    std::vector<int16_t> frames(1000);
    int total = 0;
    for (int n; (n = aiff_read_sample(aiff, frames.data(), 1000)) > 0;) {
      if (n > 1000) abort();
      total += n;
    }
    if (total != promised) abort();
  }
  aiff_close(aiff);
  return 0;
}
