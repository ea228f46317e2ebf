#pragma once

#include "library/FileWatchListener.h"
#include "library/SampleHandlers.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zaffo {

class FileWatcher;
class SamplePackUpdateListener;
class SampleUpdateListener;

// The user's sample folders: which packs exist, which files of the current pack are samples,
// and the watches that report changes to both.
//
// Threads: packNames(), setHandlers() and the sample* calls are safe from any thread. The rest
// belongs to the interface thread. watchPack() waits for a change handler that is running, so
// it must not be called while holding a lock that a handler takes.
class UserLib {
public:
    using PackList = std::vector<std::wstring>;

    // Watches samplesPath for packs coming and going and lists the packs there.
    explicit UserLib(std::string samplesPath);
    virtual ~UserLib();
    UserLib(const UserLib&) = delete;
    UserLib& operator=(const UserLib&) = delete;

    // Rebuilds the pack list: the folders in the samples folder, sorted by character value.
    void scanPacks();
    // Moves the pack watch to packPath and lists its samples. A folder that cannot be watched
    // gives no samples and no events.
    void watchPack(const std::string& packPath);

    const std::string& samplesPath() const { return samplesPath_; }
    // Full paths of the current pack's sample files, sorted by byte value.
    const std::vector<std::string>& samplePaths() const { return samplePaths_; }
    // The latest pack list; it stays valid and unchanged while the holder keeps it.
    std::shared_ptr<const PackList> packNames() const;
    // Names without extension of the readable json files beside the samples folder, sorted.
    std::vector<std::wstring> listCompositionNames() const;

    WatchId rootWatchId() const { return rootWatchId_; }
    WatchId sampleWatchId() const { return sampleWatchId_; }

    void setHandlers(SampleHandlers handlers);

    // The pack watch reports here, on the watcher's thread.
    void sampleAdded(const std::string& path);
    void sampleRemoved(const std::string& path);
    void sampleModified(const std::string& path);
    void sampleMoved(const std::string& oldPath, const std::string& newPath);

private:
    std::shared_ptr<const SampleHandlers> handlers() const;

    std::unique_ptr<FileWatcher> watcher_;
    std::string samplesPath_;
    std::unique_ptr<SampleUpdateListener> sampleListener_;
    std::unique_ptr<SamplePackUpdateListener> packListener_;
    std::vector<std::string> samplePaths_;
    WatchId sampleWatchId_ = 0;
    WatchId rootWatchId_ = 0;

    // Scans run whole, one at a time, so an older listing never replaces a newer one.
    std::mutex scanMutex_;
    mutable std::mutex packNamesMutex_;
    std::shared_ptr<const PackList> packNames_;

    mutable std::mutex handlersMutex_;
    std::shared_ptr<const SampleHandlers> handlers_;
};

}  // namespace zaffo
