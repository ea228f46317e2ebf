#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace zaffo {

// One MIDI message, at a frame of the engine's counted by the device that plays it.
struct MidiMessage {
    std::uint64_t frame = 0;
    std::uint8_t size = 0;
    std::array<std::uint8_t, 3> bytes{};
};

// MIDI messages on their way from the audio thread's period to a device that sends them, in the order of their
// frames: one producer and one consumer, lock-free, never allocating. Only a device that sends MIDI opens it; while
// it is closed nothing is queued.
class MidiQueue {
public:
    static constexpr std::size_t capacity = 1024;

    // The consumer: opens the queue empty, or closes it. Only while no period runs.
    void open();
    void close() { open_.store(false); }
    bool isOpen() const { return open_.load(); }

    // Set by the device before each period: its count of the engine's frames at the period's first frame.
    void setPeriodStart(std::uint64_t frame) { periodStart_.store(frame, std::memory_order_relaxed); }
    std::uint64_t periodStart() const { return periodStart_.load(std::memory_order_relaxed); }

    // The producer; false when the queue is full or closed, and the message is dropped.
    bool push(const MidiMessage& message);
    // The consumer: the oldest message, if any, and letting go of it.
    const MidiMessage* front() const;
    void pop();

private:
    std::array<MidiMessage, capacity> ring_{};
    std::atomic<std::size_t> written_{0};
    std::atomic<std::size_t> read_{0};
    std::atomic<std::uint64_t> periodStart_{0};
    std::atomic<bool> open_{false};
};

}  // namespace zaffo
