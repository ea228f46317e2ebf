#pragma once

#include "library/FileWatchListener.h"

namespace zaffo {

class UserLib;

// Listens to the current pack's folder and hands each change to the library's handlers.
class SampleUpdateListener : public FileWatchListener {
public:
    explicit SampleUpdateListener(UserLib& lib) : lib_(lib) {}
    void handleFileAction(WatchId watchId, const std::string& dir, const std::string& filename, FileAction action,
                          const std::string& oldFilename) override;

private:
    UserLib& lib_;
};

}  // namespace zaffo
