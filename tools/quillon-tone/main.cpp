// quillon-tone: a pitch pipe. Plays strings of a tuning (or note names, or
// plain frequencies) one after another through the default output device,
// with the tone generator's fades between them. The tunings are the built-in
// ones and the user's own, from the same file the app reads.
//
//   quillon-tone [--tuning ID] [--calibration HZ] [--volume V] [--seconds S] STRING...
//
// Exit status: 0 when everything was played, 1 when there is no usable output
// device, 2 on a usage error.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

#include "audio/SoundGenerator.h"
#include "common/Tuning.h"
#include "common/UserTunings.h"
#include "platform/Paths.h"
#include "platform/RunLoop.h"
#include "tools/quillon-tone/ToneArguments.h"

namespace {

volatile std::sig_atomic_t interrupted = 0;

void onSignal(int) {
  interrupted = 1;
}

// Drives the run loop on the real clock for `seconds`, sleeping between
// timers. Returns early (false) when interrupted.
bool runFor(double seconds) {
  auto& loop = platform::RunLoop::currentRunLoop();
  const platform::Nanos deadline = loop.now() + platform::secondsToNanos(seconds);
  while (!interrupted) {
    loop.fireDueTimers();
    const platform::Nanos now = loop.now();
    if (now >= deadline) return true;
    platform::Nanos wake = deadline;
    if (auto next = loop.nextFireTime()) wake = std::min(wake, *next);
    // Wake at least every 50 ms so that an interrupt is noticed promptly.
    wake = std::min(wake, now + platform::secondsToNanos(0.05));
    if (wake > now) std::this_thread::sleep_for(std::chrono::nanoseconds(wake - now));
  }
  return false;
}

// Runs until every envelope ramp has ended (at most `seconds`).
void runUntilRampsEnd(double seconds) {
  auto& loop = platform::RunLoop::currentRunLoop();
  const platform::Nanos deadline = loop.now() + platform::secondsToNanos(seconds);
  while (loop.timerCount() > 0 && loop.now() < deadline) {
    if (!runFor(SoundGenerator::kEnvelopeInterval)) return;
  }
}

// The user's tunings join the catalogue, as in the app: refused lines are
// reported and skipped, a missing file means none.
void registerUserTunings() {
  const std::string path =
      platform::stringByAppendingPathComponent(platform::configDirectory(), UserTuningsFileName);
  const UserTuningsFile file = readUserTuningsFile(path);
  if (!file.error.empty()) {
    std::fprintf(stderr, "quillon-tone: warning: %s: %s\n", path.c_str(), file.error.c_str());
  }
  for (const auto& problem : file.text.problems) {
    std::fprintf(stderr, "quillon-tone: %s\n", describeProblem(path, problem).c_str());
  }
  Tuning::registerUserTunings(file.text.tuningList());
}

}  // namespace

int main(int argc, char** argv) {
  registerUserTunings();
  ToneRequest request;
  std::string error;
  if (!parseToneArguments(argc, argv, request, error)) {
    std::fprintf(stderr, "quillon-tone: %s\n(quillon-tone --help lists the options)\n",
                 error.c_str());
    return 2;
  }
  if (request.help) {
    std::fputs(toneUsage().c_str(), stdout);
    return 0;
  }
  if (request.version) {
    std::printf("quillon-tone %s\n", QUILLON_VERSION);
    return 0;
  }

  std::signal(SIGINT, onSignal);
  std::signal(SIGTERM, onSignal);

  // The generator reports the platform's failures on standard output; keep
  // them in order with our own lines.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  auto generator = SoundGenerator::init();
  if (generator->outputUnit() == nullptr) {
    std::fprintf(stderr, "quillon-tone: no audio output is available on this machine\n");
    return 1;
  }
  generator->startAU();
  if (!generator->started()) {
    std::fprintf(stderr,
                 "quillon-tone: cannot open the audio output device (is a sound server "
                 "running, or SDL_AUDIODRIVER set to a driver that can play?)\n");
    return 1;
  }

  for (const auto& note : request.notes) {
    std::printf("%s\n", note.label.c_str());
    generator->startSoundWithFrequency(note.frequency, request.volume);
    if (!runFor(request.seconds)) break;
  }
  // A fade still under way (a short note, or an interrupt) would otherwise
  // overwrite the fade-out after it ends; let it finish first.
  interrupted = 0;
  runUntilRampsEnd(1.0);
  // Fade out (eight 0.05 s ticks), then let the last buffers reach the device.
  generator->stopSound();
  runUntilRampsEnd(1.0);
  runFor(0.25);
  generator->stopAU();
  return 0;
}
