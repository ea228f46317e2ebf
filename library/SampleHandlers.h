#pragma once

#include <functional>
#include <string>

namespace zaffo {

// What the owner of the sample table does when a file below the current pack changes. Called
// on the watcher's thread with full paths; an empty handler ignores its change.
struct SampleHandlers {
    std::function<void(const std::string& path)> onSampleAdded;
    std::function<void(const std::string& path)> onSampleRemoved;
    std::function<void(const std::string& path)> onSampleModified;
    std::function<void(const std::string& oldPath, const std::string& newPath)> onSampleMoved;
};

}  // namespace zaffo
