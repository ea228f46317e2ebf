// Takes: recording what plays into a new file beside the program.

#include "core/Core.h"

#include "audio/AudioEngine.h"

#include <cstdio>
#include <ctime>
#include <filesystem>

namespace zaffo {
namespace {

// The local time as 2024-03-05.21_07_09, for the names of recordings.
std::string timestampNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d.%H_%M_%S", &local);
    return text;
}

// A recording's name that no file has yet: two takes started within one second get "_2", "_3"...
std::string freeRecordingPath(const std::string& basePath) {
    const std::string stem = basePath + "/recording_" + timestampNow();
    std::string path = stem + ".wav";
    for (int n = 2; std::filesystem::exists(path) && n < 1000; ++n) {
        path = stem + "_" + std::to_string(n) + ".wav";
    }
    return path;
}

}  // namespace

void Core::toggleRecording() {
    // A take that ended on its own was what the box showed; clicking it now means stop.
    if (reportStoppedRecording()) {
        return;
    }
    if (engine_->isRecording()) {
        engine_->stopRecording();
    } else {
        engine_->startRecording(freeRecordingPath(basePath_));
    }
}

bool Core::reportStoppedRecording() {
    auto stopped = engine_->takeStoppedRecording();
    if (!stopped) {
        return false;
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", stopped->seconds);
    notices_(
        {"recording stopped: " + stopped->reason + "; kept " + seconds + " s in " + stopped->path, LineStyle::alert});
    return true;
}

}  // namespace zaffo
