#include "audio/WavRecorder.h"

#include <sndfile.h>

#include <chrono>

namespace zaffo {
namespace {

constexpr auto writeInterval = std::chrono::milliseconds(20);

}  // namespace

WavRecorder::~WavRecorder() { close(); }

bool WavRecorder::open(const std::string& path) {
    close();
    SF_INFO info{};
    info.samplerate = engineSampleRate;
    info.channels = AudioBuffer::channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    file_ = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file_)
        return false;
    sf_command(file_, SFC_SET_UPDATE_HEADER_AUTO, nullptr, SF_TRUE);
    ring_ = std::make_unique<FrameRing>(ringFrames);
    stopping_ = false;
    writer_ = std::thread([this] { writeLoop(); });
    return true;
}

void WavRecorder::close() {
    if (!file_)
        return;
    {
        std::lock_guard lock(wakeMutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    writer_.join();
    sf_close(file_);
    file_ = nullptr;
}

void WavRecorder::writeLoop() {
    std::unique_lock lock(wakeMutex_);
    for (;;) {
        const bool stop = stopping_;
        lock.unlock();
        writeWaiting();
        if (stop)
            return;
        lock.lock();
        wake_.wait_for(lock, writeInterval, [this] { return stopping_; });
    }
}

// Write errors are not reported: a full disk must not stop the music.
void WavRecorder::writeWaiting() {
    ring_->drain([this](const float* frames, std::uint64_t count) {
        sf_writef_float(file_, frames, static_cast<sf_count_t>(count));
    });
}

}  // namespace zaffo
