// System sounds in the browser: samples from memory become WebAudio buffers
// (platform/web/WebAudio.js), and each play is a buffer source of its own,
// so plays overlap, up to 16 at once (a 17th stops the one that has played
// longest, as the desktop's mixer does). A sound disposed of while playing
// stops at once. Sounds play only once the page's audio has been started by
// a user gesture (see platform/web/AudioUnit.cpp); a touch that plays one is
// such a gesture.
//
// Handles: AudioServicesCreateSystemSoundIDWithSamples, play, dispose.
// Does not handle: sound files. The browser build carries no file decoder,
// and the page carries no reference-note files (they would be most of its
// weight): a path gives kSystemSoundFileNotFound, or
// kSystemSoundUnsupportedFile when the file is there, and the app
// synthesises the note instead, as it does for any note without a file.

#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <vector>

#include "platform/SystemSoundCore.h"

// WebAudio.js
extern "C" {
int quillon_web_sound_create(uint32_t id, const float* samples, int frames, int channels, int rate);
int quillon_web_sound_play(uint32_t id);
void quillon_web_sound_dispose(uint32_t id);
int quillon_web_sounds_playing();
}

namespace platform {

namespace {

class WebSystemSounds final : public SystemSoundService {
 public:
  OSStatus create(const char* path, SystemSoundID* outSoundID) override {
    if (!outSoundID) return kSystemSoundBadID;
    *outSoundID = 0;
    struct stat st;
    if (!path || stat(path, &st) != 0) return kSystemSoundFileNotFound;
    return kSystemSoundUnsupportedFile;
  }

  OSStatus createWithSamples(const int16_t* samples, size_t frames, int channels, int sampleRate,
                             SystemSoundID* outSoundID) override {
    if (!outSoundID) return kSystemSoundBadID;
    *outSoundID = 0;
    if ((!samples && frames > 0) || !systemSoundFormatSane(channels, sampleRate, int64_t(frames)))
      return kSystemSoundUnsupportedFile;
    // Planar floats, at the scale the desktop reads 16-bit samples with.
    std::vector<float> planes(frames * size_t(channels));
    for (size_t i = 0; i < frames; ++i)
      for (int c = 0; c < channels; ++c)
        planes[size_t(c) * frames + i] =
            float(samples[i * size_t(channels) + size_t(c)]) / 32768.0f;
    const SystemSoundID id = nextID_;
    // A rate outside what the browser's buffers take (8 to 96 kHz in every
    // browser), or no WebAudio at all.
    if (!quillon_web_sound_create(id, planes.data(), int(frames), channels, sampleRate))
      return kSystemSoundUnsupportedFile;
    ++nextID_;
    // When a play is first heard: after the silence the sound may open with.
    const size_t total = frames * size_t(channels);
    const size_t firstLoud =
        size_t(std::find_if(samples, samples + total, [](int16_t s) { return s != 0; }) - samples) /
        size_t(channels);
    sounds_[id] = std::chrono::microseconds(int64_t(1e6 * double(firstLoud) / sampleRate));
    *outSoundID = id;
    return noErr;
  }

  void play(SystemSoundID soundID) override {
    auto it = sounds_.find(soundID);
    if (it == sounds_.end()) return;
    // Only a running context is heard.
    if (quillon_web_sound_play(soundID))
      lastHeard_ = std::chrono::steady_clock::now() +
                   std::chrono::duration_cast<std::chrono::steady_clock::duration>(it->second);
  }

  OSStatus dispose(SystemSoundID soundID) override {
    auto it = sounds_.find(soundID);
    if (it == sounds_.end()) return kSystemSoundBadID;
    quillon_web_sound_dispose(soundID);
    sounds_.erase(it);
    return noErr;
  }

  int loaded() const { return int(sounds_.size()); }
  std::chrono::steady_clock::time_point lastHeard() const { return lastHeard_; }

 private:
  // Each sound's silence before its first sample that is not.
  std::map<SystemSoundID, std::chrono::microseconds> sounds_;
  SystemSoundID nextID_ = 1;
  std::chrono::steady_clock::time_point lastHeard_{};
};

// Never destroyed: sound effects owned by other statics may be disposed of
// during exit.
WebSystemSounds& webService() {
  static auto* service = new WebSystemSounds;
  return *service;
}

}  // namespace

SystemSoundService& backendSystemSoundService() {
  return webService();
}

int systemSoundsLoaded() {
  return webService().loaded();
}
int systemSoundsPlaying() {
  return quillon_web_sounds_playing();
}
std::chrono::steady_clock::time_point systemSoundLastHeard() {
  return webService().lastHeard();
}

}  // namespace platform
