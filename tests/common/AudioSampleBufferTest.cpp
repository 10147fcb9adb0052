#include <gtest/gtest.h>

#include <vector>

#include "common/AudioSampleBuffer.h"

namespace {
std::vector<uint8_t> chunk(int length, uint8_t value) {
  return std::vector<uint8_t>(length, value);
}
}  // namespace

TEST(AudioSampleBufferTest, AppendsWholeChunksUntilTheNextDoesNotFit) {
  auto buffer = AudioSampleBuffer::initWithBufferSize(44100);
  ASSERT_TRUE(buffer);
  EXPECT_EQ(44100, buffer->size());
  EXPECT_EQ(0, buffer->length());
  EXPECT_EQ(0, buffer->frames());

  for (int i = 0; i < 21; ++i) {
    const auto bytes = chunk(2048, static_cast<uint8_t>(i));
    buffer->appendFrames(1024, bytes.data(), 2048);
  }
  EXPECT_EQ(43008, buffer->length());
  EXPECT_EQ(21504, buffer->frames());
  // Chunks lie back to back in order.
  EXPECT_EQ(0, buffer->data()[2047]);
  EXPECT_EQ(1, buffer->data()[2048]);
  EXPECT_EQ(20, buffer->data()[43007]);

  const auto dropped = chunk(2048, 99);
  buffer->appendFrames(1024, dropped.data(), 2048);
  EXPECT_EQ(43008, buffer->length());
  EXPECT_EQ(21504, buffer->frames());

  // Exactly the room left fits.
  const auto last = chunk(44100 - 43008, 7);
  buffer->appendFrames(546, last.data(), static_cast<int>(last.size()));
  EXPECT_EQ(44100, buffer->length());
  EXPECT_EQ(22050, buffer->frames());
  EXPECT_EQ(7, buffer->data()[44099]);

  // An empty chunk always fits and counts its frames.
  buffer->appendFrames(3, nullptr, 0);
  EXPECT_EQ(44100, buffer->length());
  EXPECT_EQ(22053, buffer->frames());
}
