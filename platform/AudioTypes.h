#pragma once

#include <cstdint>

// A list of audio buffers, each with its channel count, byte size and data.
// Allocated with room for numberBuffers entries (see audio/AudioSource.h).
struct AudioBuffer {
  uint32_t numberChannels;
  uint32_t dataByteSize;
  void* data;
};

struct AudioBufferList {
  uint32_t numberBuffers;
  AudioBuffer buffers[1];  // numberBuffers entries
};
