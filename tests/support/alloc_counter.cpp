#include "tests/support/alloc_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

// ThreadSanitizer's runtime owns operator new; there the counter stays at zero
// and tests that need it say so and skip.
#if defined(__SANITIZE_THREAD__)
#define VESK_COUNT_ALLOCATIONS 0
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VESK_COUNT_ALLOCATIONS 0
#endif
#endif
#ifndef VESK_COUNT_ALLOCATIONS
#define VESK_COUNT_ALLOCATIONS 1
#endif

namespace {
std::atomic<size_t> allocations{0};

#if VESK_COUNT_ALLOCATIONS
void* counted(std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

#endif
}  // namespace

namespace TestSupport {
size_t allocationCount() { return allocations.load(std::memory_order_relaxed); }
bool allocationsAreCounted() { return VESK_COUNT_ALLOCATIONS != 0; }
}  // namespace TestSupport

#if VESK_COUNT_ALLOCATIONS

void* operator new(std::size_t size) { return counted(size); }
void* operator new[](std::size_t size) { return counted(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
#endif
