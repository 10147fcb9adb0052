#pragma once

// AIFF / AIFC files of 16-bit frames: a writer that records captured blocks and
// a reader that plays them back, as free functions over one plain record.
// Header fields are big-endian; sample bytes pass through exactly as given or
// stored. Functions return 1 for success and 0 for failure.

#include <cstdint>
#include <cstdio>

struct aiff_data {
  FILE* file;
  int64_t formSizePos;    // writer: where the FORM size goes at close
  int64_t frameCountPos;  // writer: where the COMM frame count goes at close
  int64_t soundSizePos;   // writer: where the SSND size goes at close
  int32_t framesWritten;
  int32_t formSize;      // bytes after the FORM size field
  int32_t soundWritten;  // SSND size so far: 8 + sample bytes
  int32_t sampleFrames;  // reader: frames the COMM chunk promises
  int32_t framesRead;
  int32_t soundSize;  // reader: SSND size, cut to what the file really holds
  int32_t soundRead;  // reader: sample bytes delivered so far
  // Reader: why the last aiff_read_header failed (a static string), or null.
  const char* error;
};

// The 4-byte ids as big-endian numbers, the way aiff_read_int32be sees them.
constexpr uint32_t aiff_id(const char (&id)[5]) {
  return (static_cast<uint32_t>(static_cast<unsigned char>(id[0])) << 24) |
         (static_cast<uint32_t>(static_cast<unsigned char>(id[1])) << 16) |
         (static_cast<uint32_t>(static_cast<unsigned char>(id[2])) << 8) |
         static_cast<uint32_t>(static_cast<unsigned char>(id[3]));
}

// mode is a stdio mode, "r" or "w". Null when the record cannot be allocated
// or the file cannot be opened (errno tells why).
aiff_data* aiff_open(const char* path, const char* mode);
// Patches the header lengths of a writer, closes the stream, frees the record.
void aiff_close(aiff_data* aiff);

// aifc non-zero writes the AIFC "sowt" (little-endian samples) layout.
int aiff_write_header(aiff_data* aiff, double sampleRate, int16_t channels, int16_t bitsPerSample,
                      int aifc);
int aiff_write_sample(aiff_data* aiff, const void* data, int length, int frames);
int aiff_write_lengths(aiff_data* aiff);
int aiff_write_int32be(aiff_data* aiff, uint32_t value);
int aiff_write_int16be(aiff_data* aiff, uint16_t value);

// Walks the chunks up to the sample data. On success the stream is at the first
// sample byte and sowt is 1 for little-endian ("sowt") samples. Returns 0 for
// anything that is not a readable AIFF/AIFC file; aiff->error says why.
int aiff_read_header(aiff_data* aiff, double* sampleRate, int16_t* channels, int16_t* bitsPerSample,
                     int* sowt);
// Reads up to `frames` 2-byte frames into dest (room for 2 × frames bytes).
// Returns the frames delivered; 0 once the file is exhausted.
int aiff_read_sample(aiff_data* aiff, void* dest, int frames);
// Frames aiff_read_sample can still deliver.
int aiff_frames_left(const aiff_data* aiff);
// With dest: reads exactly length bytes. Without: skips length bytes forward.
int aiff_read_buffer(aiff_data* aiff, void* dest, int length);
int aiff_read_int32be(aiff_data* aiff, uint32_t* value);
int aiff_read_int16be(aiff_data* aiff, uint16_t* value);

// The 80-bit IEEE extended number of the COMM sample rate, big-endian.
unsigned char* dbl2ext(unsigned char* dest, double value);
double ext2dbl(const unsigned char* src);
