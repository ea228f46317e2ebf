#include "SamplePackUpdateListener.h"

#include "library/UserLib.h"

namespace zaffo {

void SamplePackUpdateListener::handleFileAction(WatchId, const std::string&, const std::string&, FileAction,
                                                const std::string&) {
    lib_.scanPacks();
}

void SamplesFolderListener::handleFileAction(WatchId, const std::string&, const std::string& filename, FileAction,
                                             const std::string& oldFilename) {
    if (filename == samplesName_ || oldFilename == samplesName_) lib_.rewatchSamples();
}

}  // namespace zaffo
