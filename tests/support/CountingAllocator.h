#pragma once

namespace zaffo::testing {

// Allocations through operator new, and frees through operator delete, made so far by the calling thread. A program
// that links CountingAllocator.cpp replaces the global pair to count them.
long allocationCount();
long freeCount();

}  // namespace zaffo::testing
