#include "audio/FrameRing.h"

#include <algorithm>

namespace zaffo {

FrameRing::FrameRing(std::uint32_t capacityFrames)
    : capacity_(std::max<std::uint32_t>(capacityFrames, 1)), samples_(capacity_ * 2) {}

std::uint32_t FrameRing::push(const float* frames, std::uint32_t count) {
    const std::uint64_t written = written_.load(std::memory_order_relaxed);
    const std::uint64_t room = capacity_ - (written - read_.load(std::memory_order_acquire));
    const auto taken = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, room));
    const std::uint64_t at = written % capacity_;
    const std::uint64_t first = std::min<std::uint64_t>(taken, capacity_ - at);
    std::copy(frames, frames + first * 2, samples_.begin() + static_cast<std::ptrdiff_t>(at * 2));
    std::copy(frames + first * 2, frames + std::uint64_t{taken} * 2, samples_.begin());
    written_.store(written + taken, std::memory_order_release);
    if (taken < count) dropped_.fetch_add(count - taken, std::memory_order_relaxed);
    return taken;
}

}  // namespace zaffo
