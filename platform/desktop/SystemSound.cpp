#include <SDL.h>
#include <sndfile.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/Log.h"
#include "platform/SystemSoundCore.h"

namespace platform {

namespace {

// Everything is converted once, at load, to the mixer's format: the format of
// the reference notes, which then need no conversion (and take a quarter of
// the memory of 44.1 kHz stereo: a tone mode with 61 notes loaded keeps 13 MB).
// The sound server makes it the output's format.
constexpr int kMixRate = 22050;
constexpr int kMixChannels = 1;
constexpr int kVoices = 16;
// 23 ms: a touched note waits at most this long to be handed to the output.
constexpr Uint16 kMixFrames = 512;

struct Sound {
  std::vector<float> samples;  // interleaved, kMixChannels, kMixRate
  size_t frames() const { return samples.size() / kMixChannels; }
};

bool convertToMixFormat(std::vector<float>& in, int channels, int rate, std::vector<float>& out) {
  if (channels == kMixChannels && rate == kMixRate) {
    out.swap(in);
    return true;
  }
  SDL_AudioStream* stream = SDL_NewAudioStream(AUDIO_F32SYS, static_cast<Uint8>(channels), rate,
                                               AUDIO_F32SYS, kMixChannels, kMixRate);
  if (!stream) return false;
  bool ok =
      in.empty() || SDL_AudioStreamPut(stream, in.data(), int(in.size() * sizeof(float))) == 0;
  ok = ok && SDL_AudioStreamFlush(stream) == 0;
  if (ok) {
    const int available = SDL_AudioStreamAvailable(stream);
    out.resize(size_t(available) / sizeof(float));
    const int got = available > 0 ? SDL_AudioStreamGet(stream, out.data(), available) : 0;
    ok = got >= 0;
    out.resize(size_t(std::max(got, 0)) / sizeof(float));
  }
  SDL_FreeAudioStream(stream);
  return ok;
}

class SdlSystemSounds final : public SystemSoundService {
 public:
  OSStatus create(const char* path, SystemSoundID* outSoundID) override {
    if (!outSoundID) return kSystemSoundBadID;
    *outSoundID = 0;
    struct stat st;
    if (!path || stat(path, &st) != 0) return kSystemSoundFileNotFound;
    SF_INFO info{};
    SNDFILE* file = sf_open(path, SFM_READ, &info);
    if (!file) return kSystemSoundUnsupportedFile;
    const bool sane = systemSoundFormatSane(info.channels, info.samplerate, info.frames);
    std::vector<float> decoded;
    if (sane) {
      decoded.resize(size_t(info.frames) * size_t(info.channels));
      const sf_count_t got = sf_readf_float(file, decoded.data(), info.frames);
      decoded.resize(size_t(std::max<sf_count_t>(got, 0)) * size_t(info.channels));
    }
    sf_close(file);
    if (!sane) return kSystemSoundUnsupportedFile;
    return add(decoded, info.channels, info.samplerate, outSoundID);
  }

  OSStatus createWithSamples(const int16_t* samples, size_t frames, int channels, int sampleRate,
                             SystemSoundID* outSoundID) override {
    if (!outSoundID) return kSystemSoundBadID;
    *outSoundID = 0;
    if ((!samples && frames > 0) || !systemSoundFormatSane(channels, sampleRate, int64_t(frames)))
      return kSystemSoundUnsupportedFile;
    // The scale libsndfile reads 16-bit files with, so a note sounds the
    // same from memory as from its file.
    std::vector<float> decoded(frames * size_t(channels));
    for (size_t i = 0; i < decoded.size(); ++i) decoded[i] = float(samples[i]) / 32768.0f;
    return add(decoded, channels, sampleRate, outSoundID);
  }

  void play(SystemSoundID soundID) override {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = sounds_.find(soundID);
    if (it == sounds_.end() || !openDevice()) return;
    SDL_LockAudioDevice(device_);
    // A free voice, or else the one that has played longest.
    Voice* voice = &voices_[0];
    for (Voice& v : voices_) {
      if (!v.sound) {
        voice = &v;
        break;
      }
      if (v.position > voice->position) voice = &v;
    }
    *voice = Voice{it->second.get(), 0, false};
    SDL_UnlockAudioDevice(device_);
  }

  OSStatus dispose(SystemSoundID soundID) override {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = sounds_.find(soundID);
    if (it == sounds_.end()) return kSystemSoundBadID;
    if (device_) {
      SDL_LockAudioDevice(device_);
      for (Voice& v : voices_)
        if (v.sound == it->second.get()) v = Voice{};
      SDL_UnlockAudioDevice(device_);
    }
    sounds_.erase(it);
    if (sounds_.empty() && device_) {
      // Nothing left to play: give the device back.
      SDL_CloseAudioDevice(device_);
      device_ = 0;
      for (Voice& v : voices_) v = Voice{};
    }
    return noErr;
  }

