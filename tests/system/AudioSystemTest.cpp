// Capture and playback on a real sound server: a PulseAudio null sink whose
// monitor is the default capture device (the CI script starts it and exports
// PULSE_SERVER).
#include <gtest/gtest.h>
#include <signal.h>
#include <sndfile.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/AURemoteIOInputSource.h"
#include "common/AudioSampleBuffer.h"
#include "common/Tuning.h"
#include "platform/Bundle.h"
#include "platform/RunLoop.h"
#include "platform/SystemSound.h"

extern char** environ;

namespace {

const char* kSink = "nullsink";

pid_t spawn(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  return pid;
}

int waitFor(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void sleepSeconds(double s) {
  std::this_thread::sleep_for(std::chrono::duration<double>(s));
}

std::string resource(const std::string& soundName) {
  return platform::Bundle::mainBundle().pathForResource(soundName, "caf").value_or("");
}

// How long a reference note lasts, in frames at 22050 Hz.
size_t noteFrames(const std::string& soundName) {
  SF_INFO info{};
  SNDFILE* file = sf_open(resource(soundName).c_str(), SFM_READ, &info);
  if (!file) return 0;
  sf_close(file);
  return size_t(double(info.frames) * 22050 / info.samplerate);
}

// Waits (in real time) until `done` holds, or gives up after `seconds`. The
// thread's timers fire meanwhile, as in the app's main loop.
template <typename Condition>
bool waitUntil(Condition done, double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    platform::RunLoop::currentRunLoop().fireDueTimers();
    sleepSeconds(0.02);
  }
  return true;
}

// Everything the microphone source delivers, appended under a mutex.
struct TestRecorder : AudioSourceDelegate {
  std::mutex mutex;
  std::vector<int16_t> samples;
  void addSampledFrames(AudioBufferList* list, int frameCount) override {
    std::lock_guard<std::mutex> lock(mutex);
    const auto* p = static_cast<const int16_t*>(list->buffers[0].data);
    samples.insert(samples.end(), p, p + frameCount);
  }
  size_t frames() {
    std::lock_guard<std::mutex> lock(mutex);
    return samples.size();
  }
};

struct Hearing {
  int passesOnNote = 0;
  float worstCents = 0;
  std::string heard;  // what each pass selected, for the failure message
};

// The tuner's view of a recording: 0.25 s blocks at 22050 Hz. Only blocks
// where the note sounds throughout are judged: not the silence around it, nor
// the first loud block, which may begin in silence (where the onset falls in
// the block differs from run to run, and a block that is half silence and
// half attack reads 5 to 12 cents off).
Hearing listen(const std::vector<int16_t>& samples, const std::string& tuningId,
               const std::string& soundName) {
  Hearing h;
  auto tuner = Tuning::initWithSampleRate(22050);
  tuner->setTargetTuning(Tuning::tuningForId(tuningId));
  tuner->setApplyHammingWindow(true);
  auto buffer = AudioSampleBuffer::initWithBufferSize(44100);
  const int block = 22050 / 4;
  bool wasLoud = false;
  for (size_t at = 0; at + block <= samples.size(); at += block) {
    buffer->reset();
    buffer->appendFrames(block, samples.data() + at, block * 2);
    tuner->processSampleBuffer(*buffer);
    double energy = 0;
    for (int i = 0; i < block; ++i) energy += double(samples[at + i]) * samples[at + i];
    const bool loud = std::sqrt(energy / block) >= 1000;
    const bool onset = loud && !wasLoud;
    wasLoud = loud;
    if (!loud || onset) {
      h.heard += loud ? " ^" : " .";
      continue;
    }
    const auto& selected = tuner->selectedNote();
    if (!selected) {
      h.heard += " -";
      continue;
    }
    const float cents = tuner->frequencyDeltaForNote(*selected);
    h.heard += " " + selected->targetNote()->soundName() + "(" + std::to_string(cents) + ")";
    if (selected->targetNote()->soundName() == soundName) {
      h.passesOnNote++;
      h.worstCents = std::max(h.worstCents, std::abs(cents));
    }
  }
  return h;
}

class AudioSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!getenv("PULSE_SERVER")) GTEST_SKIP() << "needs the PulseAudio server of scripts/test.sh";
    ASSERT_FALSE(resource("A2g").empty()) << "reference notes not built";
  }
};

}  // namespace

