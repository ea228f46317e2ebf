#pragma once

#include <chrono>
#include <cstddef>

namespace zaffo {

// The processor time the calling thread has used: unlike the clock on the wall, it does not
// count the time the thread waited for the processor.
std::chrono::nanoseconds threadCpuTime();

// Watches the time while a period mixes its voices, a block of them at a time: whether the next
// block and the fades of the voices after it still fit. Two things can run out: the processor
// time a period's mix may take (too many voices for any machine), and the time left before the
// buffer is due. A thread that only waited for the processor past the due time has lost that
// period already; cutting its voices would not bring it back, so lateness alone cuts nothing.
//
// What the voices left will cost is judged from the blocks mixed so far, leaving out the
// costliest: a stall charged to this thread (an interrupt, or the host of a virtual machine
// taking the processor away) lands in one block, and must not be counted again for every block
// to come. One block alone therefore judges nothing but a budget already spent.
class MixDeadline {
public:
    using Clock = std::chrono::steady_clock;
    using Nanoseconds = std::chrono::nanoseconds;
    using CpuClock = Nanoseconds (*)();

    MixDeadline(Clock::time_point due, Nanoseconds processorBudget, double fadeShare, std::size_t blockVoices,
                Clock::time_point now, CpuClock cpuClock = threadCpuTime);

    // Called after each block of voices: whether the next block in full, and the fades (each
    // fadeShare of a voice) of the `left` voices not yet mixed, fit in what remains.
    bool roomFor(std::size_t left, Clock::time_point now);

private:
    Clock::time_point due_;
    Nanoseconds processorBudget_;
    double fadeShare_;
    std::size_t blockVoices_;
    CpuClock cpuClock_;
    Clock::time_point wallStart_, lastLook_;
    Nanoseconds cpuStart_;
    std::size_t blocks_ = 0;
    Nanoseconds blockSum_{0}, costliestBlock_{0};
};

}  // namespace zaffo
