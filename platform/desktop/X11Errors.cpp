#include "platform/desktop/X11Errors.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>

namespace platform {

namespace {

XErrorHandler previousHandler = nullptr;

// While it waits for events, SDL (2.26) wakes itself by sending an event to
// the window through a second connection to the X server. When the app quits
// right after an event, the server can take that wake-up after the window
// was destroyed on the first connection, and answers it with BadWindow; at
// the close of the second connection Xlib's default handler then prints the
// error and exits with status 1, so a plain Ctrl+Q looked like a failure. A
// wake-up for a window that is gone has nothing left to wake. SDL puts back
// the handler it found at its start before it closes its connections, so
// this one is installed before then.
int handleError(Display* display, XErrorEvent* error) {
  if (error->error_code == BadWindow && error->request_code == X_SendEvent) return 0;
  return previousHandler ? previousHandler(display, error) : 0;
}

}  // namespace

void ignoreWakeUpsOfGoneWindows() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  previousHandler = XSetErrorHandler(handleError);
}

}  // namespace platform
