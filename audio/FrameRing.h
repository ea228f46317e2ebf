#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

namespace zaffo {

// A single-producer, single-consumer ring of stereo frames. The producer (the audio
// thread) never waits and never allocates: what does not fit is dropped and counted.
class FrameRing {
public:
    explicit FrameRing(std::uint32_t capacityFrames);

    FrameRing(const FrameRing&) = delete;
    FrameRing& operator=(const FrameRing&) = delete;

    // Producer side. Returns how many of the frames were taken.
    std::uint32_t push(const float* frames, std::uint32_t count);

    // Consumer side: hands the frames waiting, in order, to sink(const float*, count)
    // in at most two contiguous runs, then frees their room. Returns how many there were.
    template <typename Sink>
    std::uint64_t drain(Sink&& sink);

    std::uint64_t droppedFrames() const { return dropped_.load(std::memory_order_relaxed); }

private:
    std::uint64_t capacity_;
    std::vector<float> samples_;
    std::atomic<std::uint64_t> written_{0};
    std::atomic<std::uint64_t> read_{0};
    std::atomic<std::uint64_t> dropped_{0};
};

template <typename Sink>
std::uint64_t FrameRing::drain(Sink&& sink) {
    const std::uint64_t read = read_.load(std::memory_order_relaxed);
    const std::uint64_t available = written_.load(std::memory_order_acquire) - read;
    const std::uint64_t at = read % capacity_;
    const std::uint64_t first = available < capacity_ - at ? available : capacity_ - at;
    if (first > 0) sink(samples_.data() + at * 2, first);
    if (available > first) sink(samples_.data(), available - first);
    read_.store(read + available, std::memory_order_release);
    return available;
}

}  // namespace zaffo
