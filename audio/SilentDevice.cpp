#include "audio/SilentDevice.h"

#include <chrono>
#include <ratio>
#include <system_error>

#include "audio/AudioBuffer.h"

namespace zaffo {
namespace {

using Clock = std::chrono::steady_clock;
using Frames = std::chrono::duration<std::int64_t, std::ratio<1, engineSampleRate>>;

}  // namespace

SilentDevice::~SilentDevice() { stop(); }

SilentDevice::StartResult SilentDevice::start(Render render, void* user) {
    stop();
    render_ = render;
    user_ = user;
    buffer_.assign(std::size_t{periodFrames} * AudioBuffer::channels, 0.0f);
    stopping_ = false;
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        return StartResult::startFailed;
    }
    return StartResult::started;
}

void SilentDevice::stop() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void SilentDevice::run() {
    // Each period is due a whole number of frames after the origin, so rounding never adds up to drift.
    auto origin = Clock::now();
    std::int64_t rendered = 0;
    const auto period = std::chrono::duration_cast<Clock::duration>(Frames(periodFrames));
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        lock.unlock();
        render_(user_, buffer_.data(), periodFrames);
        rendered += periodFrames;
        lock.lock();
        auto due = origin + std::chrono::duration_cast<Clock::duration>(Frames(rendered));
        const auto now = Clock::now();
        if (now - due > maxPeriodsBehind * period) {
            origin = due = now;
            rendered = 0;
        }
        wake_.wait_until(lock, due, [this] { return stopping_; });
    }
}

}  // namespace zaffo
