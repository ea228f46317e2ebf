#pragma once

namespace zaffo::testing {

// The number of allocations made through operator new so far. A program that links
// CountingAllocator.cpp replaces the global operator new to count them.
long allocationCount();
// The same, counting only those made by the calling thread.
long allocationCountOnThisThread();

}  // namespace zaffo::testing
