#pragma once

#include <string>
#include <string_view>

#include "platform/Application.h"

namespace platform {

// The browser's keyboard events as the app's keys: `key` and `code` are the
// event's KeyboardEvent.key and .code. Printable keys are their unshifted
// character, as on the desktop: the key's own character for letters (of any
// layout), the US layout's character for the key's place otherwise (Shift+=
// is '=' with Shift, as SDL reports it); the number pad's keys are the keys
// they stand for. Unknown for modifiers and keys the app has no value for.
Key keyForBrowserKey(std::string_view key, std::string_view code);

// The text the key types into a field: the event's key when it is one
// character (not a key name such as "Enter" or "Dead"), else "".
std::string textForBrowserKey(std::string_view key);

}  // namespace platform
