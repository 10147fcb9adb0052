#include "platform/Assert.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

void handleFailure(const char* method, const void* object, const char* file, int line,
                   const char* description) {
  fprintf(stderr, "*** Assertion failure in %s, object %p, %s:%d: %s\n", method, object, file, line,
          description);
  fflush(stderr);
  abort();
}

}  // namespace platform
