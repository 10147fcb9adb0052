#pragma once

#include <string>

#include "tools/analyse/RecordingAnalyser.h"

// The command line of quillon-analyse. Reading the recording is
// RecordingAnalyser's business; this only reads the words.
struct AnalyseArguments {
  AnalyserOptions options;
  std::string tuningsFile;  // --tunings FILE; empty for the user's own file
  bool listTunings = false;
  bool json = false;
  bool help = false;
  bool version = false;
  std::string path;  // the recording; may be empty with --list-tunings, --help or --version
};

// Parses argv. The tuning id and the string number are checked later, by
// checkTuning, once the user's tunings have joined the catalogue. On a usage
// error returns false with a one-line message in `error`.
bool parseAnalyseArguments(int argc, const char* const* argv, AnalyseArguments& arguments,
                           std::string& error);

// The tuning exists and has the forced string; else false with `error`.
bool checkTuning(const AnalyseArguments& arguments, std::string& error);

// The text printed for --help and after a usage error.
const char* analyseUsage();
