#pragma once

// What the backends' system sounds share (platform/SystemSound.cpp): the
// process-wide calls go to one service, the backend's own unless a test has
// installed another.

#include <cstdint>

#include "platform/SystemSound.h"

namespace platform {

// Whether a sound of this shape may be loaded. Reference notes last seconds;
// a minute is plenty and bounds the memory a bad file can claim.
bool systemSoundFormatSane(int channels, int rate, int64_t frames);

// The backend's service (defined by each backend). Never destroyed: sound
// effects owned by other statics may be disposed of during exit.
SystemSoundService& backendSystemSoundService();

}  // namespace platform
