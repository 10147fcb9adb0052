#include "tests/support/AiffTestFiles.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <stdexcept>

#include "audio/AiffIO.h"

namespace aifftest {

std::string tempPath(const std::string& name) {
  static const std::filesystem::path dir = [] {
    auto d =
        std::filesystem::temp_directory_path() / ("quillon-aiff-test-" + std::to_string(getpid()));
    std::filesystem::create_directories(d);
    return d;
  }();
  return (dir / name).string();
}

std::vector<unsigned char> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

void writeSamples(const std::string& path, double sampleRate, const std::vector<int16_t>& samples,
                  bool aifc) {
  aiff_data* aiff = aiff_open(path.c_str(), "w");
  if (!aiff) throw std::runtime_error("cannot write " + path);
  aiff_write_header(aiff, sampleRate, 1, 16, aifc ? 1 : 0);
  std::vector<unsigned char> bytes(samples.size() * 2);
  for (size_t i = 0; i < samples.size(); ++i) {
    const auto v = static_cast<uint16_t>(samples[i]);
    // "sowt" is little-endian, plain AIFF big-endian.
    bytes[2 * i + (aifc ? 0 : 1)] = static_cast<unsigned char>(v & 0xFF);
    bytes[2 * i + (aifc ? 1 : 0)] = static_cast<unsigned char>(v >> 8);
  }
  aiff_write_sample(aiff, bytes.data(), static_cast<int>(bytes.size()),
                    static_cast<int>(samples.size()));
  aiff_close(aiff);
}

std::vector<int16_t> tone(double sampleRate, double seconds, double fundamental, int harmonics,
                          double amplitude) {
  const auto n = static_cast<size_t>(sampleRate * seconds);
  std::vector<int16_t> samples(n);
  for (size_t i = 0; i < n; ++i) {
    double v = 0;
    for (int h = 1; h <= harmonics; ++h) {
      v += amplitude *
           std::sin(2 * std::numbers::pi * fundamental * h * static_cast<double>(i) / sampleRate);
    }
    samples[i] = static_cast<int16_t>(std::lround(std::clamp(v, -32768.0, 32767.0)));
  }
  return samples;
}

ChunkWriter::ChunkWriter(const char* formType) {
  id("FORM").u32(0).id(formType);
}

ChunkWriter& ChunkWriter::u32(uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out_.push_back(static_cast<unsigned char>(v >> s));
  return *this;
}

ChunkWriter& ChunkWriter::u16(uint16_t v) {
  out_.push_back(static_cast<unsigned char>(v >> 8));
  out_.push_back(static_cast<unsigned char>(v));
  return *this;
}

ChunkWriter& ChunkWriter::id(const char* fourChars) {
  for (int i = 0; i < 4; ++i) out_.push_back(static_cast<unsigned char>(fourChars[i]));
  return *this;
}

ChunkWriter& ChunkWriter::bytes(const std::vector<unsigned char>& b) {
  out_.insert(out_.end(), b.begin(), b.end());
  return *this;
}

ChunkWriter& ChunkWriter::rate(double hz) {
  unsigned char ext[10];
  dbl2ext(ext, hz);
  out_.insert(out_.end(), ext, ext + 10);
  return *this;
}

ChunkWriter& ChunkWriter::comm(uint32_t frames, double hz, uint16_t channels, uint16_t bits) {
  return id("COMM").u32(18).u16(channels).u32(frames).u16(bits).rate(hz);
}

ChunkWriter& ChunkWriter::ssnd(const std::vector<unsigned char>& data, int64_t sizeField) {
  id("SSND").u32(static_cast<uint32_t>(sizeField >= 0 ? sizeField : 8 + data.size()));
  return u32(0).u32(0).bytes(data);
}

std::vector<unsigned char> ChunkWriter::finish() {
  const auto size = static_cast<uint32_t>(out_.size() - 8);
  for (int i = 0; i < 4; ++i) out_[4 + i] = static_cast<unsigned char>(size >> (24 - 8 * i));
  return out_;
}

}  // namespace aifftest
