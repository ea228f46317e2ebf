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

}  // namespace zaffo
