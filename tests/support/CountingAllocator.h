#pragma once

namespace zaffo::testing {

// The number of allocations made through operator new so far. A program that links
// CountingAllocator.cpp replaces the global operator new to count them.
long allocationCount();

}  // namespace zaffo::testing
