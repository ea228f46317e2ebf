#include "library/SampleUpdateListener.h"

#include "library/UserLib.h"

#include <iostream>

namespace zaffo {

void SampleUpdateListener::handleFileAction(WatchId, const std::string& dir,
                                            const std::string& filename, FileAction action,
                                            const std::string& oldFilename) {
    const std::string path = dir + filename;
    switch (action) {
        case FileAction::Add:
            lib_.sampleAdded(path);
            break;
        case FileAction::Delete:
            lib_.sampleRemoved(path);
            break;
        case FileAction::Modified:
            lib_.sampleModified(path);
            break;
        case FileAction::Moved:
            lib_.sampleMoved(dir + oldFilename, path);
            break;
        default:
            std::cout << "Should never happen!" << std::endl;
            break;
    }
}

}  // namespace zaffo
