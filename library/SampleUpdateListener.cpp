#include "SampleUpdateListener.h"

#include "library/UserLib.h"

#include <iostream>

namespace zaffo {

void SampleUpdateListener::handleFileAction(WatchId watchId, const std::string& dir, const std::string& filename,
                                            FileAction action, const std::string& oldFilename) {
    const std::string path = dir + filename;
    switch (action) {
        case FileAction::Add:
            lib_.sampleAdded(watchId, path);
            break;
        case FileAction::Delete:
            lib_.sampleRemoved(watchId, path);
            break;
        case FileAction::Modified:
            lib_.sampleModified(watchId, path);
            break;
        case FileAction::Moved:
            lib_.sampleMoved(watchId, dir + oldFilename, path);
            break;
        default:
            std::cout << "Should never happen!" << std::endl;
            break;
    }
}

}  // namespace zaffo
