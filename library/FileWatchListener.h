#pragma once

#include <cstdint>
#include <string>

namespace zaffo {

using WatchId = std::int32_t;

// What happened to an entry of a watched folder. The values are fixed: listeners may be handed
// any integer and must cope with values outside this list.
enum class FileAction : int {
    Add = 1,
    Delete = 2,
    Modified = 3,
    Moved = 4,
};

// Receives the changes of one watch on the watcher's own thread, one at a time.
// `dir` is the folder of the entry and ends with "/"; `oldFilename` is the entry's previous name
// in that same folder for Moved, empty otherwise.
class FileWatchListener {
public:
    virtual ~FileWatchListener() = default;
    virtual void handleFileAction(WatchId watchId, const std::string& dir, const std::string& filename,
                                  FileAction action, const std::string& oldFilename) = 0;
};

}  // namespace zaffo
