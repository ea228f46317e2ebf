#include "core/SampleTable.h"

#include <algorithm>

namespace zaffo {

SampleTable::SampleTable() : contents_(std::make_shared<const Contents>()) {}

SampleTable::BufferPtr SampleTable::find(const std::string& name) const {
    std::lock_guard lock(stateMutex_);
    auto found = contents_->buffers.find(name);
    return found == contents_->buffers.end() ? nullptr : found->second;
}

SampleTable::ContentsPtr SampleTable::snapshot() const {
    std::lock_guard lock(stateMutex_);
    return contents_;
}

std::vector<std::string> SampleTable::names() const { return snapshot()->names; }

void SampleTable::publish(ContentsPtr& next) {
    std::lock_guard lock(stateMutex_);
    contents_.swap(next);
}

void SampleTable::set(std::vector<Entry> entries) {
    std::lock_guard writer(writeMutex_);
    auto next = std::make_shared<Contents>(*snapshot());
    for (Entry& entry : entries) {
        if (!next->buffers.count(entry.first)) next->names.push_back(entry.first);
        next->buffers[entry.first] = std::move(entry.second);
    }
    ContentsPtr swapped = std::move(next);
    publish(swapped);
}

void SampleTable::remove(const std::string& name) {
    std::lock_guard writer(writeMutex_);
    auto next = std::make_shared<Contents>(*snapshot());
    next->buffers.erase(name);
    std::erase(next->names, name);
    ContentsPtr swapped = std::move(next);
    publish(swapped);
}

void SampleTable::clear() {
    std::lock_guard writer(writeMutex_);
    ContentsPtr next = std::make_shared<const Contents>();
    publish(next);
}

}  // namespace zaffo
