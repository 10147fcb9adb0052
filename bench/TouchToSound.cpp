// Touch to sound for notes the app synthesises (a user tuning's strings, which
// have no file): from the press of the note button in tone mode to the first
// sample that is not silence handed to the audio device (the output mixer's
// callback notes the time), through the real screen, controller, cache,
// synthesiser and mixer.
//
//   build/bench/quillon_touch_to_sound [PRESSES]
//   bench/touch-to-sound.sh [BUILD_DIR] [PRESSES]   on SDL's dummy driver and on PulseAudio
//
// preloaded: tone mode made the tuning's notes when it began; a touch only
//            starts one.
// on demand: the cache is dropped before each touch, so the note is made
//            while the player waits (the output stays open, as it does while
//            tone mode has notes loaded).
// Each press comes 60-90 ms after the previous one was heard, at a random
// point of the mixer's period. Also printed: the synthesis alone and the
// time tone mode takes to begin (the preload).
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "Classes/MainViewController.h"
#include "audio/AudioSource.h"
#include "audio/NoteSynth.h"
#include "common/TargetNote.h"
#include "common/Tuning.h"
#include "platform/Preferences.h"
#include "platform/SystemSound.h"
#include "views/NoteButton.h"
#include "views/TunerView.h"

namespace {

using Clock = std::chrono::steady_clock;

class SilentAudioSource : public AudioSource {
 public:
  void setDelegate(AudioSourceDelegate*) override {}
  int bytesPerFrame() override { return 2; }
  double sampleRate() override { return 22050; }
  void stopAudioUnit() override {}
  void startAudioUnit() override {}
  bool createAudioInput() override { return true; }
};

double ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double threadCpuMs() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

struct Stats {
  std::vector<double> values;
  void add(double v) { values.push_back(v); }
  double at(double q) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[std::min(values.size() - 1, size_t(q * values.size()))];
  }
  void print(const char* what) {
    const auto over = std::count_if(values.begin(), values.end(), [](double v) { return v > 50; });
    std::printf("  %-20s median %6.1f  90%% %6.1f  max %6.1f ms  (%zu, %d over 50 ms)\n", what,
                at(0.5), at(0.9), at(1.0), values.size(), int(over));
  }
};

// Presses the button and waits until the mixer has handed something audible
// to the device; milliseconds from the press, or -1 when nothing came.
double press(NoteButton& button) {
  const Clock::time_point pressed = Clock::now();
  button.touchesBegan({1, 1});
  button.touchesEnded({1, 1});
  const Clock::time_point deadline = pressed + std::chrono::seconds(2);
  while (platform::systemSoundLastHeard() < pressed) {
    if (Clock::now() > deadline) return -1;
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  return ms(platform::systemSoundLastHeard() - pressed);
}

}  // namespace

int main(int argc, char** argv) {
  const int presses = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
  const char* driver = std::getenv("SDL_AUDIODRIVER");
  std::printf("audio driver %s, %d presses per note and mode\n", driver ? driver : "(default)",
              presses);

  // The lowest fundamental a user tuning may have (the slowest to make), a
  // guitar's low D, and A4.
  auto tuning = std::make_shared<const TuningDictionary>(
      TuningDictionary{"user-bench",
                       "Bench",
                       {TargetNote::initWithName("G", "button-fg-g.png", "f2501x", 25.01f),
                        TargetNote::initWithName("D", "button-fg-d.png", "D2x", 73.42f),
                        TargetNote::initWithName("A", "button-fg-a.png", "A4x", 440.0f)},
                       "Your tunings"});

  std::printf("synthesis alone (wall clock, and the thread's own CPU time):\n");
  for (const auto& note : tuning->tuningNotes) {
    Stats wall, cpu;
    for (int i = 0; i < presses; ++i) {
      const auto start = Clock::now();
      const double startCpu = threadCpuMs();
      const auto samples = notesynth::synthesize(SoundTimbre::SteelString, note->frequency(), 1);
      cpu.add(threadCpuMs() - startCpu);
      wall.add(ms(Clock::now() - start));
    }
    wall.print(note->soundName().c_str());
    cpu.print((note->soundName() + ", CPU").c_str());
  }

  const auto dir = std::filesystem::temp_directory_path() / "quillon-bench-touch";
  platform::Preferences preferences(dir.string());
  auto controller = std::make_shared<MainViewController>(
      [] { return std::make_shared<SilentAudioSource>(); }, &preferences);
  controller->view();
  controller->tuner()->setTargetTuning(tuning);
  controller->viewWillAppear(false);
  const auto buttons = controller->tunerView()->noteButtons();

  // Keeps the output open through the on-demand rounds, as the tuning's
  // other notes do in the app.
  platform::SystemSoundID keeper = 0;
  const int16_t silence[64] = {};
  platform::AudioServicesCreateSystemSoundIDWithSamples(silence, 64, 1, 22050, &keeper);
  platform::AudioServicesPlaySystemSound(keeper);

  std::mt19937 random(7);
  std::uniform_int_distribution<int> pause(60, 90);
  auto wait = [&] { std::this_thread::sleep_for(std::chrono::milliseconds(pause(random))); };

  Stats preload;
  std::vector<Stats> preloaded(buttons.size()), onDemand(buttons.size());
  int missed = 0;
  for (int i = 0; i < presses; ++i) {
    const auto start = Clock::now();
    controller->setMode(TunerMode::tone);
    preload.add(ms(Clock::now() - start));
    for (size_t b = 0; b < buttons.size(); ++b) {
      wait();
      const double t = press(*buttons[b]);
      t < 0 ? ++missed : (preloaded[b].add(t), 0);
    }
    for (size_t b = 0; b < buttons.size(); ++b) {
      controller->stopSound();
      wait();
      const double t = press(*buttons[b]);
      t < 0 ? ++missed : (onDemand[b].add(t), 0);
    }
    controller->setMode(TunerMode::tuner);
  }
  std::printf("tone mode begins (3 notes made):\n");
  preload.print("preload");
  std::printf("touch to sound, preloaded:\n");
  for (size_t b = 0; b < buttons.size(); ++b)
    preloaded[b].print(buttons[b]->targetNote()->soundName().c_str());
  std::printf("touch to sound, on demand:\n");
  for (size_t b = 0; b < buttons.size(); ++b)
    onDemand[b].print(buttons[b]->targetNote()->soundName().c_str());
  if (missed) std::printf("%d presses were never heard\n", missed);
  controller.reset();
  platform::AudioServicesDisposeSystemSoundID(keeper);
  std::filesystem::remove_all(dir);
  return missed ? 1 : 0;
}
