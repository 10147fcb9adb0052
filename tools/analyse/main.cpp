// quillon-analyse: checks the intonation of a recording without a microphone,
// by replaying it through the tuner's own analysis pipeline.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/Log.h"
#include "tools/analyse/RecordingAnalyser.h"

namespace {

constexpr char kUsage[] =
    "usage: quillon-analyse [--tuning ID] [--calibration HZ] [--string N] [--json] [--realtime] "
    "FILE\n"
    "  --tuning ID        guitar (default), dropd, banjo, violin or ukulele\n"
    "  --calibration HZ   frequency of A in Hz (default 440)\n"
    "  --string N         force the N-th string of the tuning (1-based)\n"
    "  --json             one JSON object per pass on stdout, nothing else\n"
    "  --realtime         replay at the recording's own pace instead of at full speed\n";

// Recordings longer than this get a progress line on a terminal.
constexpr double kLongRecording = 30.0;

[[noreturn]] void usage(const char* problem = nullptr) {
  if (problem) fprintf(stderr, "quillon-analyse: %s\n", problem);
  fputs(kUsage, stderr);
  exit(2);
}

bool parseInt(const char* text, int low, int high, int& out) {
  char* end = nullptr;
  errno = 0;
  const long v = strtol(text, &end, 10);
  if (errno || end == text || *end || v < low || v > high) return false;
  out = static_cast<int>(v);
  return true;
}

std::string jsonString(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    if (static_cast<unsigned char>(c) < 0x20) {
      char esc[8];
      snprintf(esc, sizeof esc, "\\u%04x", c);
      out += esc;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string jsonNumber(double v) {
  if (!std::isfinite(v)) return "null";
  char text[32];
  snprintf(text, sizeof text, "%.2f", v);
  return text;
}

void printJson(const AnalysisPass& p) {
  if (p.string) {
    printf(
        "{\"time\": %s, \"frames\": %d, \"note\": %s, \"string\": %d, \"sound\": %s, "
        "\"cents\": %s, \"score\": %s}\n",
        jsonNumber(p.time).c_str(), p.frames, jsonString(p.note).c_str(), *p.string,
        jsonString(p.sound).c_str(), jsonNumber(p.cents).c_str(), jsonNumber(p.score).c_str());
  } else {
    printf(
        "{\"time\": %s, \"frames\": %d, \"note\": null, \"string\": null, \"sound\": null, "
        "\"cents\": null, \"score\": %s}\n",
        jsonNumber(p.time).c_str(), p.frames, jsonNumber(p.score).c_str());
  }
}

void printText(const AnalysisPass& p) {
  char score[16] = "-";
  if (std::isfinite(p.score)) snprintf(score, sizeof score, "%.2f", p.score);
  if (p.string) {
    printf("%8.2f  %6d  %-4s  %6d  %+8.2f  %6s\n", p.time, p.frames, p.note.c_str(), *p.string,
           p.cents, score);
  } else {
    printf("%8.2f  %6d  %-4s  %6s  %8s  %6s\n", p.time, p.frames, "-", "-", "-", score);
  }
}

double median(std::vector<float> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (static_cast<double>(v[n / 2 - 1]) + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  AnalyserOptions options;
  bool json = false;
  std::string path;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> const char* {
      if (i + 1 >= argc) usage((arg + " needs a value").c_str());
      return argv[++i];
    };
    if (arg == "--tuning") {
      options.tuningId = value();
      if (!Tuning::tuningForId(options.tuningId)) {
        usage(("unknown tuning \"" + options.tuningId + "\"").c_str());
      }
    } else if (arg == "--calibration") {
      if (!parseInt(value(), 1, 100000, options.calibration)) usage("bad --calibration");
    } else if (arg == "--string") {
      if (!parseInt(value(), 1, 100, options.string)) usage("bad --string");
    } else if (arg == "--json") {
      json = true;
    } else if (arg == "--realtime") {
      options.realtime = true;
    } else if (arg == "-h" || arg == "--help") {
      fputs(kUsage, stdout);
      return 0;
    } else if (arg.size() > 1 && arg[0] == '-') {
      usage(("unknown option " + arg).c_str());
    } else if (path.empty()) {
      path = arg;
    } else {
      usage("only one FILE");
    }
  }
  if (path.empty()) usage("no FILE");
  if (options.string > 0 &&
      options.string >
          static_cast<int>(Tuning::tuningForId(options.tuningId)->tuningNotes.size())) {
    usage(("tuning " + options.tuningId + " has no string " + std::to_string(options.string))
              .c_str());
  }

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
    printf("%8s  %6s  %-4s  %6s  %8s  %6s\n", "time", "frames", "note", "string", "cents", "score");
  analyser->run([&](const AnalysisPass& p) {
    if (json) {
      printJson(p);
    } else {
      printText(p);
    }
    if (p.string) {
      auto& s = strings[*p.string];
      s.note = p.note;
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
  if (analyser->droppedFrames() > 0) {
    fprintf(stderr,
            "quillon-analyse: %s: warning: %.1f s of the recording did not fit the sample buffer "
            "and was not analysed\n",
            path.c_str(), analyser->droppedFrames() / analyser->sampleRate());
  }

  if (!json) {
    printf("\nsummary (%s, A = %d Hz):\n", options.tuningId.c_str(), options.calibration);
    for (const auto& [number, s] : strings) {
      printf("  string %d %-2s (%s): %.2f s selected, median %+.2f cents\n", number, s.note.c_str(),
             s.sound.c_str(), s.passes * 0.25, median(s.cents));
    }
    printf("  no note: %.2f s\n", unselected * 0.25);
  }
  return 0;
}
