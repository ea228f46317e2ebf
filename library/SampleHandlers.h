#pragma once

#include <functional>
#include <string>

namespace zaffo {

// Puts what was read from a changed file in place; empty when the file could not be read.
using SampleUpdate = std::function<void()>;

// What the owner of the sample table does when a file below the current pack changes, with
// full paths. The read part of a handler runs on the library's reload thread with no lock held
// and may take long (a decode); the update it returns, and onSampleRemoved, run later on that
// thread while the library holds its update lock, and only while the pack they came from is
// still the current one. An empty handler ignores its change.
struct SampleHandlers {
    // A file was added or written; it is offered once it has settled. An empty update asks for
    // one more try a little later, unless `lastTry` says this was it.
    std::function<SampleUpdate(const std::string& path, bool lastTry)> onSampleChanged;
    std::function<void(const std::string& path)> onSampleRemoved;
    std::function<SampleUpdate(const std::string& oldPath, const std::string& newPath)> onSampleMoved;
};

}  // namespace zaffo
