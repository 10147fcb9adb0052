#pragma once

#include <string>

namespace platform {

// Names the program's main thread (the one that ran static initialisation),
// whichever thread calls this. The name is a label for debuggers, `top -H`
// and crash reports only; Linux keeps at most 15 bytes of it.
void setMainThreadName(const std::string& name);

// Names the calling thread.
void setCurrentThreadName(const std::string& name);

// The calling thread's name as the system reports it.
std::string currentThreadName();

bool isMainThread();

}  // namespace platform
