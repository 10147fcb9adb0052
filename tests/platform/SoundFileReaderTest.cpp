#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/SoundFileReader.h"
#include "tests/support/Scoped.h"

namespace {

std::string writeFloatWav(const std::string& path, int rate, int channels,
                          const std::vector<float>& interleaved) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  EXPECT_NE(nullptr, file) << sf_strerror(nullptr);
  sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(interleaved.size()) / channels);
  sf_close(file);
  return path;
}

// Everything the reader gives, in reads of an awkward size.
std::vector<int16_t> readAll(platform::SoundFileReader& reader) {
  std::vector<int16_t> out;
  int16_t block[1000];
  while (const int n = reader.read(block, 1000)) out.insert(out.end(), block, block + n);
  EXPECT_TRUE(reader.atEnd());
  return out;
}

size_t loudest(const std::vector<int16_t>& v, size_t from, size_t to) {
  return static_cast<size_t>(
      std::max_element(v.begin() + from, v.begin() + to,
                       [](int16_t a, int16_t b) { return std::abs(a) < std::abs(b); }) -
      v.begin());
}

// A click stays where it was in time through the mixdown and the converter,
// and the file keeps its length: what the analyser's pass times rest on.
TEST(SoundFileReaderTest, ConvertsRateAndChannelsWithoutShiftingTime) {
  test_support::TempDir dir("soundfile");
  // One second at 48 kHz: a click at 0.5 s on the left, at 0.2 s on the right.
  std::vector<float> stereo(2 * 48000);
  stereo[2 * 24000] = 0.5f;
  stereo[2 * 9600 + 1] = 0.5f;
  const std::string path = writeFloatWav(dir / "clicks.wav", 48000, 2, stereo);

  std::string error;
  auto mixed = platform::SoundFileReader::open(path, 22050, error);
  ASSERT_TRUE(mixed) << error;
  EXPECT_EQ(2, mixed->fileChannels());
  EXPECT_DOUBLE_EQ(1.0, mixed->duration());
  const auto both = readAll(*mixed);
  ASSERT_EQ(22050u, both.size());
  EXPECT_EQ(4410u, loudest(both, 0, 8000));
  EXPECT_EQ(11025u, loudest(both, 8000, both.size()));
  EXPECT_NEAR(both[4410], both[11025], 50) << "each channel counts half";

  auto right = platform::SoundFileReader::open(path, 22050, error);
  right->setChannel(2);
  const auto one = readAll(*right);
  ASSERT_EQ(22050u, one.size());
  EXPECT_EQ(4410u, loudest(one, 0, one.size()));
  EXPECT_NEAR(2 * both[4410], one[4410], 50);
  EXPECT_LT(std::abs(one[11025]), 10) << "the left channel's click is gone";
}

// At the rate asked for there is no converter: samples are only scaled to
// 16 bits, rounded, and clipped at full scale.
TEST(SoundFileReaderTest, FloatSamplesAreScaledAndClipped) {
  test_support::TempDir dir("soundfile");
  const std::string path =
      writeFloatWav(dir / "float.wav", 22050, 1, {0.25f, -0.5f, 1.0f, -1.5f, 3.0f, 100.4f / 32768});
  std::string error;
  auto reader = platform::SoundFileReader::open(path, 22050, error);
  ASSERT_TRUE(reader) << error;
  EXPECT_EQ((std::vector<int16_t>{8192, -16384, 32767, -32768, 32767, 100}), readAll(*reader));
}

}  // namespace