  int loaded() {
    std::lock_guard<std::mutex> lock(mutex_);
    return int(sounds_.size());
  }

  int playing() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!device_) return 0;
    SDL_LockAudioDevice(device_);
    const int n =
        int(std::count_if(voices_, voices_ + kVoices, [](const Voice& v) { return v.sound; }));
    SDL_UnlockAudioDevice(device_);
    return n;
  }

  std::chrono::steady_clock::time_point lastHeard() const {
    return std::chrono::steady_clock::time_point(
        std::chrono::steady_clock::duration(lastHeard_.load(std::memory_order_relaxed)));
  }

 private:
  struct Voice {
    const Sound* sound = nullptr;
    size_t position = 0;  // frames played
    bool heard = false;   // a sample that is not silence has been mixed
  };

  OSStatus add(std::vector<float>& decoded, int channels, int rate, SystemSoundID* outSoundID) {
    auto sound = std::make_unique<Sound>();
    if (!convertToMixFormat(decoded, channels, rate, sound->samples))
      return kSystemSoundUnsupportedFile;
    std::lock_guard<std::mutex> lock(mutex_);
    const SystemSoundID id = nextID_++;
    sounds_[id] = std::move(sound);
    *outSoundID = id;
    return noErr;
  }

  bool openDevice() {
    if (device_ && SDL_GetAudioDeviceStatus(device_) != SDL_AUDIO_STOPPED) return true;
    if (device_) {
      // Unplugged since the last play: start over on the default device.
      SDL_CloseAudioDevice(device_);
      device_ = 0;
      for (Voice& v : voices_) v = Voice{};
    }
    if (!SDL_WasInit(SDL_INIT_AUDIO) && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      Log("Cannot start SDL audio: %s", SDL_GetError());
      return false;
    }
    SDL_AudioSpec want{};
    want.freq = kMixRate;
    want.format = AUDIO_F32SYS;
    want.channels = kMixChannels;
    want.samples = kMixFrames;
    want.callback = &SdlSystemSounds::mix;
    want.userdata = this;
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (!device_) {
      Log("Cannot open audio output device: %s", SDL_GetError());
      return false;
    }
    SDL_PauseAudioDevice(device_, 0);
    return true;
  }

  // SDL's audio thread, under the device lock.
  static void mix(void* userdata, Uint8* stream, int len) {
    auto* self = static_cast<SdlSystemSounds*>(userdata);
    auto* out = reinterpret_cast<float*>(stream);
    const size_t frames = size_t(len) / (sizeof(float) * kMixChannels);
    std::fill(out, out + frames * kMixChannels, 0.0f);
    for (Voice& v : self->voices_) {
      if (!v.sound) continue;
      const size_t n = std::min(frames, v.sound->frames() - v.position);
      const float* in = v.sound->samples.data() + v.position * kMixChannels;
      for (size_t i = 0; i < n * kMixChannels; ++i) out[i] += in[i];
      if (!v.heard && std::any_of(in, in + n * kMixChannels, [](float s) { return s != 0.0f; })) {
        v.heard = true;
        self->lastHeard_.store(std::chrono::steady_clock::now().time_since_epoch().count(),
                               std::memory_order_relaxed);
      }
      v.position += n;
      if (v.position >= v.sound->frames()) v = Voice{};
    }
    for (size_t i = 0; i < frames * kMixChannels; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
  }

  std::mutex mutex_;  // the sounds and the device; the voices are under SDL's device lock
  std::map<SystemSoundID, std::unique_ptr<Sound>> sounds_;
  SystemSoundID nextID_ = 1;
  SDL_AudioDeviceID device_ = 0;
  Voice voices_[kVoices];
  // Set by the mixer, read by anyone: a time_point's count.
  std::atomic<std::chrono::steady_clock::rep> lastHeard_{0};
};

// Never destroyed: sound effects owned by other statics may be disposed of
// during exit.
SdlSystemSounds& sdlService() {
  static auto* service = new SdlSystemSounds;
  return *service;
}

}  // namespace

SystemSoundService& backendSystemSoundService() {
  return sdlService();
}

int systemSoundsLoaded() {
  return sdlService().loaded();
}
int systemSoundsPlaying() {
  return sdlService().playing();
}
std::chrono::steady_clock::time_point systemSoundLastHeard() {
  return sdlService().lastHeard();
}

}  // namespace platform
