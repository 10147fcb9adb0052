#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "audio/Sounds.h"
#include "common/Tuning.h"
#include "platform/Bundle.h"
#include "tests/support/Scoped.h"

using namespace platform;

namespace {

// Counts what the cache asks of the system-sound service: loads per path and
// disposals per identifier. Paths containing "broken" fail to load.
class TestSystemSoundService : public SystemSoundService {
 public:
  OSStatus create(const char* path, SystemSoundID* out) override {
    loads[path]++;
    if (std::string(path).find("broken") != std::string::npos) return kSystemSoundUnsupportedFile;
    *out = next++;
    live.insert(*out);
    return noErr;
  }
  OSStatus createWithSamples(const int16_t*, size_t, int, int, SystemSoundID*) override {
    return kSystemSoundUnsupportedFile;
  }
  void play(SystemSoundID id) override { played.push_back(id); }
  OSStatus dispose(SystemSoundID id) override {
    disposals[id]++;
    return live.erase(id) ? noErr : kSystemSoundBadID;
  }
  std::map<std::string, int> loads;
  std::map<SystemSoundID, int> disposals;
  std::set<SystemSoundID> live;
  std::vector<SystemSoundID> played;
  SystemSoundID next = 1;
};

class SoundsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous = setSystemSoundService(&service);
    for (const auto& tuning : Tuning::definedTunings())
      for (const auto& note : tuning->tuningNotes) touch(note->soundName());
  }
  void TearDown() override { setSystemSoundService(previous); }
  void touch(const std::string& name) { std::ofstream(dir + "/" + name + ".caf") << "caf"; }
  std::string path(const std::string& name) { return dir + "/" + name + ".caf"; }
  // Every identifier handed out was disposed of exactly once.
  void expectAllDisposedOnce() {
    EXPECT_TRUE(service.live.empty());
    for (SystemSoundID id = 1; id < service.next; ++id) EXPECT_EQ(1, service.disposals[id]) << id;
  }

  TestSystemSoundService service;
  SystemSoundService* previous = nullptr;
  test_support::TempDir tempDir{"sounds"};
  const std::string& dir = tempDir.path();
  test_support::ScopedResourcePath resources{dir};
};

}  // namespace

TEST_F(SoundsTest, LoadsANoteOnFirstRequestAndReusesIt) {
  {
    Sounds sounds;
    SoundEffect* first = sounds.soundForNote("A2g");
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, sounds.soundForNote("A2g"));
    EXPECT_EQ(1, service.loads[path("A2g")]);
    first->play();
    EXPECT_EQ(std::vector<SystemSoundID>{first->soundID()}, service.played);
    EXPECT_TRUE(service.disposals.empty());
  }
  expectAllDisposedOnce();
}

TEST_F(SoundsTest, PreloadKeepsOneEffectPerSoundName) {
  {
    Sounds sounds;
    sounds.preLoadSoundsForTuning(*Tuning::tuningForId("guitar"));
    EXPECT_EQ(6u, service.live.size());
    // Drop-D shares five names with the standard tuning: each is replaced by
    // its new load, the old effect released.
    sounds.preLoadSoundsForTuning(*Tuning::tuningForId("dropd"));
    EXPECT_EQ(7u, service.live.size());
    EXPECT_EQ(2, service.loads[path("A2g")]);
    // Once preloaded, a request loads nothing more.
    SoundEffect* d2 = sounds.soundForNote("D2g");
    ASSERT_NE(nullptr, d2);
    EXPECT_EQ(1, service.loads[path("D2g")]);
  }
  expectAllDisposedOnce();
}

TEST_F(SoundsTest, ANoteThatCannotBeLoadedGetsNoEntry) {
  Sounds sounds;
  std::filesystem::remove(path("G3g"));
  EXPECT_EQ(nullptr, sounds.soundForNote("G3g"));  // no file: no path at all
  EXPECT_EQ(0, service.loads[path("G3g")]);
  sounds.preLoadSoundsForTuning(*Tuning::tuningForId("guitar"));
  EXPECT_EQ(5u, service.live.size());
  EXPECT_EQ(nullptr, sounds.soundForNote("G3g"));

  // The next request tries again, so a note that turns up is found.
  touch("G3g");
  EXPECT_NE(nullptr, sounds.soundForNote("G3g"));

  // A file the service cannot read.
  touch("broken");
  EXPECT_EQ(nullptr, sounds.soundForNote("broken"));
  EXPECT_EQ(1, service.loads[path("broken")]);
  EXPECT_EQ(6u, service.live.size());
}
