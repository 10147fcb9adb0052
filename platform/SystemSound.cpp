#include "platform/SystemSound.h"

#include <SDL.h>
#include <sndfile.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/Log.h"

namespace platform {

namespace {

// Everything is converted once, at load, to the mixer's format.
constexpr int kMixRate = 44100;
constexpr int kMixChannels = 2;
constexpr int kVoices = 16;
// Reference notes last seconds; a minute is plenty and bounds the memory a
// bad file can claim.
constexpr sf_count_t kLongestSoundSeconds = 60;

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
    const bool sane = info.channels >= 1 && info.channels <= 8 && info.samplerate >= 1000 &&
                      info.samplerate <= 384000 && info.frames >= 0 &&
                      info.frames <= kLongestSoundSeconds * info.samplerate;
    std::vector<float> decoded;
    if (sane) {
      decoded.resize(size_t(info.frames) * size_t(info.channels));
      const sf_count_t got = sf_readf_float(file, decoded.data(), info.frames);
      decoded.resize(size_t(std::max<sf_count_t>(got, 0)) * size_t(info.channels));
    }
    sf_close(file);
    if (!sane) return kSystemSoundUnsupportedFile;

    auto sound = std::make_unique<Sound>();
    if (!convertToMixFormat(decoded, info.channels, info.samplerate, sound->samples))
      return kSystemSoundUnsupportedFile;
    std::lock_guard<std::mutex> lock(mutex_);
    const SystemSoundID id = nextID_++;
    sounds_[id] = std::move(sound);
    *outSoundID = id;
    return noErr;
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
    *voice = Voice{it->second.get(), 0};
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

 private:
  struct Voice {
    const Sound* sound = nullptr;
    size_t position = 0;  // frames played
  };

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
    // About 0.1 s: a note starts a little late rather than stutter when the
    // machine is busy.
    want.samples = 4096;
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
};

// Never destroyed: sound effects owned by other statics may be disposed of
// during exit.
SdlSystemSounds& sdlService() {
  static auto* service = new SdlSystemSounds;
  return *service;
}

// The one service behind the process-wide sound calls, as the calls are.
SystemSoundService* installed = nullptr;

SystemSoundService& service() {
  return installed ? *installed : sdlService();
}

}  // namespace

OSStatus AudioServicesCreateSystemSoundID(const char* path, SystemSoundID* outSoundID) {
  return service().create(path, outSoundID);
}

void AudioServicesPlaySystemSound(SystemSoundID soundID) {
  service().play(soundID);
}

OSStatus AudioServicesDisposeSystemSoundID(SystemSoundID soundID) {
  return service().dispose(soundID);
}

SystemSoundService* setSystemSoundService(SystemSoundService* replacement) {
  SystemSoundService* previous = installed ? installed : &sdlService();
  installed = replacement == &sdlService() ? nullptr : replacement;
  return previous;
}

int systemSoundsLoaded() {
  return sdlService().loaded();
}
int systemSoundsPlaying() {
  return sdlService().playing();
}

}  // namespace platform
