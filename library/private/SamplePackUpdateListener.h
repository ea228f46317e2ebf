#pragma once

#include "library/FileWatchListener.h"

#include <string>

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

// Listens to the folder that holds the samples folder: when the samples folder comes back (it was
// moved away and restored, or replaced by a copy), the watch on it is made anew.
class SamplesFolderListener : public FileWatchListener {
public:
    SamplesFolderListener(UserLib& lib, std::string samplesName) : lib_(lib), samplesName_(std::move(samplesName)) {}
    void handleFileAction(WatchId watchId, const std::string& dir, const std::string& filename, FileAction action,
                          const std::string& oldFilename) override;

private:
    UserLib& lib_;
    std::string samplesName_;
};

}  // namespace zaffo
