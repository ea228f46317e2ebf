#pragma once

#include <pthread.h>

#include <atomic>

namespace zaffo {

// Asks the scheduler to run the audio thread ahead of ordinary work (first in, first out, at a
// modest real-time priority), so that a busy machine does not make it late. Asked once for each
// thread that calls it; a thread that is already real-time (a sound server's) is left as it is.
class RealTimePriority {
public:
    enum class Outcome { notAsked, raised, alreadyRealTime, refused };
    static constexpr int priority = 10;

    // Cheap when the calling thread was the last one raised; never waits.
    void raiseCallingThread();
    // What the last thread asked for got.
    Outcome outcome() const { return outcome_.load(std::memory_order_relaxed); }

private:
    std::atomic<pthread_t> raised_{};
    std::atomic<Outcome> outcome_{Outcome::notAsked};
};

}  // namespace zaffo
