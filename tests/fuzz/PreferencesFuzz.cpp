// Feeds arbitrary bytes to the preferences parser. Whatever it accepts must
// survive a write and a re-read unchanged, since that is what every save does.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/Preferences.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  auto values = platform::Preferences::parse(text);
  if (!values) return 0;
  auto again = platform::Preferences::parse(platform::Preferences::serialize(*values));
  if (!again || *again != *values) abort();
  return 0;
}
