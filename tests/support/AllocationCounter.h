#pragma once

// Counts heap allocations made by the calling thread between start and stop:
// every operator new and, on glibc without sanitizers, every malloc, calloc,
// realloc and posix_memalign. Counting is off unless a test turns it on, so
// the rest of the test program is not affected.
namespace test_support {

void startCountingAllocations();
// Stops counting and returns how many allocations were seen since start.
long stopCountingAllocations();

}  // namespace test_support
