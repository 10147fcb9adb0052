#include "platform/SoundFileReader.h"

#include <samplerate.h>
#include <sndfile.h>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>
#include <vector>

namespace platform {

namespace {
// Frames of the file decoded per step: enough to keep the converter busy,
// small enough that memory does not grow with the file.
constexpr int kBlockFrames = 4096;

// libsndfile's messages as sentences of ours: without its "Error : " prefix
// or the closing full stop.
std::string reason(const char* message) {
  std::string text = message ? message : "unknown error";
  for (const char* prefix : {"System error : ", "Error : "}) {
    if (text.rfind(prefix, 0) == 0) text.erase(0, strlen(prefix));
  }
  if (!text.empty() && text.back() == '.') text.pop_back();
  return text;
}
}  // namespace

struct SoundFileReader::Impl {
  SNDFILE* file = nullptr;
  SF_INFO info{};
  SRC_STATE* converter = nullptr;  // none when the file is at the rate asked for
  double ratio = 1;
  int channel = 0;
  std::vector<float> decoded, mono, converted;
  // Converted frames not yet read, from readyStart on.
  std::vector<int16_t> ready;
  size_t readyStart = 0;
  int64_t framesIn = 0, framesOut = 0;
  bool inputDone = false, finished = false;
  std::string readError;

  ~Impl() {
    if (converter) src_delete(converter);
    if (file) sf_close(file);
  }

  void deliver(const float* samples, long frames) {
    if (inputDone) {
      // The converter's last output may run a frame past the file's length
      // (or stop a frame short of it, see finish): the reading holds exactly
      // the file's duration, rounded to a frame.
      frames = static_cast<long>(std::clamp<int64_t>(totalOut() - framesOut, 0, frames));
    }
    const size_t at = ready.size();
    ready.resize(at + static_cast<size_t>(frames));
    src_float_to_short_array(samples, ready.data() + at, static_cast<int>(frames));
    framesOut += frames;
  }

  // Once the whole file is decoded: its length at the new rate.
  int64_t totalOut() const { return std::llround(static_cast<double>(framesIn) * ratio); }

  void finish() {
    finished = true;
    if (framesOut < totalOut()) {
      ready.resize(ready.size() + static_cast<size_t>(totalOut() - framesOut), 0);
      framesOut = totalOut();
    }
  }

  // Decodes and converts one more block. False once there is nothing more.
  bool convertMore() {
    if (finished) return false;
    const int channels = info.channels;
    sf_count_t got = 0;
    while (got < kBlockFrames) {
      const sf_count_t n =
          sf_readf_float(file, decoded.data() + got * channels, kBlockFrames - got);
      if (n <= 0) break;
      got += n;
    }
    if (got < kBlockFrames) {
      inputDone = true;
      if (sf_error(file) != SF_ERR_NO_ERROR) readError = reason(sf_strerror(file));
    }
    for (sf_count_t f = 0; f < got; ++f) {
      const float* frame = decoded.data() + f * channels;
      if (channel > 0) {
        mono[f] = frame[channel - 1];
      } else {
        float sum = 0;
        for (int c = 0; c < channels; ++c) sum += frame[c];
        mono[f] = sum / static_cast<float>(channels);
      }
    }
    framesIn += got;
    if (!converter) {
      deliver(mono.data(), static_cast<long>(got));
      if (inputDone) finish();
      return true;
    }
    SRC_DATA data{};
    data.data_in = mono.data();
    data.input_frames = static_cast<long>(got);
    data.src_ratio = ratio;
    data.end_of_input = inputDone ? 1 : 0;
    // At the end the converter is called until it has nothing left: the
    // frames it held back for its filter's look-ahead come out then.
    for (;;) {
      data.data_out = converted.data();
      data.output_frames = static_cast<long>(converted.size());
      if (const int status = src_process(converter, &data)) {
        readError = src_strerror(status);
        inputDone = true;
        finish();
        return true;
      }
      deliver(converted.data(), data.output_frames_gen);
      data.data_in += data.input_frames_used;
      data.input_frames -= data.input_frames_used;
      const bool progress = data.input_frames_used > 0 || data.output_frames_gen > 0;
      if (!progress || (data.input_frames == 0 && !inputDone)) break;
    }
    if (inputDone) finish();
    return true;
  }
};

SoundFileReader::SoundFileReader(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
SoundFileReader::~SoundFileReader() = default;

std::unique_ptr<SoundFileReader> SoundFileReader::open(const std::string& path, double rate,
                                                       std::string& error) {
  auto impl = std::make_unique<Impl>();
  impl->file = sf_open(path.c_str(), SFM_READ, &impl->info);
  if (!impl->file) {
    error = reason(sf_strerror(nullptr));
    return nullptr;
  }
  const SF_INFO& info = impl->info;
  if (info.channels < 1 || info.samplerate < 1) {
    error = "the file has no channels or no sample rate";
    return nullptr;
  }
  impl->ratio = rate / info.samplerate;
  if (info.samplerate != rate) {
    if (!src_is_valid_ratio(impl->ratio)) {
      error = "cannot convert a sample rate of " + std::to_string(info.samplerate) + " Hz";
      return nullptr;
    }
    int status = 0;
    impl->converter = src_new(SRC_SINC_BEST_QUALITY, 1, &status);
    if (!impl->converter) {
      error = src_strerror(status);
      return nullptr;
    }
    impl->converted.resize(static_cast<size_t>(std::ceil(kBlockFrames * impl->ratio)) + 16);
  }
  impl->decoded.resize(static_cast<size_t>(kBlockFrames) * info.channels);
  impl->mono.resize(kBlockFrames);
  return std::unique_ptr<SoundFileReader>(new SoundFileReader(std::move(impl)));
}

int SoundFileReader::fileChannels() const {
  return impl_->info.channels;
}
double SoundFileReader::fileRate() const {
  return impl_->info.samplerate;
}

double SoundFileReader::duration() const {
  const sf_count_t frames = impl_->info.frames;
  if (frames <= 0 || frames == SF_COUNT_MAX) return 0;
  return static_cast<double>(frames) / impl_->info.samplerate;
}

void SoundFileReader::setChannel(int channel) {
  assert(channel >= 0 && channel <= impl_->info.channels && impl_->framesIn == 0);
  impl_->channel = channel;
}

int SoundFileReader::read(int16_t* dest, int frames) {
  Impl& s = *impl_;
  int done = 0;
  while (done < frames) {
    const size_t available = s.ready.size() - s.readyStart;
    if (available == 0) {
      s.ready.clear();
      s.readyStart = 0;
      if (!s.convertMore()) break;
      continue;
    }
    const int n = static_cast<int>(std::min<size_t>(available, static_cast<size_t>(frames - done)));
    std::copy_n(s.ready.data() + s.readyStart, n, dest + done);
    s.readyStart += static_cast<size_t>(n);
    done += n;
  }
  return done;
}

bool SoundFileReader::atEnd() {
  Impl& s = *impl_;
  while (s.readyStart == s.ready.size()) {
    s.ready.clear();
    s.readyStart = 0;
    if (!s.convertMore()) return true;
  }
  return false;
}

const std::string& SoundFileReader::readError() const {
  return impl_->readError;
}

}  // namespace platform
