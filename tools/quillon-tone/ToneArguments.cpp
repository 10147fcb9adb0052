#include "tools/quillon-tone/ToneArguments.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "audio/SoundGenerator.h"
#include "common/NoteName.h"
#include "common/Tuning.h"

namespace {

// The tone is rendered at 8000 frames per second: a frequency must stay below
// half of that to be heard as itself.
constexpr double kHighestFrequency = SoundGenerator::kSampleRate / 2;

bool parseDouble(const std::string& text, double& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtod(text.c_str(), &end);
  return errno == 0 && end == text.c_str() + text.size() && std::isfinite(value);
}

bool parseInt(const std::string& text, long& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtol(text.c_str(), &end, 10);
  return errno == 0 && end == text.c_str() + text.size();
}

bool endsWithHz(const std::string& text) {
  return text.size() > 2 && strcasecmp(text.c_str() + text.size() - 2, "hz") == 0;
}

std::string formatHz(double f) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f Hz", f);
  return text;
}

}  // namespace

std::string toneUsage() {
  std::string usage =
      "Usage: quillon-tone [--tuning ID] [--calibration HZ] [--volume V] [--seconds S] STRING...\n"
      "\n"
      "Plays each STRING in turn as a sine tone, fading in, between notes and out.\n"
      "  STRING            a string number of the tuning (1 is the first), a note name\n"
      "                    such as C#3 or Eb2 (equal-tempered, calibrated like a string),\n"
      "                    or a frequency such as 440Hz (played as given, not calibrated)\n"
      "  --tuning ID       the tuning the string numbers refer to (default guitar):";
  for (const auto& tuning : Tuning::definedTunings()) usage += " " + tuning->tuningId;
  usage +=
      "\n"
      "  --calibration HZ  the frequency of A, " +
      std::to_string(kMinimumCalibration) + " to " + std::to_string(kMaximumCalibration) +
      " (default " + std::to_string(kDefaultCalibration) +
      ")\n"
      "  --volume V        linear gain above 0, at most 1 (default 0.5)\n"
      "  --seconds S       how long each note sounds, fade-in included (default 2)\n"
      "  -h, --help        print this help and exit\n"
      "  --version         print the version and exit\n"
      "\n"
      "Exit status: 0 when done, 1 when no output device can be opened, 2 on a usage\n"
      "error.\n";
  return usage;
}

bool parseToneArguments(int argc, const char* const* argv, ToneRequest& request,
                        std::string& error) {
  std::vector<std::string> strings;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (optionsEnded) {
      strings.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "-h" || arg == "--help") {
      request.help = true;
      return true;
    }
    if (arg == "--version") {
      request.version = true;
      return true;
    }
    if (arg.rfind("--", 0) == 0 && arg.size() > 2) {
      std::string name = arg, value;
      const size_t equals = arg.find('=');
      if (equals != std::string::npos) {
        name = arg.substr(0, equals);
        value = arg.substr(equals + 1);
      } else {
        if (name != "--tuning" && name != "--calibration" && name != "--volume" &&
            name != "--seconds") {
          error = "unknown option " + arg;
          return false;
        }
        if (i + 1 >= argc) {
          error = "option " + name + " needs a value";
          return false;
        }
        value = argv[++i];
      }
      if (name == "--tuning") {
        request.tuningId = value;
      } else if (name == "--calibration") {
        long k;
        if (!parseInt(value, k) || k < kMinimumCalibration || k > kMaximumCalibration) {
          error = "calibration must be a whole number of Hz from " +
                  std::to_string(kMinimumCalibration) + " to " +
                  std::to_string(kMaximumCalibration) + ", not \"" + value + "\"";
          return false;
        }
        request.calibration = static_cast<int>(k);
      } else if (name == "--volume") {
        double v;
        if (!parseDouble(value, v) || v <= 0 || v > 1) {
          error = "volume must be above 0 and at most 1, not \"" + value + "\"";
          return false;
        }
        request.volume = static_cast<float>(v);
      } else if (name == "--seconds") {
        double s;
        if (!parseDouble(value, s) || s <= 0 || s > 3600) {
          error = "seconds must be above 0 and at most 3600, not \"" + value + "\"";
          return false;
        }
        request.seconds = s;
      } else {
        error = "unknown option " + name;
        return false;
      }
      continue;
    }
    strings.push_back(arg);
  }

  auto tuning = Tuning::tuningForId(request.tuningId);
  if (!tuning) {
    error = "unknown tuning \"" + request.tuningId + "\" (one of:";
    for (const auto& t : Tuning::definedTunings()) error += " " + t->tuningId;
    error += ")";
    return false;
  }
  if (strings.empty()) {
    error = "nothing to play: give a string number, a note name or a frequency";
    return false;
  }

  const auto& notes = tuning->tuningNotes;
  for (const std::string& s : strings) {
    if (endsWithHz(s)) {
      double f;
      if (!parseDouble(s.substr(0, s.size() - 2), f) || f <= 0 || f >= kHighestFrequency) {
        error = "bad frequency \"" + s + "\": give a number above 0 and below 4000 followed by Hz";
        return false;
      }
      request.notes.push_back({formatHz(f), static_cast<float>(f)});
      continue;
    }
    long number;
    if (!parseInt(s, number)) {
      const auto name = parseNoteName(s);
      if (!name) {
        error = "\"" + s +
                "\" is neither a string number, a note name such as C#3 nor a frequency such as "
                "440Hz";
        return false;
      }
      const float f = TuningData::calibratedTarget(name.value->frequency(), request.calibration);
      if (f >= kHighestFrequency) {
        error = "note " + name.value->ascii() + " is too high: " + formatHz(f) +
                " is not below 4000 Hz";
        return false;
      }
      request.notes.push_back({name.value->ascii() + " " + formatHz(f), f});
      continue;
    }
    if (number < 1 || number > static_cast<long>(notes.size())) {
      error = "unknown string " + s + ": " + tuning->tuningName + " has strings 1 to " +
              std::to_string(notes.size());
      return false;
    }
    const auto& note = notes[static_cast<size_t>(number - 1)];
    const float f = TuningData::calibratedTarget(note->frequency(), request.calibration);
    request.notes.push_back(
        {"string " + s + " (" + note->name() + ", " + note->soundName() + ") " + formatHz(f), f});
  }
  return true;
}
