#pragma once

#include <string>

namespace platform {

// One line on stderr: time stamp, program name, message. printf-style.
void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The program name shown in log lines (defaults to the executable's name).
void setLogProgramName(const std::string& name);

// Command-line tools that report errors in their own words turn the log off.
void setLogQuiet(bool quiet);

}  // namespace platform