TEST_F(AudioSystemTest, PluckedNotePlayedIntoTheSinkIsCapturedAndNamed) {
  TestRecorder recorder;
  AURemoteIOInputSource source;
  source.setDelegate(&recorder);
  ASSERT_TRUE(source.createAudioInput());
  source.startAudioUnit();
  // A new capture stream's first block comes late, by how much depends on
  // the server and the machine's load: play only once the capture runs.
  ASSERT_TRUE(waitUntil([&] { return recorder.frames() > 0; }, 10)) << "nothing captured in 10 s";

  const size_t before = recorder.frames();
  const pid_t player = spawn({"paplay", "-d", kSink, resource("A2g")});
  ASSERT_GT(player, 0);
  EXPECT_EQ(0, waitFor(player));
  // The whole note has come in once as much time as it lasts, and half a
  // second more, has been captured since it started.
  EXPECT_TRUE(
      waitUntil([&] { return recorder.frames() - before >= noteFrames("A2g") + 22050 / 2; }, 10))
      << "the capture fell behind: " << recorder.frames() - before << " frames";
  source.stopAudioUnit();

  std::vector<int16_t> samples;
  {
    std::lock_guard<std::mutex> lock(recorder.mutex);
    samples = recorder.samples;
  }
  const Hearing h = listen(samples, "guitar", "A2g");
  EXPECT_GE(h.passesOnNote, 4) << h.heard;
  EXPECT_LE(h.worstCents, 3.0f) << h.heard;
}

TEST_F(AudioSystemTest, SystemSoundPlaysTheReferenceNoteInTune) {
  const std::string dir =
      std::filesystem::temp_directory_path() / ("quillon-record-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string wav = dir + "/out.wav";
  const pid_t recorder =
      spawn({"parecord", "--latency-msec=50", "-d", std::string(kSink) + ".monitor", "--rate=22050",
             "--channels=1", "--format=s16le", "--file-format=wav", wav});
  ASSERT_GT(recorder, 0);
  const auto recorded = [&wav] {
    std::error_code error;
    const auto bytes = std::filesystem::file_size(wav, error);
    return error ? size_t(0) : size_t(bytes);
  };
  // The file grows once the monitor delivers (its header is far smaller).
  ASSERT_TRUE(waitUntil([&] { return recorded() > 4096; }, 10)) << "nothing recorded in 10 s";

  platform::SystemSoundID id = 0;
  ASSERT_EQ(platform::noErr,
            platform::AudioServicesCreateSystemSoundID(resource("D4v").c_str(), &id));
  const size_t from = recorded();
  const auto before = std::chrono::steady_clock::now();
  platform::AudioServicesPlaySystemSound(id);
  // Playing does not wait for the sound to end.
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(2500));
  EXPECT_TRUE(
      waitUntil([&] { return recorded() >= from + (noteFrames("D4v") + 22050 / 2) * 2; }, 10))
      << "the recording fell behind: " << recorded() - from << " bytes";
  kill(recorder, SIGINT);
  waitFor(recorder);
  platform::AudioServicesDisposeSystemSoundID(id);

  SF_INFO info{};
  SNDFILE* file = sf_open(wav.c_str(), SFM_READ, &info);
  ASSERT_NE(nullptr, file) << sf_strerror(nullptr);
  ASSERT_EQ(22050, info.samplerate);
  std::vector<int16_t> samples(size_t(info.frames) * info.channels);
  samples.resize(size_t(sf_readf_short(file, samples.data(), info.frames)));
  sf_close(file);
  std::filesystem::remove_all(dir);

  const Hearing h = listen(samples, "violin", "D4v");
  EXPECT_GE(h.passesOnNote, 4) << h.heard;
  EXPECT_LE(h.worstCents, 3.0f) << h.heard;
}
