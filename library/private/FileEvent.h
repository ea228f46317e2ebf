#pragma once

#include "library/FileWatchListener.h"

#include <string>

namespace zaffo {

// One change as a listener receives it.
struct FileEvent {
    std::string dir;  // ends with "/"
    std::string filename;
    FileAction action = FileAction::Add;
    std::string oldFilename;
};

}  // namespace zaffo
