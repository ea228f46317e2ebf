#include "audio/ReleaseQueue.h"

#include <algorithm>

namespace zaffo {

ReleaseQueue::ReleaseQueue(std::size_t capacity) : slots_(std::max<std::size_t>(capacity, 1)) {}

bool ReleaseQueue::push(std::shared_ptr<AudioBuffer>& buffer) {
    const std::uint64_t written = written_.load(std::memory_order_relaxed);
    if (written - read_.load(std::memory_order_acquire) == slots_.size()) return false;
    slots_[written % slots_.size()] = std::move(buffer);
    written_.store(written + 1, std::memory_order_release);
    return true;
}

std::size_t ReleaseQueue::releaseAll() {
    const std::uint64_t read = read_.load(std::memory_order_relaxed);
    const std::uint64_t written = written_.load(std::memory_order_acquire);
    for (std::uint64_t at = read; at < written; ++at) slots_[at % slots_.size()].reset();
    read_.store(written, std::memory_order_release);
    return static_cast<std::size_t>(written - read);
}

}  // namespace zaffo
