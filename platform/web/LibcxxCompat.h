#pragma once

// Forced into every file of the browser build (-include): the library parts
// that Emscripten's libc++ of LLVM 14 still lacks and that the shared code
// uses - std::bit_cast, and to_chars / from_chars for floating point - so
// that the layers above platform/ compile unchanged. Nothing here is
// compiled natively, and each part steps aside once the library has its own.

#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

#if defined(_LIBCPP_VERSION) && !defined(__cpp_lib_bit_cast)
namespace std {
// The AIFF reader's quiet NaN.
template <class To, class From>
requires(sizeof(To) == sizeof(From) && is_trivially_copyable_v<To> &&
         is_trivially_copyable_v<From>) constexpr To bit_cast(const From& from) noexcept {
  return __builtin_bit_cast(To, from);
}
}  // namespace std
#endif

#if defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 170000
namespace std {
// from_chars for double (the frequencies of note names, "98.5Hz"), with the
// standard's contract: no leading space or '+', no hexadecimal; on no number
// invalid_argument and ptr == first; out of range result_out_of_range with
// `value` untouched. On strtod, whose locale is always "C" in the browser
// build.
inline from_chars_result from_chars(const char* first, const char* last, double& value,
                                    chars_format = chars_format::general) {
  if (first == last || *first == '+' || *first == ' ' || (*first >= '\t' && *first <= '\r')) {
    return {first, errc::invalid_argument};
  }
  std::string text(first, last);  // strtod needs the terminating zero
  const size_t sign = text[0] == '-' ? 1 : 0;
  if (text.size() > sign + 1 && text[sign] == '0' && (text[sign + 1] | 0x20) == 'x') {
    text.resize(sign + 1);  // the general format reads "0x1" as 0 followed by "x1"
  }
  char* end = nullptr;
  errno = 0;
  const double parsed = strtod(text.c_str(), &end);
  if (end == text.c_str()) return {first, errc::invalid_argument};
  const char* ptr = first + (end - text.c_str());
  if (errno == ERANGE) return {ptr, errc::result_out_of_range};
  value = parsed;
  return {ptr, errc{}};
}
}  // namespace std
namespace quillon_libcxx_compat {

// A decimal d.ddd x 10^exponent (at least one digit).
struct Decimal {
  bool negative = false;
  std::string digits;
  int exponent = 0;
};

// From printf's "%.*e" text.
inline Decimal fromE(const char* e) {
  Decimal d;
  if (*e == '-') {
    d.negative = true;
    ++e;
  }
  for (; *e != 'e'; ++e) {
    if (*e != '.') d.digits += *e;
  }
  d.exponent = atoi(e + 1);
  return d;
}

template <class Real>
bool readsBack(const Decimal& d, Real value) {
  std::string e = (d.negative ? "-" : "") + d.digits.substr(0, 1) + "." + d.digits.substr(1) + "e" +
                  std::to_string(d.exponent);
  if constexpr (sizeof(Real) == sizeof(float)) {
    return strtof(e.c_str(), nullptr) == value;
  } else {
    return strtod(e.c_str(), nullptr) == value;
  }
}

// The decimal of as many digits one unit in the last place up or down.
inline Decimal step(Decimal d, int direction) {
  std::string& x = d.digits;
  int i = static_cast<int>(x.size()) - 1;
  if (direction > 0) {
    for (; i >= 0 && x[static_cast<size_t>(i)] == '9'; --i) x[static_cast<size_t>(i)] = '0';
    if (i < 0) {  // 9.99 -> 10.0
      x = "1" + x.substr(1);
      ++d.exponent;
    } else {
      ++x[static_cast<size_t>(i)];
    }
  } else {
    for (; i >= 0 && x[static_cast<size_t>(i)] == '0'; --i) x[static_cast<size_t>(i)] = '9';
    if (i >= 0) --x[static_cast<size_t>(i)];
    if (x[0] == '0') {  // 1.00 -> 0.999: the decade below
      x = std::string(x.size(), '9');
      --d.exponent;
    }
  }
  return d;
}

// The shortest text that reads back as `value` (Real is float or double),
// as std::to_chars(first, last, value) gives it: the fewest significant
// digits that round-trip - the nearest such decimal, or where that does not
// read back (beside a power of two, where the gaps between values halve) its
// neighbour on the other side - in fixed or scientific notation, whichever
// is shorter (fixed on a tie, with an integer's exact digits).
template <class Real>
inline std::to_chars_result shortest(char* first, char* last, Real value) {
  std::string text;
  if (std::isnan(value)) {
    text = std::signbit(value) ? "-nan" : "nan";
  } else if (std::isinf(value)) {
    text = value < 0 ? "-inf" : "inf";
  } else if (value == 0) {
    text = std::signbit(value) ? "-0" : "0";
  } else {
    constexpr int kMaxDigits = sizeof(Real) == sizeof(float) ? 9 : 17;
    Decimal d;
    for (int count = 1; count <= kMaxDigits; ++count) {
      char e[40];
      snprintf(e, sizeof e, "%.*e", count - 1, static_cast<double>(value));
      d = fromE(e);
      if (readsBack(d, value)) break;
      const Decimal up = step(d, 1), down = step(d, -1);
      if (readsBack(up, value)) {
        d = up;
        break;
      }
      if (readsBack(down, value)) {
        d = down;
        break;
      }
    }
    std::string& digits = d.digits;
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    const int n = static_cast<int>(digits.size());
    const int exponent = d.exponent;
    std::string fixed;
    if (exponent >= n - 1) {
      // An integer: of all the texts of this length, its exact digits are
      // the nearest.
      char whole[400];
      snprintf(whole, sizeof whole, "%.0f", std::fabs(static_cast<double>(value)));
      fixed = whole;
    } else if (exponent >= 0) {
      fixed = digits.substr(0, static_cast<size_t>(exponent + 1)) + "." +
              digits.substr(static_cast<size_t>(exponent + 1));
    } else {
      fixed = "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    }
    std::string scientific = digits.substr(0, 1);
    if (n > 1) scientific += "." + digits.substr(1);
    char tail[16];
    snprintf(tail, sizeof tail, "e%c%02d", exponent < 0 ? '-' : '+',
             exponent < 0 ? -exponent : exponent);
    scientific += tail;
    text = (d.negative ? "-" : "") + (scientific.size() < fixed.size() ? scientific : fixed);
  }
  if (text.size() > static_cast<size_t>(last - first)) {
    return {last, std::errc::value_too_large};
  }
  memcpy(first, text.data(), text.size());
  return {first + text.size(), std::errc{}};
}

}  // namespace quillon_libcxx_compat

namespace std {
inline to_chars_result to_chars(char* first, char* last, float value) {
  return quillon_libcxx_compat::shortest(first, last, value);
}
inline to_chars_result to_chars(char* first, char* last, double value) {
  return quillon_libcxx_compat::shortest(first, last, value);
}
}  // namespace std
#endif
