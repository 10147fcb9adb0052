#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>

#include "audio/AiffIO.h"
#include "tests/support/AiffTestFiles.h"

using aifftest::ChunkWriter;
using aifftest::readFile;
using aifftest::tempPath;
using aifftest::writeFile;
using Bytes = std::vector<unsigned char>;

namespace {

uint32_t be32(const Bytes& b, size_t at) {
  return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) |
         b[at + 3];
}

Bytes ext(double v) {
  Bytes out(10);
  dbl2ext(out.data(), v);
  return out;
}

struct Header {
  int ok = 0;
  double rate = 0;
  int16_t channels = 0, bits = 0;
  int sowt = -1;
  long position = -1;
  std::string error;
};

// Opens `path`, reads its header and keeps the record open for reading.
class Reader {
 public:
  explicit Reader(const std::string& path) : aiff(aiff_open(path.c_str(), "r")) {
    if (!aiff) return;
    h.ok = aiff_read_header(aiff, &h.rate, &h.channels, &h.bits, &h.sowt);
    h.position = ftell(aiff->file);
    if (aiff->error) h.error = aiff->error;
  }
  ~Reader() { aiff_close(aiff); }
  // Every frame the reader hands out, read `step` frames at a time.
  std::vector<int16_t> drain(int step = 1000) {
    std::vector<int16_t> all, chunk(step);
    for (int n; (n = aiff_read_sample(aiff, chunk.data(), step)) > 0;) {
      all.insert(all.end(), chunk.begin(), chunk.begin() + n);
    }
    return all;
  }
  aiff_data* aiff;
  Header h;
};

Header headerOf(const Bytes& file, const char* name) {
  const std::string path = tempPath(name);
  writeFile(path, file);
  return Reader(path).h;
}

Bytes le(std::initializer_list<int16_t> samples) {
  Bytes out;
  for (int16_t s : samples) {
    out.push_back(static_cast<unsigned char>(s & 0xFF));
    out.push_back(static_cast<unsigned char>(static_cast<uint16_t>(s) >> 8));
  }
  return out;
}

TEST(AiffIOTest, AifcWriterLaysOutEveryBytePatchesTheLengthsAndReadsBack) {
  const std::string path = tempPath("aifc-512.aiff");
  std::vector<int16_t> block(512);
  for (int i = 0; i < 512; ++i) block[i] = static_cast<int16_t>(i * 127 - 30000);
  aiff_data* aiff = aiff_open(path.c_str(), "w");
  ASSERT_NE(nullptr, aiff);
  EXPECT_EQ(1, aiff_write_header(aiff, 22050, 1, 16, 1));
  EXPECT_EQ(1, aiff_write_sample(aiff, block.data(), 1024, 512));
  aiff_close(aiff);

  // Every byte, with the lengths patched in at close; samples stored unchanged.
  Bytes samples(1024);
  memcpy(samples.data(), block.data(), 1024);
  // clang-format off
  const Bytes expected = ChunkWriter("AIFC")
      .id("FVER").u32(4).u32(0xA2805140)
      .id("COMM").u32(24).u16(1).u32(512).u16(16).bytes({0x40, 0x0D, 0xAC, 0x44, 0, 0, 0, 0, 0, 0})
      .id("sowt").u16(0)
      .id("SSND").u32(8 + 1024).u32(0).u32(0).bytes(samples)
      .finish();
  // clang-format on
  ASSERT_EQ(1096u, expected.size());
  EXPECT_EQ(1088u, be32(expected, 4));
  EXPECT_EQ(expected, readFile(path));

  Reader r(path);
  EXPECT_EQ(1, r.h.ok);
  EXPECT_EQ(22050.0, r.h.rate);
  EXPECT_EQ(1, r.h.channels);
  EXPECT_EQ(16, r.h.bits);
  EXPECT_EQ(1, r.h.sowt);
  EXPECT_EQ(72, r.h.position);
  // Asked for more than remains: only what remains, then 0 on every call.
  std::vector<int16_t> got(600);
  EXPECT_EQ(300, aiff_read_sample(r.aiff, got.data(), 300));
  EXPECT_EQ(212, aiff_read_sample(r.aiff, got.data() + 300, 300));
  EXPECT_EQ(0, aiff_read_sample(r.aiff, got.data(), 300));
  got.resize(512);
  EXPECT_EQ(block, got);
}

TEST(AiffIOTest, AiffWriterAndReaderAgree) {
  const std::string path = tempPath("aiff-empty.aiff");
  aiff_data* aiff = aiff_open(path.c_str(), "w");
  aiff_write_header(aiff, 8000, 1, 16, 0);
  aiff_close(aiff);
  // clang-format off
  const Bytes expected = ChunkWriter("AIFF")
      .id("COMM").u32(18).u16(1).u32(0).u16(16).bytes({0x40, 0x0B, 0xFA, 0, 0, 0, 0, 0, 0, 0})
      .id("SSND").u32(8).u32(0).u32(0)
      .finish();
  // clang-format on
  ASSERT_EQ(54u, expected.size());
  EXPECT_EQ(46u, be32(expected, 4));
  EXPECT_EQ(expected, readFile(path));
  // Read back: the file source's test reads this form's samples.
  Reader r(path);
  EXPECT_EQ(1, r.h.ok);
  EXPECT_EQ(8000.0, r.h.rate);
  EXPECT_EQ(0, r.h.sowt);
}

