#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "audio/AudioBuffer.h"
#include "audio/FrameRing.h"

typedef struct sf_private_tag SNDFILE;

namespace zaffo {

// Writes what the engine plays into a WAV file (IEEE float 32-bit, stereo,
// engineSampleRate). The audio thread only copies frames into a ring; a writer thread
// of the recorder's own moves them to the file, so the audio thread never touches the
// disk. The header is kept up to date as the file grows, so even a recording cut short
// by a crash stays readable.
class WavRecorder {
public:
    // Four seconds of room: the writer must stall that long before frames are dropped.
    static constexpr std::uint32_t ringFrames = 4 * engineSampleRate;

    WavRecorder() = default;
    ~WavRecorder();

    WavRecorder(const WavRecorder&) = delete;
    WavRecorder& operator=(const WavRecorder&) = delete;

    // Closes an open file first. Returns false when the file cannot be created.
    bool open(const std::string& path);
    // Writes everything pushed so far and completes the file. Push nothing during or after.
    void close();
    bool isOpen() const { return file_ != nullptr; }

    // Audio thread, only while open: never waits, never allocates.
    void push(const float* frames, std::uint32_t count) { ring_->push(frames, count); }

    // Frames lost because the writer fell behind, in the current or last recording.
    std::uint64_t droppedFrames() const { return ring_ ? ring_->droppedFrames() : 0; }

private:
    void writeLoop();
    void writeWaiting();

    SNDFILE* file_ = nullptr;
    std::unique_ptr<FrameRing> ring_;
    std::thread writer_;
    std::mutex wakeMutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
};

}  // namespace zaffo
