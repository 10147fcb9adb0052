#pragma once

namespace platform {

// Makes the X error that SDL's wake-ups of its own event wait can cause at
// quit harmless (see X11Errors.cpp); any other X error is handled as before.
// Call before SDL's video starts, so that SDL keeps this handler as the one
// it puts back when it closes its X connections. Later calls do nothing;
// without an X server it does nothing either.
void ignoreWakeUpsOfGoneWindows();

}  // namespace platform
