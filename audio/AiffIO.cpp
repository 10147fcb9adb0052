// The assertions below catch callers that misuse a record (no open stream).
// They are programming errors, so they stay on in release builds too.
#undef NDEBUG
#include "audio/AiffIO.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

uint32_t toBigEndian32(uint32_t v) {
  if constexpr (std::endian::native == std::endian::little) return __builtin_bswap32(v);
  return v;
}
uint16_t toBigEndian16(uint16_t v) {
  if constexpr (std::endian::native == std::endian::little) return __builtin_bswap16(v);
  return v;
}

constexpr uint32_t kForm = aiff_id("FORM");
constexpr uint32_t kAifc = aiff_id("AIFC");
constexpr uint32_t kAiff = aiff_id("AIFF");
constexpr uint32_t kFver = aiff_id("FVER");
constexpr uint32_t kComm = aiff_id("COMM");
constexpr uint32_t kSsnd = aiff_id("SSND");
constexpr uint32_t kSowt = aiff_id("sowt");
constexpr uint32_t kNone = aiff_id("NONE");
constexpr uint32_t kTwos = aiff_id("twos");
constexpr uint32_t kAifcVersion1 = 0xA2805140;

// Length of the stream in bytes, or -1 when it cannot seek.
int64_t streamLength(FILE* file) {
  const off_t here = ftello(file);
  if (here < 0 || fseeko(file, 0, SEEK_END) != 0) return -1;
  const off_t end = ftello(file);
  if (fseeko(file, here, SEEK_SET) != 0) return -1;
  return end;
}

bool isChunkIdByte(unsigned char c) {
  return c >= 0x20 && c <= 0x7E;
}

// Writers disagree about odd chunk sizes: the format wants a pad byte after the
// data, some writers (ours included, for the chunks it skips) do not add one.
// A chunk id is four printable characters, and a pad byte is zero, so the byte
// right after the data tells which kind of file this is.
int64_t padAfterOddChunk(FILE* file, int64_t next, int64_t end) {
  if (next >= end) return 0;
  unsigned char id[4];
  if (end - next >= 4 && fseeko(file, next, SEEK_SET) == 0 && fread(id, 1, 4, file) == 4 &&
      id[0] != ' ' && std::all_of(id, id + 4, isChunkIdByte)) {
    return 0;
  }
  return 1;
}

}  // namespace

aiff_data* aiff_open(const char* path, const char* mode) {
  auto* aiff = static_cast<aiff_data*>(calloc(1, sizeof(aiff_data)));
  if (!aiff) return nullptr;
  aiff->file = fopen(path, mode);
  if (!aiff->file) {
    free(aiff);
    return nullptr;
  }
  return aiff;
}

void aiff_close(aiff_data* aiff) {
  if (!aiff) return;
  if (aiff->file) {
    if (aiff->formSizePos != 0 && aiff->frameCountPos != 0 && aiff->soundSizePos != 0) {
      aiff_write_lengths(aiff);
    }
    fclose(aiff->file);
  }
  free(aiff);
}

int aiff_write_int32be(aiff_data* aiff, uint32_t value) {
  const uint32_t big = toBigEndian32(value);
  if (fwrite(&big, 4, 1, aiff->file) != 1) return 0;
  aiff->formSize += 4;
  return 1;
}

int aiff_write_int16be(aiff_data* aiff, uint16_t value) {
  const uint16_t big = toBigEndian16(value);
  if (fwrite(&big, 2, 1, aiff->file) != 1) return 0;
  aiff->formSize += 2;
  return 1;
}

int aiff_write_header(aiff_data* aiff, double sampleRate, int16_t channels, int16_t bitsPerSample,
                      int aifc) {
  assert(aiff->file != NULL);
  aiff_write_int32be(aiff, kForm);
  aiff->formSizePos = ftello(aiff->file);
  aiff_write_int32be(aiff, 0);
  aiff->formSize = 0;

  aiff_write_int32be(aiff, aifc ? kAifc : kAiff);
  if (aifc) {
    aiff_write_int32be(aiff, kFver);
    aiff_write_int32be(aiff, 4);
    aiff_write_int32be(aiff, kAifcVersion1);
  }

  aiff_write_int32be(aiff, kComm);
  aiff_write_int32be(aiff, aifc ? 24 : 18);
  aiff_write_int16be(aiff, static_cast<uint16_t>(channels));
  aiff->frameCountPos = ftello(aiff->file);
  aiff_write_int32be(aiff, 0);
  aiff_write_int16be(aiff, static_cast<uint16_t>(bitsPerSample));
  unsigned char rate[10];
  dbl2ext(rate, sampleRate);
  if (fwrite(rate, 1, 10, aiff->file) == 10) aiff->formSize += 10;
  if (aifc) {
    aiff_write_int32be(aiff, kSowt);
    aiff_write_int16be(aiff, 0);  // empty compression name: count byte and pad byte
  }

  aiff_write_int32be(aiff, kSsnd);
  aiff->soundSizePos = ftello(aiff->file);
  aiff_write_int32be(aiff, 0);  // size
  aiff_write_int32be(aiff, 0);  // offset
  aiff_write_int32be(aiff, 0);  // block size
  aiff->soundWritten = 8;
  return 1;
}

