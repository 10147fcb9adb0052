#pragma once

#include <string>
#include <vector>

#include "common/TuningDictionary.h"

// The command line of quillon-tone, checked and resolved to frequencies.
struct ToneRequest {
  struct Note {
    std::string label;  // what to print while it sounds, e.g. "string 3 (A)"
    float frequency;    // Hz, calibrated
  };
  std::string tuningId = "guitar";
  int calibration = kDefaultCalibration;
  float volume = 0.5f;
  double seconds = 2.0;
  std::vector<Note> notes;
  bool help = false;
  bool version = false;
};

// Parses argv. On a usage error returns false with a one-line message in
// `error` (without the program name).
bool parseToneArguments(int argc, const char* const* argv, ToneRequest& request,
                        std::string& error);

// The text printed for --help and after a usage error.
std::string toneUsage();