TEST(AiffIOTest, ReaderLeavesTheFileAlone) {
  const std::string path = tempPath("untouched.aiff");
  aifftest::writeSamples(path, 22050, {1, 2, 3});
  const Bytes before = readFile(path);
  { Reader r(path); }
  aiff_close(aiff_open(path.c_str(), "r"));
  EXPECT_EQ(before, readFile(path));
  EXPECT_EQ(nullptr, aiff_open(tempPath("no/such/dir.aiff").c_str(), "r"));
}

TEST(AiffIOTest, UnclosedRecordingReadsAsNoFrames) {
  const std::string path = tempPath("unclosed.aiff");
  aiff_data* aiff = aiff_open(path.c_str(), "w");
  aiff_write_header(aiff, 22050, 1, 16, 1);
  const Bytes samples = le({5, 6, 7, 8});
  aiff_write_sample(aiff, samples.data(), 8, 4);
  fflush(aiff->file);
  Reader r(path);
  EXPECT_EQ(1, r.h.ok) << r.h.error;
  EXPECT_TRUE(r.drain().empty());
  aiff_close(aiff);
}

TEST(AiffIOTest, ExtendedNumbers) {
  EXPECT_EQ(Bytes(10, 0), ext(0.0));
  EXPECT_EQ(Bytes(10, 0), ext(-0.0));
  const Bytes inf{0x7F, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(inf, ext(INFINITY));
  EXPECT_EQ(inf, ext(NAN));
  EXPECT_EQ((Bytes{0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0}), ext(-INFINITY));
  const Bytes minusTwo{0xC0, 0x00, 0x80, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(minusTwo, ext(-2.0));
  EXPECT_EQ(-2.0, ext2dbl(minusTwo.data()));

  const Bytes nan{0x7F, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_TRUE(std::isnan(ext2dbl(nan.data())));
  const Bytes infNoMantissa{0x7F, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(0.0, ext2dbl(infNoMantissa.data()));

  for (double v : {22050.0, 44100.0, 8000.0, 11025.0, 0.1, -1e300, 1e-310, 3.0e-5}) {
    EXPECT_EQ(v, ext2dbl(ext(v).data())) << v;
  }
}

TEST(AiffIOTest, OddChunksFromBothKindsOfWriter) {
  const Bytes samples = le({100, -100, 200});
  // Skipped by exactly its size, as this library reads its own files...
  const Bytes exact =
      ChunkWriter().comm(3).id("NAME").u32(3).bytes({'a', 'b', 'c'}).ssnd(samples).finish();
  // ...and padded to an even size, as the format asks of other writers.
  const Bytes padded =
      ChunkWriter().comm(3).id("NAME").u32(3).bytes({'a', 'b', 'c', 0}).ssnd(samples).finish();
  for (const auto& [file, name] : {std::pair{exact, "odd-exact.aiff"}, {padded, "odd-pad.aiff"}}) {
    const std::string path = tempPath(name);
    writeFile(path, file);
    Reader r(path);
    EXPECT_EQ(1, r.h.ok) << name << ": " << r.h.error;
    EXPECT_EQ(3u, r.drain().size()) << name;
  }
}

TEST(AiffIOTest, ChunksInAnyOrderAndLongCompressionNames) {
  // SSND before COMM is allowed; the reader comes back for the samples.
  const Bytes samples = le({1, 2, 3, 4});
  const Bytes ssndFirst = ChunkWriter().ssnd(samples).comm(4).finish();
  std::string path = tempPath("ssnd-first.aiff");
  writeFile(path, ssndFirst);
  {
    Reader r(path);
    EXPECT_EQ(1, r.h.ok) << r.h.error;
    EXPECT_EQ(4u, r.drain().size());
  }
  // A named "sowt" compression ("\x0Blittle sowt" + pad): the name is skipped.
  ChunkWriter named("AIFC");
  named.id("COMM").u32(18 + 4 + 12).u16(1).u32(4).u16(16).rate(22050).id("sowt");
  named.bytes({11, 'l', 'i', 't', 't', 'l', 'e', ' ', 's', 'o', 'w', 't'}).ssnd(samples);
  path = tempPath("named.aiff");
  writeFile(path, named.finish());
  Reader r(path);
  EXPECT_EQ(1, r.h.ok) << r.h.error;
  EXPECT_EQ(1, r.h.sowt);
  EXPECT_EQ((std::vector<int16_t>{1, 2, 3, 4}), r.drain());
}

TEST(AiffIOTest, FrameCountBeyondTheDataEndsWithTheData) {
  const Bytes file = ChunkWriter().comm(1000).ssnd(le({7, 8, 9})).finish();
  std::string path = tempPath("short-ssnd.aiff");
  writeFile(path, file);
  {
    Reader r(path);
    ASSERT_EQ(1, r.h.ok);
    std::vector<int16_t> dest(1000);
    EXPECT_EQ(3, aiff_read_sample(r.aiff, dest.data(), 1000));
    EXPECT_EQ(0, aiff_read_sample(r.aiff, dest.data(), 1000));
  }
  // The SSND size claims more than the file holds (a cut-off recording).
  path = tempPath("cut-off.aiff");
  writeFile(path, ChunkWriter().comm(1000).ssnd(le({7, 8, 9}), 2008).finish());
  Reader r(path);
  ASSERT_EQ(1, r.h.ok) << r.h.error;
  EXPECT_EQ((std::vector<int16_t>{7, 8, 9}), r.drain(2));
}

TEST(AiffIOTest, MalformedHeadersAreRejected) {
  const Bytes samples = le({1, 2});
  // A COMM chunk claiming `size` bytes for two 16-bit mono frames at 22050 Hz,
  // with an AIFC compression type if given, two more bytes, then the samples.
  auto commThenSamples = [&](const char* form, uint32_t size, const char* type) {
    ChunkWriter w(form);
    w.id("COMM").u32(size).u16(1).u32(2).u16(16).rate(22050);
    if (type) w.id(type);
    return w.u16(0).ssnd(samples).finish();
  };
  struct Case {
    const char* name;
    Bytes file;
  } cases[] = {
      {"not FORM", Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 4, 'W', 'A', 'V', 'E'}},
      {"empty", Bytes{}},
      {"header cut short", Bytes{'F', 'O', 'R', 'M', 0, 0}},
      {"no COMM", ChunkWriter().ssnd(samples).finish()},
      {"no SSND", ChunkWriter().comm(2).finish()},
      {"long COMM in AIFF", commThenSamples("AIFF", 20, nullptr)},
      {"short COMM",
       ChunkWriter().id("COMM").u32(10).u16(1).u32(2).u16(16).u16(0).ssnd(samples).finish()},
      {"AIFC COMM without a type", commThenSamples("AIFC", 20, nullptr)},
      {"compressed", commThenSamples("AIFC", 24, "ulaw")},
      {"short SSND", ChunkWriter().comm(2).ssnd({}, 4).finish()},
      {"chunk past the end",
       ChunkWriter().comm(2).id("APPL").u32(1000).u32(0).ssnd(samples).finish()},
      {"chunk size seeking backwards",
       ChunkWriter().comm(2).id("APPL").u32(0xFFFFFFF0).ssnd(samples).finish()},
      {"impossible frame count", ChunkWriter().comm(0x80000000u).ssnd(samples).finish()},
      {"zero sample rate", ChunkWriter().comm(2, 0.0).ssnd(samples).finish()},
      {"NaN sample rate", ChunkWriter().comm(2, NAN).ssnd(samples).finish()},
  };
  for (const auto& c : cases) {
    const Header h = headerOf(c.file, "malformed.aiff");
    EXPECT_EQ(0, h.ok) << c.name;
    EXPECT_FALSE(h.error.empty()) << c.name;
  }
}

TEST(AiffIOTest, RecordWithoutAStreamIsAProgrammingError) {
  aiff_data closed{};
  EXPECT_DEATH(aiff_write_header(&closed, 22050, 1, 16, 1), "aiff->file != NULL");
  EXPECT_DEATH(aiff_write_sample(&closed, "", 0, 0), "aiff->file != NULL");
}

// Seeds for the fuzzer: the writer's two layouts and the hand-built variants.
TEST(AiffIOTest, WritesFuzzSeedCorpus) {
  const std::filesystem::path dir =
      std::filesystem::path(QUILLON_BINARY_DIR) / "fuzz-corpus" / "AiffFuzz";
  std::filesystem::create_directories(dir);
  const Bytes samples = le({1, -1, 300, -300});
  aifftest::writeSamples((dir / "aifc.aiff").string(), 22050, {1, -1, 300, -300}, true);
  aifftest::writeSamples((dir / "aiff.aiff").string(), 8000, {1, -1, 300, -300}, false);
  writeFile((dir / "odd-exact.aiff").string(),
            ChunkWriter().comm(4).id("NAME").u32(1).bytes({'x'}).ssnd(samples).finish());
  writeFile((dir / "odd-pad.aiff").string(),
            ChunkWriter().comm(4).id("NAME").u32(1).bytes({'x', 0}).ssnd(samples).finish());
  writeFile((dir / "ssnd-first.aiff").string(), ChunkWriter().ssnd(samples).comm(4).finish());
  writeFile((dir / "short-ssnd.aiff").string(), ChunkWriter().comm(99).ssnd(samples).finish());
  for (const auto& seed : std::filesystem::directory_iterator(dir)) {
    EXPECT_EQ(1, Reader(seed.path().string()).h.ok) << seed.path();
  }
}

}  // namespace
