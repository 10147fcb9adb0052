#include "tools/analyse/AnalyseArguments.h"

#include <cerrno>
#include <cstdlib>

#include "common/Tuning.h"

namespace {

bool parseInt(const char* text, int low, int high, int& out) {
  char* end = nullptr;
  errno = 0;
  const long v = strtol(text, &end, 10);
  if (errno || end == text || *end || v < low || v > high) return false;
  out = static_cast<int>(v);
  return true;
}

}  // namespace

const char* analyseUsage() {
  return "Usage: quillon-analyse [--tuning ID] [--tunings FILE] [--calibration HZ] [--string N] "
         "[--channel N] [--json] [--realtime] FILE\n"
         "  or:  quillon-analyse [--tunings FILE] --list-tunings\n"
         "\n"
         "Replays a recording through the tuner's analysis and prints, for every pass, the\n"
         "string it hears and how far off it is, then a summary per string.\n"
         "  --tuning ID        a built-in or user tuning's id (default guitar)\n"
         "  --tunings FILE     read the user tunings from FILE instead of the config directory's\n"
         "  --list-tunings     print every tuning's id, name and notes, one per line\n"
         "  --calibration HZ   frequency of A in Hz (default 440)\n"
         "  --string N         force the N-th string of the tuning (1-based)\n"
         "  --channel N        analyse the file's N-th channel (1-based) instead of their average\n"
         "  --json             one JSON object per pass on stdout, nothing else\n"
         "  --realtime         replay at the recording's own pace instead of at full speed\n"
         "  -h, --help         print this help and exit\n"
         "  --version          print the version and exit\n"
         "\n"
         "Exit status: 0 when done, 1 when FILE or the tunings file cannot be read, 2 on a\n"
         "usage error.\n";
}

bool parseAnalyseArguments(int argc, const char* const* argv, AnalyseArguments& arguments,
                           std::string& error) {
  AnalyserOptions& options = arguments.options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto value = [&]() -> const char* {
      if (i + 1 >= argc) {
        error = arg + " needs a value";
        return nullptr;
      }
      return argv[++i];
    };
    if (arg == "--tuning") {
      const char* text = value();
      if (!text) return false;
      options.tuningId = text;
    } else if (arg == "--tunings") {
      const char* text = value();
      if (!text) return false;
      if (!*text) {
        error = "--tunings needs a file name";
        return false;
      }
      arguments.tuningsFile = text;
    } else if (arg == "--calibration") {
      const char* text = value();
      if (!text) return false;
      if (!parseInt(text, 1, 100000, options.calibration)) {
        error = "bad --calibration";
        return false;
      }
    } else if (arg == "--string") {
      const char* text = value();
      if (!text) return false;
      if (!parseInt(text, 1, 100, options.string)) {
        error = "bad --string";
        return false;
      }
    } else if (arg == "--channel") {
      const char* text = value();
      if (!text) return false;
      // Whether the file has that channel is known once it is open.
      if (!parseInt(text, 1, 1024, options.channel)) {
        error = "bad --channel";
        return false;
      }
    } else if (arg == "--list-tunings") {
      arguments.listTunings = true;
    } else if (arg == "--json") {
      arguments.json = true;
    } else if (arg == "--realtime") {
      options.realtime = true;
    } else if (arg == "-h" || arg == "--help") {
      arguments.help = true;
      return true;
    } else if (arg == "--version") {
      arguments.version = true;
      return true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      error = "unknown option " + arg;
      return false;
    } else if (arguments.path.empty()) {
      arguments.path = arg;
    } else {
      error = "only one FILE";
      return false;
    }
  }
  if (arguments.path.empty() && !arguments.listTunings) {
    error = "no FILE";
    return false;
  }
  return true;
}

bool checkTuning(const AnalyseArguments& arguments, std::string& error) {
  const AnalyserOptions& options = arguments.options;
  const auto tuning = Tuning::tuningForId(options.tuningId);
  if (!tuning) {
    error = "unknown tuning \"" + options.tuningId + "\" (--list-tunings lists them)";
    return false;
  }
  if (options.string > static_cast<int>(tuning->tuningNotes.size())) {
    error = "tuning " + options.tuningId + " has no string " + std::to_string(options.string);
    return false;
  }
  return true;
}
