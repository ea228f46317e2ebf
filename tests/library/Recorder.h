#pragma once

#include "library/FileWatchListener.h"
#include "library/SampleHandlers.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Wait.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace zaffo::testing {

// Writes down what it is told, one line each, with the paths below `base` made relative: a
// watcher's events as "add a/kick.wav" (delete, modified) or "moved a/old -> a/new", and the
// library's updates as "changed p", "removed p" or "moved old -> new".
class Recorder : public FileWatchListener {
public:
    explicit Recorder(const std::string& base = "") : base_(base.empty() ? "" : base + "/") {}

    void handleFileAction(WatchId, const std::string& dir, const std::string& name, FileAction action,
                          const std::string& old) override {
        static const char* const verbs[] = {"", "add ", "delete ", "modified ", "moved "};
        note(verbs[int(action)] + (action == FileAction::Moved ? relative(dir + old) + " -> " : "") +
             relative(dir + name));
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
    int countOf(const std::string& line) {
        const auto all = lines();
        return int(std::count(all.begin(), all.end(), line));
    }
    bool waitFor(const std::string& line) {
        return test::waitUntil([&] { return countOf(line) > 0; });
    }

private:
    std::string relative(const std::string& path) const {
        return path.starts_with(base_) ? path.substr(base_.size()) : path;
    }

    const std::string base_;
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

// Changes the files below `base` as `op` says: "write a", "mkdir a", "rm a" or "mv a b".
inline void act(const std::string& base, const std::string& op) {
    std::istringstream words(op);
    std::string verb, a, b;
    words >> verb >> a >> b;
    a = base + "/" + a, b = base + "/" + b;
    if (verb == "write") writeFile(a, "x");
    if (verb == "mkdir") std::filesystem::create_directories(a);
    if (verb == "rm") std::filesystem::remove(a);
    if (verb == "mv") std::filesystem::rename(a, b);
}

}  // namespace zaffo::testing
