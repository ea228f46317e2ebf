#pragma once

#include "library/FileWatchListener.h"

namespace zaffo {

class UserLib;

// Listens to the whole samples folder: any change there may add, remove or rename a pack.
class SamplePackUpdateListener : public FileWatchListener {
public:
    explicit SamplePackUpdateListener(UserLib& lib) : lib_(lib) {}
    void handleFileAction(WatchId watchId, const std::string& dir, const std::string& filename, FileAction action,
                          const std::string& oldFilename) override;

private:
    UserLib& lib_;
};

}  // namespace zaffo
