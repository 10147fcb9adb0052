#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace aifftest {

// A fresh file name in a per-process temporary directory.
std::string tempPath(const std::string& name);

std::vector<unsigned char> readFile(const std::string& path);
void writeFile(const std::string& path, const std::vector<unsigned char>& bytes);

// Writes 16-bit mono samples with the library's own writer: AIFC "sowt"
// (native little-endian samples) or plain AIFF (samples stored big-endian,
// as that form requires).
void writeSamples(const std::string& path, double sampleRate, const std::vector<int16_t>& samples,
                  bool aifc = true);

// `seconds` of a tone at `fundamental` Hz with `harmonics` harmonics of equal
// amplitude (and an optional second tone), 16-bit.
std::vector<int16_t> tone(double sampleRate, double seconds, double fundamental, int harmonics,
                          double amplitude = 3000);

// Hand-built files for the reader's malformed-input cases.
class ChunkWriter {
 public:
  explicit ChunkWriter(const char* formType = "AIFF");
  ChunkWriter& u32(uint32_t v);
  ChunkWriter& u16(uint16_t v);
  ChunkWriter& id(const char* fourChars);
  ChunkWriter& bytes(const std::vector<unsigned char>& b);
  ChunkWriter& rate(double hz);
  // A COMM chunk of 18 bytes (AIFF) for 16-bit mono.
  ChunkWriter& comm(uint32_t frames, double hz = 22050, uint16_t channels = 1, uint16_t bits = 16);
  // An SSND chunk holding `data` (size field 8 + data unless given).
  ChunkWriter& ssnd(const std::vector<unsigned char>& data, int64_t sizeField = -1);
  // Patches the FORM size and returns the file's bytes.
  std::vector<unsigned char> finish();

 private:
  std::vector<unsigned char> out_;
};

}  // namespace aifftest
