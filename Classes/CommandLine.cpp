#include "Classes/CommandLine.h"

#include <string_view>

#ifndef QUILLON_VERSION
#define QUILLON_VERSION "unknown"
#endif

std::string commandLineUsage() {
  return "Usage: quillon [--input NAME] [--offscreen]\n"
         "  or:  quillon --list-inputs | --help | --version\n"
         "\n"
         "An instrument tuner: listens to an input device and shows how far the string\n"
         "played is from its note.\n"
         "  --input NAME   listen on the input device NAME for this run (\"\" for the\n"
         "                 system default); the choice kept in the settings stays\n"
         "  --list-inputs  print the input devices, one per line, and exit\n"
         "  --offscreen    run without a display, showing nothing (for tests)\n"
         "  -h, --help     print this help and exit\n"
         "  --version      print the version and exit\n"
         "\n"
         "Exit status: 0 after a normal quit, 1 when there is no display or no window\n"
         "can be opened, 2 on a usage error.\n";
}

std::string versionLine() {
  return std::string("quillon ") + QUILLON_VERSION;
}

CommandLine parseCommandLine(int argc, const char* const* argv) {
  CommandLine line;
  auto fail = [&line](std::string error) {
    line.action = CommandLine::Action::usageError;
    line.error = std::move(error);
    return line;
  };
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      return fail("unexpected argument '" + std::string(arg) + "'");
    }
    if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "-h" || arg == "--help") {
      line.action = CommandLine::Action::help;
      return line;
    } else if (arg == "--version") {
      line.action = CommandLine::Action::version;
      return line;
    } else if (arg == "--list-inputs") {
      line.action = CommandLine::Action::listInputs;
    } else if (arg == "--offscreen") {
      line.offscreen = true;
    } else if (arg == "--input") {
      if (i + 1 >= argc) return fail("option '--input' needs a device name");
      line.inputDevice = argv[++i];
    } else if (arg.substr(0, 8) == "--input=") {
      line.inputDevice = std::string(arg.substr(8));
    } else {
      return fail("unknown option '" + std::string(arg) + "'");
    }
  }
  return line;
}
