#include "sequencer/Random.h"

namespace zaffo {

std::mt19937& randomEngine() {
    static std::mt19937 engine{std::random_device{}()};
    return engine;
}

std::uniform_int_distribution<int>& stepDistribution() {
    static std::uniform_int_distribution<int> distribution{0, 7};
    return distribution;
}

void seedRandomEngine(std::uint32_t seed) {
    randomEngine().seed(seed);
    stepDistribution().reset();
}

}  // namespace zaffo
