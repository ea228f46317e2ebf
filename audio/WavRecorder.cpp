#include "audio/WavRecorder.h"

#include <chrono>

namespace zaffo {
namespace {

constexpr auto writeInterval = std::chrono::milliseconds(20);

}  // namespace

WavRecorder::~WavRecorder() { close(); }

bool WavRecorder::open(const std::string& path) {
    close();
    failed_ = false;
    if (!file_.create(path)) return false;
    file_.updateHeader();
    ring_ = std::make_unique<FrameRing>(ringFrames);
    stopping_ = false;
    writer_ = std::thread([this] { writeLoop(); });
    return true;
}

void WavRecorder::close() {
    if (!writer_.joinable()) return;
    {
        std::lock_guard lock(wakeMutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    writer_.join();
    file_.close();
}

void WavRecorder::setOnFailure(std::function<void()> callback) {
    std::lock_guard lock(failureMutex_);
    onFailure_ = std::move(callback);
}

void WavRecorder::writeLoop() {
    std::unique_lock lock(wakeMutex_);
    for (;;) {
        const bool stop = stopping_;
        lock.unlock();
        writeWaiting();
        if (stop) return;
        lock.lock();
        wake_.wait_for(lock, writeInterval, [this] { return stopping_; });
    }
}

void WavRecorder::writeWaiting() {
    if (failed_.load(std::memory_order_relaxed)) return;
    bool written = true;
    const std::uint64_t drained = ring_->drain(
        [&](const float* frames, std::uint64_t count) { written = written && file_.write(frames, count); });
    if (written) {
        if (drained > 0) file_.updateHeader();
        return;
    }
    failed_.store(true, std::memory_order_release);
    std::lock_guard lock(failureMutex_);
    if (onFailure_) onFailure_();
}

}  // namespace zaffo