int aiff_write_sample(aiff_data* aiff, const void* data, int length, int frames) {
  assert(aiff->file != NULL);
  if (length < 0) return 0;
  if (fwrite(data, 1, static_cast<size_t>(length), aiff->file) != static_cast<size_t>(length)) {
    return 0;
  }
  aiff->formSize += length;
  aiff->soundWritten += length;
  aiff->framesWritten += frames;
  return 1;
}

int aiff_write_lengths(aiff_data* aiff) {
  // Each value is taken before the write, which itself adds to formSize.
  const int32_t formSize = aiff->formSize;
  fseeko(aiff->file, aiff->formSizePos, SEEK_SET);
  aiff_write_int32be(aiff, static_cast<uint32_t>(formSize));
  fseeko(aiff->file, aiff->frameCountPos, SEEK_SET);
  aiff_write_int32be(aiff, static_cast<uint32_t>(aiff->framesWritten));
  fseeko(aiff->file, aiff->soundSizePos, SEEK_SET);
  aiff_write_int32be(aiff, static_cast<uint32_t>(aiff->soundWritten));
  return 1;
}

int aiff_read_int32be(aiff_data* aiff, uint32_t* value) {
  if (fread(value, 4, 1, aiff->file) != 1) return 0;
  *value = toBigEndian32(*value);
  return 1;
}

int aiff_read_int16be(aiff_data* aiff, uint16_t* value) {
  if (fread(value, 2, 1, aiff->file) != 1) return 0;
  *value = toBigEndian16(*value);
  return 1;
}

int aiff_read_buffer(aiff_data* aiff, void* dest, int length) {
  if (length < 0) return 0;
  if (!dest) return fseeko(aiff->file, length, SEEK_CUR) == 0 ? length : 0;
  if (fread(dest, 1, static_cast<size_t>(length), aiff->file) != static_cast<size_t>(length)) {
    return 0;
  }
  return length;
}

int aiff_read_header(aiff_data* aiff, double* sampleRate, int16_t* channels, int16_t* bitsPerSample,
                     int* sowt) {
  assert(aiff->file != NULL);
  auto fail = [aiff](const char* why) {
    aiff->error = why;
    return 0;
  };
  aiff->error = nullptr;

  uint32_t id = 0, size = 0, formType = 0;
  if (!aiff_read_int32be(aiff, &id) || id != kForm) return fail("not an AIFF file");
  if (!aiff_read_int32be(aiff, &size) || !aiff_read_int32be(aiff, &formType)) {
    return fail("the file ends inside its header");
  }
  const bool aifc = formType == kAifc;
  *sowt = 0;

  // Every chunk is checked against the real end of the file rather than the
  // FORM size, which a recording that was never closed leaves at 0.
  const int64_t end = streamLength(aiff->file);
  if (end < 0) return fail("the file cannot be read as a seekable file");

  bool haveComm = false, haveSound = false, littleEndian = false;
  uint16_t commChannels = 0, commBits = 0;
  uint32_t commFrames = 0;
  unsigned char commRate[10] = {};
  int64_t soundStart = 0, soundBytes = 0;

  // Each step moves forward by at least the 8 header bytes of a chunk, so the
  // walk ends on any input.
  int64_t pos = 12;
  while (end - pos >= 8) {
    if (fseeko(aiff->file, pos, SEEK_SET) != 0 || !aiff_read_int32be(aiff, &id) ||
        !aiff_read_int32be(aiff, &size)) {
      return fail("the file cannot be read");
    }
    const int64_t data = pos + 8;
    const int64_t room = end - data;
    int64_t next = data + size;

    if (id == kSsnd) {
      // A recording that was never closed still has size 0 here; it holds no
      // frames (its COMM frame count is 0 too).
      if (size == 0) size = 8;
      if (size < 8) return fail("the SSND chunk is too short");
      if (room < 8) return fail("the file ends inside the SSND chunk");
      // A cut-off recording: the data that is there is all there is.
      soundStart = data;
      soundBytes = std::min<int64_t>(size, room);
      haveSound = true;
      if (haveComm) break;
      next = data + soundBytes;
    } else {
      if (size > room) return fail("a chunk runs past the end of the file");
      if (id == kComm) {
        if (size < 18) return fail("the COMM chunk is too short");
        if (size > 18 && !aifc) return fail("the COMM chunk is too long for an AIFF file");
        uint16_t value = 0;
        aiff_read_int16be(aiff, &commChannels);
        aiff_read_int32be(aiff, &commFrames);
        aiff_read_int16be(aiff, &commBits);
        aiff_read_buffer(aiff, commRate, 10);
        littleEndian = false;
        if (size > 18) {
          uint32_t compression = 0;
          if (size < 22 || !aiff_read_int32be(aiff, &compression)) {
            return fail("the COMM chunk is too short for an AIFC file");
          }
          if (compression == kSowt) {
            littleEndian = true;
          } else if (compression != kNone && compression != kTwos) {
            return fail("compressed samples are not supported");
          }
          aiff_read_int16be(aiff, &value);  // start of the compression name
        }
        // The rest of the chunk (a longer compression name) is skipped below.
        haveComm = true;
        if (haveSound) break;
      }
    }
    if (size & 1) next += padAfterOddChunk(aiff->file, next, end);
    pos = next;
  }

  if (!haveComm) return fail("there is no COMM chunk");
  if (!haveSound) return fail("there is no SSND chunk");
  if (commFrames > static_cast<uint32_t>(INT32_MAX)) return fail("the frame count is impossible");
  const double rate = ext2dbl(commRate);
  if (!std::isfinite(rate) || rate <= 0) return fail("the sample rate is impossible");

  // Skip the offset and block size: the stream is left at the first sample.
  if (fseeko(aiff->file, soundStart + 8, SEEK_SET) != 0) return fail("the file cannot be read");
  *sampleRate = rate;
  *channels = static_cast<int16_t>(commChannels);
  *bitsPerSample = static_cast<int16_t>(commBits);
  *sowt = littleEndian ? 1 : 0;
  aiff->sampleFrames = static_cast<int32_t>(commFrames);
  aiff->framesRead = 0;
  aiff->soundSize = static_cast<int32_t>(std::min<int64_t>(soundBytes, INT32_MAX));
  aiff->soundRead = 0;
  return 1;
}

