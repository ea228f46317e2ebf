#include "audio/RealTimePriority.h"

#include <sched.h>

namespace zaffo {

void RealTimePriority::raiseCallingThread() {
    const pthread_t self = pthread_self();
    if (outcome() != Outcome::notAsked && pthread_equal(raised_.load(std::memory_order_relaxed), self)) return;
    raised_.store(self, std::memory_order_relaxed);
    int policy = SCHED_OTHER;
    sched_param parameter{};
    if (pthread_getschedparam(self, &policy, &parameter) == 0 && (policy == SCHED_FIFO || policy == SCHED_RR)) {
        outcome_.store(Outcome::alreadyRealTime, std::memory_order_relaxed);
        return;
    }
    parameter.sched_priority = priority;
    const bool raised = pthread_setschedparam(self, SCHED_FIFO, &parameter) == 0;
    outcome_.store(raised ? Outcome::raised : Outcome::refused, std::memory_order_relaxed);
}

}  // namespace zaffo
