#pragma once

#include <random>

namespace zaffo {

// The program's one random engine, seeded once from the system's entropy source, and its one
// distribution over the eight step positions. Used only by the clock, under the sequencer lock.
std::mt19937& randomEngine();
std::uniform_int_distribution<int>& stepDistribution();

}  // namespace zaffo
