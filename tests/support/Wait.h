#pragma once

#include <chrono>
#include <thread>

namespace zaffo::test {

// Polls every `interval` until `holds()` is true or the timeout passes; returns whether it became true.
template <typename Predicate>
bool waitUntil(Predicate holds, std::chrono::milliseconds timeout = std::chrono::seconds(10),
               std::chrono::milliseconds interval = std::chrono::milliseconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!holds()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(interval);
    }
    return true;
}

}  // namespace zaffo::test
