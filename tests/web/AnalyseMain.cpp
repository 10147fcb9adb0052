// The recording analyser's passes, built to WebAssembly: the tools'
// RecordingAnalyser (0.1 s reads, a pass every 0.25 s, on the manual clock)
// over the shared analysis and the web backend's FFT, printing the JSON
// lines of `quillon-analyse --json`. tests/web/analyse-wasm.js runs it under
// Node on a recording that Node reads and hands over.
//
//   usage: [--tuning ID] [--calibration HZ] [--string N] [--pass-times] FILE
//
// --pass-times adds one line on stderr: the median time of a refresh (its
// two or three 0.1 s reads, which are copies, and the analysis pass).

#include <emscripten.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Log.h"
#include "tools/analyse/RecordingAnalyser.h"

namespace {

[[noreturn]] void usage(const std::string& problem) {
  fprintf(stderr,
          "analyse-wasm: %s\nusage: [--tuning ID] [--calibration HZ] [--string N] "
          "[--pass-times] FILE\n",
          problem.c_str());
  exit(2);
}

int number(const char* text, int low, int high, const char* what) {
  char* end = nullptr;
  const long v = strtol(text, &end, 10);
  if (end == text || *end || v < low || v > high) usage(std::string("bad ") + what);
  return static_cast<int>(v);
}

}  // namespace

int main(int argc, char** argv) {
  AnalyserOptions options;
  bool passTimes = false;
  std::string path;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto value = [&]() -> const char* {
      if (i + 1 >= argc) usage(arg + " needs a value");
      return argv[++i];
    };
    if (arg == "--tuning") {
      options.tuningId = value();
    } else if (arg == "--calibration") {
      options.calibration = number(value(), 1, 100000, "--calibration");
    } else if (arg == "--string") {
      options.string = number(value(), 1, 100, "--string");
    } else if (arg == "--json") {
      // The only output there is; taken for the native analyser's sake.
    } else if (arg == "--pass-times") {
      passTimes = true;
    } else if (!arg.empty() && arg[0] == '-') {
      usage("unknown option " + arg);
    } else if (path.empty()) {
      path = arg;
    } else {
      usage("only one FILE");
    }
  }
  if (path.empty()) usage("no FILE");

  platform::setLogQuiet(true);
  std::string error;
  auto analyser = RecordingAnalyser::initWithPath(path, options, error);
  if (!analyser) {
    fprintf(stderr, "analyse-wasm: %s: %s\n", path.c_str(), error.c_str());
    return 1;
  }
  std::vector<double> refreshes;
  double since = emscripten_get_now();
  analyser->run([&](const AnalysisPass& p) {
    refreshes.push_back(emscripten_get_now() - since);
    printf("%s\n", passJson(p).c_str());
    since = emscripten_get_now();
  });
  if (passTimes && !refreshes.empty()) {
    // The first interval also holds the first reads' start-up; leave it out
    // when there are others.
    if (refreshes.size() > 1) refreshes.erase(refreshes.begin());
    std::sort(refreshes.begin(), refreshes.end());
    fprintf(stderr, "analyse-wasm: refresh median %.3f ms over %zu passes (min %.3f, max %.3f)\n",
            refreshes[refreshes.size() / 2], refreshes.size(), refreshes.front(), refreshes.back());
  }
  return 0;
}
