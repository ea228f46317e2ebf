#include "audio/LevelMeter.h"

namespace zaffo {

void LevelMeter::note(float periodPeak, bool periodLimited) {
    float held = peak_.load(std::memory_order_relaxed);
    while (periodPeak > held && !peak_.compare_exchange_weak(held, periodPeak, std::memory_order_relaxed)) {}
    if (periodLimited) limited_.store(true, std::memory_order_relaxed);
}

LevelMeter::Reading LevelMeter::take() {
    return {peak_.exchange(0.0f, std::memory_order_relaxed), limited_.exchange(false, std::memory_order_relaxed)};
}

}  // namespace zaffo
