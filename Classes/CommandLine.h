#pragma once

#include <optional>
#include <string>

// What quillon's command line asks for.
struct CommandLine {
  enum class Action { run, help, version, listInputs, usageError };
  Action action = Action::run;
  // --input NAME: listen on that input device for this run ("" for the
  // system default), whatever the stored choice; the choice is not changed.
  std::optional<std::string> inputDevice;
  // --offscreen: run with no window shown (tests, measurements).
  bool offscreen = false;
  // With usageError: what is wrong, one line without the program name.
  std::string error;
};

// Reads argv. --help and --version win over anything after them; the first
// unknown option or stray argument is a usage error.
CommandLine parseCommandLine(int argc, const char* const* argv);

// What --help prints, and a usage error after its one line.
std::string commandLineUsage();

// What --version prints: "quillon" and the version.
std::string versionLine();
