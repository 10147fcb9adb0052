#include "AllocationCounter.h"

#include <cerrno>
#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUILLON_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
#define QUILLON_SANITIZED 1
#endif
#endif
#if defined(__GLIBC__) && !defined(QUILLON_SANITIZED)
#define QUILLON_COUNT_MALLOC 1
#endif

namespace {
thread_local bool counting = false;
thread_local long allocations = 0;

inline void noteAllocation() {
  if (counting) ++allocations;
}
}  // namespace

namespace test_support {

void startCountingAllocations() {
  allocations = 0;
  counting = true;
}

long stopCountingAllocations() {
  counting = false;
  return allocations;
}

}  // namespace test_support

// C allocations: glibc's own entry points stay reachable under their
// __libc_ names, so these wrappers only count and forward. Sanitizers bring
// their own allocator and are left alone.
#ifdef QUILLON_COUNT_MALLOC
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);

void* malloc(size_t size) {
  noteAllocation();
  return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
  noteAllocation();
  return __libc_calloc(count, size);
}
void* realloc(void* pointer, size_t size) {
  noteAllocation();
  return __libc_realloc(pointer, size);
}
int posix_memalign(void** result, size_t alignment, size_t size) {
  if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) return EINVAL;
  noteAllocation();
  void* pointer = __libc_memalign(alignment, size);
  if (!pointer) return ENOMEM;
  *result = pointer;
  return 0;
}
}
#endif

// C++ allocations (counted here only when malloc is not).
void* operator new(size_t size) {
#ifndef QUILLON_COUNT_MALLOC
  noteAllocation();
#endif
  if (void* pointer = std::malloc(size ? size : 1)) return pointer;
  throw std::bad_alloc();
}
void* operator new[](size_t size) {
  return operator new(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
#ifndef QUILLON_COUNT_MALLOC
  noteAllocation();
#endif
  return std::malloc(size ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  return operator new(size, std::nothrow);
}
void operator delete(void* pointer) noexcept {
  std::free(pointer);
}
void operator delete[](void* pointer) noexcept {
  std::free(pointer);
}
void operator delete(void* pointer, size_t) noexcept {
  std::free(pointer);
}
void operator delete[](void* pointer, size_t) noexcept {
  std::free(pointer);
}
void operator delete(void* pointer, const std::nothrow_t&) noexcept {
  std::free(pointer);
}
void operator delete[](void* pointer, const std::nothrow_t&) noexcept {
  std::free(pointer);
}