int aiff_frames_left(const aiff_data* aiff) {
  if (!aiff) return 0;
  const int64_t byCount = static_cast<int64_t>(aiff->sampleFrames) - aiff->framesRead;
  const int64_t byBytes = (static_cast<int64_t>(aiff->soundSize) - 8 - aiff->soundRead) / 2;
  return static_cast<int>(std::max<int64_t>(0, std::min(byCount, byBytes)));
}

int aiff_read_sample(aiff_data* aiff, void* dest, int frames) {
  if (!aiff || !aiff->file || frames <= 0) return 0;
  // Frames are 2 bytes, whatever the COMM chunk says. A frame count that
  // promises more than the SSND chunk holds ends where the data ends.
  const int n = std::min(frames, aiff_frames_left(aiff));
  if (n <= 0) return 0;
  const size_t wanted = static_cast<size_t>(n) * 2;
  const size_t got = fread(dest, 1, wanted, aiff->file);
  const int delivered = static_cast<int>(got / 2);
  if (got < wanted) {
    // The file shrank since the header was read: what came is the end.
    aiff->sampleFrames = aiff->framesRead + delivered;
  }
  aiff->framesRead += delivered;
  aiff->soundRead += delivered * 2;
  return delivered;
}

unsigned char* dbl2ext(unsigned char* dest, double value) {
  memset(dest, 0, 10);
  if (value == 0) return dest;
  unsigned exponent;
  uint64_t mantissa;
  if (std::isinf(value) || std::isnan(value)) {
    exponent = 0x7FFF;
    mantissa = 0xFF00000000000000ULL;
  } else {
    int e = 0;
    const double f = frexp(value, &e);
    exponent = static_cast<unsigned>(e + 16382);
    mantissa = static_cast<uint64_t>(std::fabs(f) * 18446744073709551616.0);  // × 2^64
  }
  dest[0] = static_cast<unsigned char>(((exponent >> 8) & 0x7F) | (value < 0 ? 0x80 : 0));
  dest[1] = static_cast<unsigned char>(exponent & 0xFF);
  for (int i = 0; i < 8; ++i) dest[2 + i] = static_cast<unsigned char>(mantissa >> (56 - 8 * i));
  return dest;
}

double ext2dbl(const unsigned char* src) {
  uint64_t mantissa = 0;
  for (int i = 0; i < 8; ++i) mantissa = (mantissa << 8) | src[2 + i];
  const int exponent = ((src[0] & 0x7F) << 8) | src[1];
  if (exponent == 0x7FFF && mantissa != 0) return std::bit_cast<double>(0x7FF8000000000000ULL);
  const double magnitude = ldexp(static_cast<double>(mantissa), exponent - 16446);
  return (src[0] & 0x80) ? -magnitude : magnitude;
}
