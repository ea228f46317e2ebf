#pragma once

#include "library/FileWatchListener.h"
#include "library/SampleHandlers.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <thread>

namespace zaffo::testing {

using test::waitUntil;

// Writes down, with the paths below `base` made relative, a watcher's events as "add a/kick.wav" (delete, modified) or
// "moved a/old -> a/new", then runs `then`; and the library's updates as "changed p", "removed p" or "moved o -> n".
class Recorder : public FileWatchListener {
public:
    explicit Recorder(const std::string& base = "") : base_(base.empty() ? "" : base + "/") {}

    void handleFileAction(WatchId id, const std::string& dir, const std::string& name, FileAction action,
                          const std::string& old) override {
        static const char* const verbs[] = {"", "add ", "delete ", "modified ", "moved "};
        note(verbs[int(action)] + (old.empty() ? "" : relative(dir + old) + " -> ") + relative(dir + name));
        if (then) then(id);
    }
    SampleHandlers handlers() {
        return {
            [this](const std::string& p, bool) { return SampleUpdate([this, p] { note("changed " + relative(p)); }); },
            [this](const std::string& p) { note("removed " + relative(p)); },
            [this](const std::string& o, const std::string& n) {
                return SampleUpdate([this, o, n] { note("moved " + relative(o) + " -> " + relative(n)); });
            }};
    }

    void note(const std::string& line) {
        std::lock_guard lock(mutex_);
        lines_.push_back(line);
    }
    std::vector<std::string> lines() {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    std::string joined() {
        std::string text;
        for (const std::string& line : lines()) text += (text.empty() ? "" : "; ") + line;
        return text;
    }
    bool waitFor(const std::string& line) {
        return waitUntil([&] { return std::ranges::count(lines(), line) > 0; });
    }

    std::function<void(WatchId)> then;

private:
    std::string relative(const std::string& path) const {
        return path.starts_with(base_) ? path.substr(base_.size()) : path;
    }

    const std::string base_;
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

// Carries out `steps`, "; " between them. Each changes the files below `base` ("write a", "mkdir a",
// "rm a" or "mv a b") and then, after " => ", waits until `recorder` has the line named there.
inline ::testing::AssertionResult act(const std::string& base, const std::string& steps, Recorder* recorder = nullptr) {
    std::istringstream list(steps);
    for (std::string step; std::getline(list, step, ';');) {
        const auto awaited = step.find(" => ");
        std::istringstream words(step.substr(0, awaited));
        std::string verb, a, b;
        words >> verb >> a >> b;
        a = base + "/" + a, b = base + "/" + b;
        if (verb == "write") writeFile(a, "x");
        if (verb == "mkdir") std::filesystem::create_directories(a);
        if (verb == "rm") std::filesystem::remove(a);
        if (verb == "mv") std::filesystem::rename(a, b);
        if (awaited == std::string::npos) continue;
        if (!recorder) return ::testing::AssertionFailure() << "nothing records what" << step << " awaits";
        if (!recorder->waitFor(step.substr(awaited + 4)))
            return ::testing::AssertionFailure() << "after" << step << " came only: " << recorder->joined();
    }
    return ::testing::AssertionSuccess();
}

}  // namespace zaffo::testing
