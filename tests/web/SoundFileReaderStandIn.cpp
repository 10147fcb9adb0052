// A stand-in for the desktop's sound-file reader (libsndfile and
// libsamplerate, which the browser build does not have) in the analysis
// built to WebAssembly: it reads no file, so the analyser replays only the
// tuner's own recordings (16-bit mono AIFF at the capture rate), through its
// AIFF source, and refuses every other file with the reason below.

#include "platform/SoundFileReader.h"

namespace platform {

struct SoundFileReader::Impl {};

std::unique_ptr<SoundFileReader> SoundFileReader::open(const std::string&, double,
                                                       std::string& error) {
  error = "the browser build replays only 16-bit mono AIFF at 22050 Hz";
  return nullptr;
}

SoundFileReader::SoundFileReader(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
SoundFileReader::~SoundFileReader() = default;
int SoundFileReader::fileChannels() const {
  return 0;
}
double SoundFileReader::fileRate() const {
  return 0;
}
double SoundFileReader::duration() const {
  return 0;
}
void SoundFileReader::setChannel(int) {}
int SoundFileReader::read(int16_t*, int) {
  return 0;
}
bool SoundFileReader::atEnd() {
  return true;
}
const std::string& SoundFileReader::readError() const {
  static const std::string none;
  return none;
}

}  // namespace platform
