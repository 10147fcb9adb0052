#pragma once

namespace platform {

// Reports a broken invariant (method, object, file, line, description) on
// stderr and aborts. Malformed input never comes here: it is a clean error.
[[noreturn]] void handleFailure(const char* method, const void* object, const char* file, int line,
                                const char* description);

}  // namespace platform

// QUILLON_ASSERT(condition, object, file, description): `file` is the
// source's name as the program reports it, e.g. "Classes/MainViewController".
#define QUILLON_ASSERT(condition, object, file, description)                          \
  do {                                                                                \
    if (!(condition)) {                                                               \
      ::platform::handleFailure(__func__, (object), (file), __LINE__, (description)); \
    }                                                                                 \
  } while (0)
