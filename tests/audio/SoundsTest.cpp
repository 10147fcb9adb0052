#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "audio/NoteSynth.h"
#include "audio/Sounds.h"
#include "common/TargetNote.h"
#include "common/Tuning.h"
#include "platform/Bundle.h"
#include "tests/support/Scoped.h"

using namespace platform;

namespace {

// Counts what the cache asks of the system-sound service: loads per path,
// sounds made from samples, and disposals per identifier. Paths containing
// "broken" fail to load; samples are refused while `refuseSamples` is set.
class TestSystemSoundService : public SystemSoundService {
 public:
  OSStatus create(const char* path, SystemSoundID* out) override {
    loads[path]++;
    if (std::string(path).find("broken") != std::string::npos) return kSystemSoundUnsupportedFile;
    return give(out);
  }
  OSStatus createWithSamples(const int16_t*, size_t frames, int channels, int rate,
                             SystemSoundID* out) override {
    made.push_back({frames, channels, rate});
    return refuseSamples ? kSystemSoundUnsupportedFile : give(out);
  }
  void play(SystemSoundID id) override { played.push_back(id); }
  OSStatus dispose(SystemSoundID id) override {
    disposals[id]++;
    return live.erase(id) ? noErr : kSystemSoundBadID;
  }
  OSStatus give(SystemSoundID* out) {
    *out = next++;
    live.insert(*out);
    return noErr;
  }
  struct Made {
    size_t frames;
    int channels, rate;
  };
  std::map<std::string, int> loads;
  std::vector<Made> made;
  bool refuseSamples = false;
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
  static const TargetNote& guitarNote(const std::string& soundName) {
    for (const auto& note : Tuning::tuningForId("dropd")->tuningNotes)
      if (note->soundName() == soundName) return *note;
    throw std::runtime_error("no " + soundName);
  }
  static std::shared_ptr<const TargetNote> userNote(const std::string& soundName, float hz) {
    return TargetNote::initWithName("D", "button-fg-d.png", soundName, hz);
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
    SoundEffect* first = sounds.soundForNote(guitarNote("A2g"));
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, sounds.soundForNote(guitarNote("A2g")));
    EXPECT_EQ(1, service.loads[path("A2g")]);
    EXPECT_TRUE(service.made.empty()) << "a note with a file is never synthesised";
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
    SoundEffect* d2 = sounds.soundForNote(guitarNote("D2g"));
    ASSERT_NE(nullptr, d2);
    EXPECT_EQ(1, service.loads[path("D2g")]);
  }
  expectAllDisposedOnce();
}

// A user tuning's notes have no file: the preload synthesises them, so that a
// touch only starts the sound; a request for another note synthesises it then.
TEST_F(SoundsTest, NotesWithoutAFileAreSynthesisedAheadOrOnDemand) {
  {
    auto d2 = userNote("D2x", 73.42f), typed = userNote("f9850x", 98.5f);
    TuningDictionary mine{"user-mine", "Mine", {d2, typed}, "Your tunings"};
    Sounds sounds;
    sounds.preLoadSoundsForTuning(mine);
    ASSERT_EQ(2u, service.made.size());
    EXPECT_EQ(0, service.loads[path("D2x")]);
    for (const auto& made : service.made) {
      EXPECT_EQ(size_t(notesynth::kFrames), made.frames);
      EXPECT_EQ(1, made.channels);
      EXPECT_EQ(notesynth::kSampleRate, made.rate);
    }
    SoundEffect* effect = sounds.soundForNote(*typed);
    ASSERT_NE(nullptr, effect);
    effect->play();
    EXPECT_EQ(std::vector<SystemSoundID>{effect->soundID()}, service.played);
    EXPECT_EQ(2u, service.made.size()) << "preloaded: nothing more to make";

    EXPECT_NE(nullptr, sounds.soundForNote(*userNote("A2x", 110.0f)));
    EXPECT_EQ(3u, service.made.size());
  }
  expectAllDisposedOnce();
}

TEST_F(SoundsTest, AFileThatCannotBeReadIsReplacedByASynthesisedNote) {
  Sounds sounds;
  std::filesystem::remove(path("G3g"));
  EXPECT_NE(nullptr, sounds.soundForNote(guitarNote("G3g")));  // no file
  EXPECT_EQ(0, service.loads[path("G3g")]);
  touch("broken");
  EXPECT_NE(nullptr, sounds.soundForNote(*userNote("broken", 98.0f)));  // unreadable file
  EXPECT_EQ(1, service.loads[path("broken")]);
  EXPECT_EQ(2u, service.made.size());
}

TEST_F(SoundsTest, ANoteThatCannotBeMadeGetsNoEntryAndIsTriedAgain) {
  Sounds sounds;
  // No sound below 1 Hz: the service is not even asked.
  EXPECT_EQ(nullptr, sounds.soundForNote(*userNote("f0x", 0.0f)));
  EXPECT_TRUE(service.made.empty());

  service.refuseSamples = true;
  auto d2 = userNote("D2x", 73.42f);
  EXPECT_EQ(nullptr, sounds.soundForNote(*d2));
  TuningDictionary mine{"user-mine", "Mine", {d2}, "Your tunings"};
  sounds.preLoadSoundsForTuning(mine);
  EXPECT_TRUE(service.live.empty());
  service.refuseSamples = false;
  EXPECT_NE(nullptr, sounds.soundForNote(*d2));
  EXPECT_EQ(3u, service.made.size());
}
