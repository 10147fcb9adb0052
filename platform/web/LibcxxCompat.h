#pragma once

// Forced into every file of the browser build (-include): the two C++20
// library parts that Emscripten's libc++ of LLVM 14 still lacks and that the
// shared code uses, so that the layers above platform/ compile unchanged.
// Nothing here is compiled natively, and each part steps aside once the
// library has its own.

#include <bit>
#include <cerrno>
#include <charconv>
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
#endif
