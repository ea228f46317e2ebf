#include "sequencer/PeriodReport.h"

#include <algorithm>

namespace zaffo {

PeriodReport::PeriodReport(std::size_t triggerRoom) : triggerRoom_(triggerRoom) {
    events_.reserve(triggerRoom + controlRoom);
}

void PeriodReport::add(const ClockEvent& event) {
    const bool trigger = event.kind == ClockEvent::Kind::trigger;
    if (trigger && triggers_ == triggerRoom_) {
        ++leftOut_;
        return;
    }
    if (events_.size() == events_.capacity()) return;  // more control events than any period makes
    triggers_ += trigger ? 1 : 0;
    events_.push_back(event);
}

void PeriodReport::dropTriggersFrom(std::size_t first) {
    if (first >= events_.size()) return;
    const auto from = events_.begin() + static_cast<std::ptrdiff_t>(first);
    const auto kept =
        std::remove_if(from, events_.end(), [](const ClockEvent& e) { return e.kind == ClockEvent::Kind::trigger; });
    triggers_ -= static_cast<std::size_t>(events_.end() - kept);
    events_.erase(kept, events_.end());
}

void PeriodReport::pin(const std::shared_ptr<const InstrumentList>& instruments) {
    if (pinned_ != instruments) pinned_ = instruments;
}

}  // namespace zaffo
