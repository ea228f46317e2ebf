#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "audio/AudioBuffer.h"
#include "audio/FrameRing.h"
#include "audio/WavFile.h"

namespace zaffo {

// Writes what the engine plays into a WAV file. The audio thread only copies frames into a
// ring; a writer thread of the recorder's own moves them to the file, so the audio thread never
// touches the disk. The writer keeps the header up to date as the file grows, so even a
// recording cut short by a crash stays readable, and a write error (a full disk) ends the
// recording with a file that holds exactly what reached the disk.
class WavRecorder {
public:
    // Four seconds of room: the writer must stall that long before frames are dropped.
    static constexpr std::uint32_t ringFrames = 4 * engineSampleRate;

    WavRecorder() = default;
    ~WavRecorder();

    WavRecorder(const WavRecorder&) = delete;
    WavRecorder& operator=(const WavRecorder&) = delete;

    // Closes an open file first. Returns false when the file cannot be created; then no file is
    // left and error() says why.
    bool open(const std::string& path);
    // Writes everything pushed so far and completes the file. Push nothing during or after.
    void close();
    bool isOpen() const { return writer_.joinable(); }

    // Audio thread, only while open: never waits, never allocates.
    void push(const float* frames, std::uint32_t count) {
        if (!failed_.load(std::memory_order_relaxed)) ring_->push(frames, count);
    }

    // Whether a write error has stopped the recording; the file is complete already.
    bool failed() const { return failed_.load(std::memory_order_acquire); }
    // Why the file could not be created or written; read once failed() or open() said so.
    const std::string& error() const { return file_.error(); }
    // Frames in the file; read once failed() or after close().
    std::uint64_t framesWritten() const { return file_.frames(); }
    // Called on the writer thread when a write error stops the recording.
    void setOnFailure(std::function<void()> callback);

    // Frames lost because the writer fell behind, in the current or last recording.
    std::uint64_t droppedFrames() const { return ring_ ? ring_->droppedFrames() : 0; }

private:
    void writeLoop();
    void writeWaiting();

    WavFile file_;
    std::unique_ptr<FrameRing> ring_;
    std::thread writer_;
    std::mutex wakeMutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::atomic<bool> failed_{false};
    std::mutex failureMutex_;  // onFailure_, so it can be replaced while a writer runs
    std::function<void()> onFailure_;
};

}  // namespace zaffo
