// quillon-analyse: checks the intonation of a recording without a microphone,
// by replaying it through the tuner's own analysis pipeline.

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "common/Tuning.h"
#include "common/UserTunings.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "tools/analyse/AnalyseArguments.h"
#include "tools/analyse/RecordingAnalyser.h"

namespace {

// Recordings longer than this get a progress line on a terminal.
constexpr double kLongRecording = 30.0;

[[noreturn]] void usage(const std::string& problem) {
  fprintf(stderr, "quillon-analyse: %s\n", problem.c_str());
  fputs(analyseUsage(), stderr);
  exit(2);
}

// The user's tunings join the catalogue: from --tunings FILE (which must be
// readable), else from the config directory, as the app reads them (a
// missing file there means none). Refused lines are reported and skipped.
void registerUserTunings(const std::string& tuningsFile) {
  const std::string path = tuningsFile.empty()
                               ? platform::stringByAppendingPathComponent(
                                     platform::configDirectory(), UserTuningsFileName)
                               : tuningsFile;
  const UserTuningsFile file = readUserTuningsFile(path);
  if (!tuningsFile.empty() && (!file.exists || !file.error.empty())) {
    fprintf(stderr, "quillon-analyse: %s: %s\n", path.c_str(),
            file.exists ? file.error.c_str() : strerror(ENOENT));
    exit(1);
  }
  if (!file.error.empty()) {
    fprintf(stderr, "quillon-analyse: warning: %s: %s\n", path.c_str(), file.error.c_str());
  }
  for (const auto& problem : file.text.problems) {
    fprintf(stderr, "quillon-analyse: %s\n", describeProblem(path, problem).c_str());
  }
  Tuning::registerUserTunings(file.text.tuningList());
}

// One line per tuning: id, name and notes, separated by tabs; the notes by
// single spaces.
void listTunings() {
  for (const auto& tuning : Tuning::definedTunings()) {
    std::string notes;
    for (const auto& note : tuning->tuningNotes) {
      notes += (notes.empty() ? "" : " ") + userNoteText(*note);
    }
    printf("%s\t%s\t%s\n", tuning->tuningId.c_str(), tuning->tuningName.c_str(), notes.c_str());
  }
}

void printText(const AnalysisPass& p) {
  char score[16] = "-";
  if (std::isfinite(p.score)) snprintf(score, sizeof score, "%.2f", p.score);
  if (p.string) {
    printf("%8.2f  %6d  %-4s  %6d  %+8.2f  %8.2f  %6s\n", p.time, p.frames, p.pitch.c_str(),
           *p.string, p.cents, p.hz, score);
  } else {
    printf("%8.2f  %6d  %-4s  %6s  %8s  %8s  %6s\n", p.time, p.frames, "-", "-", "-", "-", score);
  }
}

double median(std::vector<float> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (static_cast<double>(v[n / 2 - 1]) + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  AnalyseArguments arguments;
  std::string problem;
  if (!parseAnalyseArguments(argc, argv, arguments, problem)) usage(problem);
  if (arguments.help) {
    fputs(analyseUsage(), stdout);
    return 0;
  }
  if (arguments.version) {
    printf("quillon-analyse %s\n", QUILLON_VERSION);
    return 0;
  }
  registerUserTunings(arguments.tuningsFile);
  if (arguments.listTunings) {
    listTunings();
    return 0;
  }
  if (!checkTuning(arguments, problem)) usage(problem);
  const AnalyserOptions& options = arguments.options;
  const std::string& path = arguments.path;
  const bool json = arguments.json;

  // Failures are reported below in one line of our own.
  platform::setLogQuiet(true);
  std::string error;
  auto analyser = RecordingAnalyser::initWithPath(path, options, error);
  if (!analyser) {
    fprintf(stderr, "quillon-analyse: %s: %s\n", path.c_str(), error.c_str());
    return 1;
  }

  const bool progress = isatty(STDERR_FILENO) && analyser->duration() > kLongRecording;
  auto lastProgress = std::chrono::steady_clock::now();
  struct StringSummary {
    std::string note, sound;
    int passes = 0;
    std::vector<float> cents;
  };
  std::map<int, StringSummary> strings;
  int unselected = 0;

  if (!json)
    printf("%8s  %6s  %-4s  %6s  %8s  %8s  %6s\n", "time", "frames", "note", "string", "cents",
           "hz", "score");
  analyser->run([&](const AnalysisPass& p) {
    if (json) {
      printf("%s\n", passJson(p).c_str());
    } else {
      printText(p);
    }
    if (p.string) {
      auto& s = strings[*p.string];
      s.note = p.pitch;
      s.sound = p.sound;
      ++s.passes;
      s.cents.push_back(p.cents);
    } else {
      ++unselected;
    }
    if (progress) {
      const auto now = std::chrono::steady_clock::now();
      if (now - lastProgress > std::chrono::milliseconds(200)) {
        lastProgress = now;
        fprintf(stderr, "\rquillon-analyse: %.1f of %.1f s", p.time, analyser->duration());
      }
    }
  });
  if (progress) fputs("\r\033[K", stderr);
  const std::string readError = analyser->readError();
  if (!readError.empty()) {
    fprintf(stderr, "quillon-analyse: %s: warning: the recording ends early: %s\n", path.c_str(),
            readError.c_str());
  }

  if (!json) {
    printf("\nsummary (%s, A = %d Hz):\n", options.tuningId.c_str(), options.calibration);
    for (const auto& [number, s] : strings) {
      printf("  string %d %-3s (%s): %.2f s selected, median %+.2f cents\n", number, s.note.c_str(),
             s.sound.c_str(), s.passes * 0.25, median(s.cents));
    }
    printf("  no note: %.2f s\n", unselected * 0.25);
  }
  return 0;
}
