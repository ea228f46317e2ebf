#include "audio/MidiQueue.h"

namespace zaffo {

void MidiQueue::open() {
    read_.store(written_.load());
    periodStart_.store(0);
    open_.store(true);
}

bool MidiQueue::push(const MidiMessage& message) {
    if (!open_.load(std::memory_order_relaxed)) return false;
    const std::size_t written = written_.load(std::memory_order_relaxed);
    if (written - read_.load(std::memory_order_acquire) == capacity) return false;
    ring_[written % capacity] = message;
    written_.store(written + 1, std::memory_order_release);
    return true;
}

const MidiMessage* MidiQueue::front() const {
    const std::size_t read = read_.load(std::memory_order_relaxed);
    if (read == written_.load(std::memory_order_acquire)) return nullptr;
    return &ring_[read % capacity];
}

void MidiQueue::pop() { read_.store(read_.load(std::memory_order_relaxed) + 1, std::memory_order_release); }

}  // namespace zaffo
