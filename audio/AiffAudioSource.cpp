#include "audio/AiffAudioSource.h"

#include <bit>
#include <cerrno>
#include <cstring>

#include "platform/Log.h"

namespace {
constexpr double kReadInterval = 0.1;
// Sane bounds for a recording; they also keep the buffer arithmetic in range.
constexpr double kLowestRate = 1000;
constexpr double kHighestRate = 384000;
}  // namespace

AiffAudioSource::AiffAudioSource(std::string path) : path_(std::move(path)) {}

AiffAudioSource::~AiffAudioSource() {
  stopAudioUnit();
  closeFile();
  freeAudioBuffers(bufferList);
}

void AiffAudioSource::closeFile() {
  aiff_close(aiffFile);
  aiffFile = nullptr;
}

bool AiffAudioSource::fail(const std::string& reason) {
  failureReason_ = reason;
  platform::Log("AiffAudioSource: %s: %s", path_.c_str(), reason.c_str());
  closeFile();
  return false;
}

bool AiffAudioSource::createAudioInput() {
  // Asked again: start over rather than leak the open file and buffer.
  stopAudioUnit();
  closeFile();
  freeAudioBuffers(bufferList);
  bufferList = nullptr;
  sampleRate_ = 0;
  failureReason_.clear();

  aiffFile = aiff_open(path_.c_str(), "r");
  if (!aiffFile) {
    // The one failure the caller is expected to report; say why anyway.
    failureReason_ = strerror(errno);
    return false;
  }
  double rate = 0;
  int16_t channels = 0, bits = 0;
  int sowt = 0;
  if (!aiff_read_header(aiffFile, &rate, &channels, &bits, &sowt)) {
    // A read error (a directory, a failing disk) says more than what the
    // header walk made of the missing bytes.
    const int readError = ferror(aiffFile->file) ? errno : 0;
    failureReason_ = readError         ? strerror(readError)
                     : aiffFile->error ? aiffFile->error
                                       : "not an AIFF file";
    closeFile();
    return false;
  }
  // The reader always hands out 2-byte frames; any other layout would be
  // misread (and its byte count would claim more than was read).
  if (channels != 1 || bits != 16) {
    return fail("not 16-bit mono (" + std::to_string(channels) + " channels, " +
                std::to_string(bits) + " bits per sample)");
  }
  if (!(rate >= kLowestRate && rate <= kHighestRate)) {
    return fail("unsupported sample rate " + std::to_string(rate) + " Hz");
  }
  sampleRate_ = rate;
  // "sowt" files hold little-endian samples, plain AIFF big-endian ones.
  swapSamples = (sowt != 0) != (std::endian::native == std::endian::little);
  audioBufferSize = static_cast<int>((sampleRate_ + sampleRate_) / 10.0);
  bytesPerFrame_ = static_cast<unsigned>(channels * bits / 8);
  allocateAudioBuffersForChannels(1, audioBufferSize);
  if (!bufferList) {
    sampleRate_ = 0;
    return fail("Memory allocation failed");
  }
  return true;
}

void AiffAudioSource::allocateAudioBuffersForChannels(int count, int size) {
  freeAudioBuffers(bufferList);
  bufferList = makeAudioBuffersForChannels(count, size);
}

void AiffAudioSource::startAudioUnit() {
  if (readTimer) return;  // already delivering; a second timer would double the pace
  // The timer holds no reference to the source; the source invalidates it
  // when stopped or destroyed.
  readTimer = platform::Timer::timerWithTimeInterval(
      kReadInterval, [this](platform::Timer&) { addSampleFrames(); });
  platform::RunLoop::currentRunLoop().addTimer(readTimer);
}

void AiffAudioSource::stopAudioUnit() {
  if (!readTimer) return;
  readTimer->invalidate();
  readTimer.reset();
}

void AiffAudioSource::addSampleFrames() {
  if (!aiffFile || !bufferList) return;
  AudioBuffer& buffer = bufferList->buffers[0];
  const int frames = static_cast<int>(sampleRate_ / 10.0);
  const int n = aiff_read_sample(aiffFile, buffer.data, frames);
  if (swapSamples) {
    // The analysis reads samples in native order.
    auto* samples = static_cast<uint16_t*>(buffer.data);
    for (int i = 0; i < n; ++i) samples[i] = __builtin_bswap16(samples[i]);
  }
  buffer.dataByteSize = static_cast<uint32_t>(n) * bytesPerFrame_;
  if (delegate) delegate->addSampledFrames(bufferList, n);
}
