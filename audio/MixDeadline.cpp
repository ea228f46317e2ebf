#include "audio/MixDeadline.h"

#include <time.h>

#include <algorithm>
#include <cstdint>

namespace zaffo {
namespace {

std::chrono::nanoseconds scaled(std::chrono::nanoseconds time, double share) {
    return std::chrono::nanoseconds(static_cast<std::int64_t>(static_cast<double>(time.count()) * share));
}

}  // namespace

std::chrono::nanoseconds threadCpuTime() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

MixDeadline::MixDeadline(Clock::time_point due, Nanoseconds processorBudget, double fadeShare, std::size_t blockVoices,
                         Clock::time_point now, CpuClock cpuClock)
    : due_(due),
      processorBudget_(processorBudget),
      fadeShare_(fadeShare),
      blockVoices_(blockVoices),
      cpuClock_(cpuClock),
      wallStart_(now),
      lastLook_(now),
      cpuStart_(cpuClock()) {}

bool MixDeadline::roomFor(std::size_t left, Clock::time_point now) {
    const Nanoseconds block = now - lastLook_;
    lastLook_ = now;
    ++blocks_;
    blockSum_ += block;
    costliestBlock_ = std::max(costliestBlock_, block);
    const double work = static_cast<double>(std::min(left, blockVoices_)) + fadeShare_ * static_cast<double>(left);
    const double blocksLeft = work / static_cast<double>(blockVoices_);
    const Nanoseconds typicalBlock =
        blocks_ > 1 ? (blockSum_ - costliestBlock_) / static_cast<std::int64_t>(blocks_ - 1) : Nanoseconds::zero();

    const Nanoseconds timeLeft = due_ - now;
    // The wall clock is at least the work done: when even that fits, all is well.
    const Nanoseconds wallSpent = now - wallStart_;
    const Nanoseconds wallNeeded = scaled(typicalBlock, blocksLeft);
    if (wallNeeded < timeLeft && wallNeeded < processorBudget_ - wallSpent) return true;
    // Waits for the processor swell the wall clock's blocks but not the processor's; a stall
    // charged to the thread swells both, and only the wall clock's blocks can leave it out.
    const Nanoseconds cpuSpent = cpuClock_() - cpuStart_;
    const Nanoseconds cpuNeeded = std::min(wallNeeded, scaled(cpuSpent, blocksLeft / static_cast<double>(blocks_)));
    if (cpuNeeded >= processorBudget_ - cpuSpent) return false;
    return timeLeft <= Nanoseconds::zero() || cpuNeeded < timeLeft;
}

}  // namespace zaffo
