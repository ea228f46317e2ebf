#pragma once

#include <cstdint>
#include <random>

namespace zaffo {

// The program's one random engine, seeded once from the system's entropy source, and its one
// distribution over the eight step positions. Used only by the clock, under the sequencer lock.
std::mt19937& randomEngine();
std::uniform_int_distribution<int>& stepDistribution();
// Starts the engine over from `seed`, so that the shuffles that follow are the same on every run.
// Only while no clock runs.
void seedRandomEngine(std::uint32_t seed);

}  // namespace zaffo
