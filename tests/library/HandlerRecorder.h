#pragma once

#include "library/SampleHandlers.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace zaffo::testing {

// Handlers that write down each update as "changed <path>", "moved <old> -> <new>" and so on.
class HandlerRecorder {
public:
    SampleHandlers handlers() {
        return {
            [this](const std::string& p, bool) { return SampleUpdate([this, p] { record("changed " + p); }); },
            [this](const std::string& p) { record("removed " + p); },
            [this](const std::string& o, const std::string& n) {
                return SampleUpdate([this, o, n] { record("moved " + o + " -> " + n); });
            },
        };
    }

    bool waitFor(const std::string& call, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return count(call) > 0; });
    }

    std::vector<std::string> calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }

    int countOf(const std::string& call) {
        std::lock_guard lock(mutex_);
        return count(call);
    }

private:
    void record(std::string call) {
        std::lock_guard lock(mutex_);
        calls_.push_back(std::move(call));
        changed_.notify_all();
    }
    int count(const std::string& call) const {
        int n = 0;
        for (const auto& c : calls_) {
            n += c == call;
        }
        return n;
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> calls_;
};

}  // namespace zaffo::testing
