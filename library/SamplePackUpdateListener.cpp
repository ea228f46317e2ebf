#include "SamplePackUpdateListener.h"

#include "library/UserLib.h"

namespace zaffo {

void SamplePackUpdateListener::handleFileAction(WatchId, const std::string&, const std::string&, FileAction,
                                                const std::string&) {
    lib_.scanPacks();
}

}  // namespace zaffo
