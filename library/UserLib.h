#pragma once

#include "library/FileWatchListener.h"
#include "library/ReloadQueue.h"
#include "library/SampleHandlers.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zaffo {

class FileWatcher;
class SamplePackUpdateListener;
class SamplesFolderListener;
class SampleUpdateListener;

// The user's sample folders: which packs exist, which files of the current pack are samples,
// and the watches that report changes to both.
//
// Threads: packNames(), setHandlers() and the sample* calls are safe from any thread. The rest
// belongs to the interface thread. Changes of the pack's files are read on a reload thread of
// the library's own (see SampleHandlers); watchPack() never waits for a read.
//
// Locks: updates run with the update lock (holdUpdates) held, so every lock that they take
// comes after it.
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
    // Watches the samples folder anew, as it is now, and lists its packs. On the watcher's thread,
    // when something named like the samples folder comes or goes beside it.
    void rewatchSamples();
    // Moves the pack watch to packPath and lists its samples. A folder that cannot be watched
    // (an empty path among them) gives no samples and no events. Nothing read from the previous
    // pack is put in place afterwards.
    void watchPack(const std::string& packPath);
    // While the returned lock is held, no change is put in place. A pack switch holds it from
    // emptying the sample table until the new pack is loaded, so that nothing of the old pack
    // slips into the new one.
    [[nodiscard]] std::unique_lock<std::mutex> holdUpdates();

    const std::string& samplesPath() const { return samplesPath_; }
    // Full paths of the current pack's sample files, sorted by byte value.
    const std::vector<std::string>& samplePaths() const { return samplePaths_; }
    // The latest pack list; it stays valid and unchanged while the holder keeps it.
    std::shared_ptr<const PackList> packNames() const;

    WatchId rootWatchId() const { return rootWatchId_.load(); }
    WatchId sampleWatchId() const { return sampleWatchId_.load(); }

    void setHandlers(SampleHandlers handlers);

    // The pack watch reports here, on the watcher's thread; the changes wait for the reload
    // thread.
    void sampleAdded(WatchId watch, const std::string& path);
    void sampleRemoved(WatchId watch, const std::string& path);
    void sampleModified(WatchId watch, const std::string& path);
    void sampleMoved(WatchId watch, const std::string& oldPath, const std::string& newPath);

private:
    std::shared_ptr<const SampleHandlers> handlers() const;
    bool takeIn(const ReloadQueue::Change& change, bool lastTry);
    void update(WatchId watch, const SampleUpdate& apply);

    std::unique_ptr<FileWatcher> watcher_;
    std::string samplesPath_;
    std::unique_ptr<SampleUpdateListener> sampleListener_;
    std::unique_ptr<SamplePackUpdateListener> packListener_;
    std::vector<std::string> samplePaths_;
    std::atomic<WatchId> sampleWatchId_{0};
    std::atomic<WatchId> rootWatchId_{0};
    std::mutex rewatchMutex_;  // closing_, and a new watch on the samples folder
    bool closing_ = false;
    std::unique_ptr<SamplesFolderListener> samplesFolderListener_;

    // Scans run whole, one at a time, so an older listing never replaces a newer one.
    std::mutex scanMutex_;
    mutable std::mutex packNamesMutex_;
    std::shared_ptr<const PackList> packNames_;

    mutable std::mutex handlersMutex_;
    std::shared_ptr<const SampleHandlers> handlers_;

    std::mutex updateMutex_;
    std::unique_ptr<ReloadQueue> reloads_;
};

}  // namespace zaffo
