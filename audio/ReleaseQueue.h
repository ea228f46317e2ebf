#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "audio/AudioBuffer.h"

namespace zaffo {

// Buffers that voices let go of, on their way from the audio thread to a thread that may free
// memory. A ring of slots made up front: one producer (the voices, under the engine's lock),
// one consumer. Neither side waits.
class ReleaseQueue {
public:
    explicit ReleaseQueue(std::size_t capacity);

    ReleaseQueue(const ReleaseQueue&) = delete;
    ReleaseQueue& operator=(const ReleaseQueue&) = delete;

    // Producer: moves the buffer in and returns true, or leaves it with the caller when full.
    bool push(std::shared_ptr<AudioBuffer>& buffer);
    // Consumer: lets go of every buffer waiting, on the calling thread. Returns how many.
    std::size_t releaseAll();

private:
    std::vector<std::shared_ptr<AudioBuffer>> slots_;
    std::atomic<std::uint64_t> written_{0};
    std::atomic<std::uint64_t> read_{0};
};

}  // namespace zaffo
