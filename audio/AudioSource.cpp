#include "audio/AudioSource.h"

#include <cstddef>
#include <cstdlib>

AudioBufferList* makeAudioBuffersForChannels(int count, int size) {
  if (count < 1 || size < 0) return nullptr;
  const size_t bytes = offsetof(AudioBufferList, buffers) + sizeof(AudioBuffer) * count;
  auto* list = static_cast<AudioBufferList*>(calloc(1, bytes));
  if (!list) return nullptr;
  list->numberBuffers = static_cast<uint32_t>(count);
  for (int i = 0; i < count; ++i) {
    void* data = calloc(1, size > 0 ? size : 1);
    if (!data) {
      list->numberBuffers = static_cast<uint32_t>(i);
      freeAudioBuffers(list);
      return nullptr;
    }
    list->buffers[i] = AudioBuffer{1, static_cast<uint32_t>(size), data};
  }
  return list;
}

void freeAudioBuffers(AudioBufferList* list) {
  if (!list) return;
  for (uint32_t i = 0; i < list->numberBuffers; ++i) free(list->buffers[i].data);
  free(list);
}
