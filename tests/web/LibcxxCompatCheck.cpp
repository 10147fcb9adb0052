// Prints what std::to_chars, std::from_chars (floating point) and
// std::bit_cast give for a fixed set of values, one line each. Built
// natively (the real library) and for the browser (where
// platform/web/LibcxxCompat.h stands in): tests/web/libcxx-compat.sh
// requires the same lines from both.
#include <bit>
#include <charconv>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

// By name: the numbers behind std::errc differ between C libraries.
const char* name(std::errc ec) {
  if (ec == std::errc{}) return "ok";
  switch (ec) {
    case std::errc::invalid_argument:
      return "invalid_argument";
    case std::errc::result_out_of_range:
      return "result_out_of_range";
    case std::errc::value_too_large:
      return "value_too_large";
    default:
      return "other";
  }
}

template <class Real>
void printToChars(Real value) {
  char text[64];
  const auto [ptr, ec] = std::to_chars(text, text + sizeof text, value);
  // The value by its bits: printf's %a differs between C libraries.
  uint64_t bits = 0;
  memcpy(&bits, &value, sizeof value);
  printf("to_chars %s %" PRIx64 ": %s %s\n", sizeof(Real) == 4 ? "float" : "double", bits,
         std::string(text, ptr).c_str(), name(ec));
}

void printFromChars(const std::string& text) {
  double value = -12345.0;  // stays when nothing is read
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  uint64_t bits = 0;
  memcpy(&bits, &value, sizeof value);
  printf("from_chars \"%s\": %" PRIx64 ", read %d, %s\n", text.c_str(), bits,
         static_cast<int>(ptr - text.data()), name(ec));
}

}  // namespace

int main() {
  std::vector<float> floats = {0.0f,
                               -0.0f,
                               98.5f,
                               440.0f,
                               82.407f,
                               73.416f,
                               0.1f,
                               0.0001f,
                               1e-5f,
                               123456.0f,
                               1e20f,
                               16777216.0f,
                               1.0f / 3.0f,
                               std::numeric_limits<float>::max(),
                               std::numeric_limits<float>::min(),
                               std::numeric_limits<float>::denorm_min()};
  std::vector<double> doubles = {0.0,
                                 -0.0,
                                 98.5,
                                 0.1,
                                 1e-5,
                                 1e21,
                                 1e22,
                                 123456789012345678.0,
                                 1.0 / 3.0,
                                 std::numeric_limits<double>::max(),
                                 std::numeric_limits<double>::min(),
                                 std::numeric_limits<double>::denorm_min()};
  // Powers of two and their neighbours, where the gaps between values change.
  for (int e = -149; e <= 127; ++e) {
    const float p = std::ldexp(1.0f, e);
    floats.insert(floats.end(), {p, std::nextafter(p, 0.0f), std::nextafter(p, 1e38f)});
  }
  for (int e = -1074; e <= 1023; e += 7) doubles.push_back(std::ldexp(1.0, e));
  // Any bit pattern.
  std::mt19937 random(2026);
  for (int i = 0; i < 5000; ++i) {
    const uint32_t bits = random();
    const float f = std::bit_cast<float>(bits);
    if (std::isfinite(f)) floats.push_back(f);
    const uint64_t wide = (static_cast<uint64_t>(random()) << 32) | random();
    const double d = std::bit_cast<double>(wide);
    if (std::isfinite(d)) doubles.push_back(d);
  }
  for (float f : floats) printToChars(f);
  for (double d : doubles) printToChars(d);

  for (const char* text : {"98.5",   "440",      "0",
                           "-0",     "1e5",      "1E5",
                           "2.5e-3", "+1",       " 1",
                           "0x1p3",  "-0x10",    "inf",
                           "-inf",   "infinity", "nan",
                           "1e400",  "-1e400",   ".5",
                           "5.",     "abc",      "",
                           "-",      "1.5e",     "1.5e+",
                           "12abc",  "98.5Hz",   "0.1000000000000000055511151231257827"}) {
    printFromChars(text);
  }
  for (float f : floats) {
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, f).ptr;
    printFromChars(std::string(text, end));
  }
  const double nan = std::bit_cast<double>(uint64_t{0x7FF8000000000000ULL});
  printf("bit_cast: %s %d\n", std::isnan(nan) ? "nan" : "number", std::signbit(nan) ? 1 : 0);
  return 0;
}
