// Counts every operator new in a test program (linked in with ALLOC).
#pragma once

#include <cstddef>

namespace TestSupport {
/// Number of allocations through operator new since the program started.
size_t allocationCount();
/// False in builds whose sanitizer runtime owns operator new.
bool allocationsAreCounted();
}  // namespace TestSupport
