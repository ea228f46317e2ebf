#include "library/UserLib.h"

#include <filesystem>

#include "FileWatcher.h"
#include "SamplePackUpdateListener.h"
#include "SampleUpdateListener.h"
#include "library/PackFolders.h"

namespace zaffo {

UserLib::UserLib(std::string samplesPath)
    : watcher_(std::make_unique<FileWatcher>()),
      samplesPath_(std::move(samplesPath)),
      packListener_(std::make_unique<SamplePackUpdateListener>(*this)),
      packNames_(std::make_shared<const PackList>()),
      handlers_(std::make_shared<const SampleHandlers>()),
      reloads_(std::make_unique<ReloadQueue>(
          [this](const ReloadQueue::Change& change, bool lastTry) { return takeIn(change, lastTry); })) {
    rootWatchId_ = watcher_->addWatch(samplesPath_, packListener_.get(), true);
    // A watch follows its folder when it is moved away; the one beside it sees a new one come.
    const std::filesystem::path samples(samplesPath_);
    samplesFolderListener_ = std::make_unique<SamplesFolderListener>(*this, samples.filename().string());
    watcher_->addWatch(samples.parent_path().string(), samplesFolderListener_.get(), false);
    watcher_->watch();
    scanPacks();
}

void UserLib::rewatchSamples() {
    std::lock_guard lock(rewatchMutex_);
    if (closing_) return;  // the watcher is going away
    if (const WatchId old = rootWatchId_.exchange(0); old > 0) watcher_->removeWatch(old);
    rootWatchId_ = watcher_->addWatch(samplesPath_, packListener_.get(), true);
    scanPacks();
}

UserLib::~UserLib() {
    {
        // A listener that makes the samples folder's watch anew uses the watcher: it is done
        // before the watcher goes, and none starts after.
        std::lock_guard lock(rewatchMutex_);
        closing_ = true;
    }
    // The watcher's thread calls the listeners and, through them, this object: it goes first,
    // then the reload thread that it feeds.
    watcher_.reset();
    reloads_.reset();
}

void UserLib::scanPacks() {
    std::lock_guard scan(scanMutex_);
    auto packs = std::make_shared<PackList>(listPacks(samplesPath_));
    std::lock_guard lock(packNamesMutex_);
    packNames_ = std::move(packs);
}

std::shared_ptr<const UserLib::PackList> UserLib::packNames() const {
    std::lock_guard lock(packNamesMutex_);
    return packNames_;
}

std::unique_lock<std::mutex> UserLib::holdUpdates() { return std::unique_lock(updateMutex_); }

void UserLib::watchPack(const std::string& packPath) {
    // From here on no change of the old watch is put in place.
    if (const WatchId old = sampleWatchId_.exchange(0); old > 0) {
        watcher_->removeWatch(old);
    }
    // Only now, with its watch gone, may the old listener be destroyed.
    sampleListener_ = std::make_unique<SampleUpdateListener>(*this);
    sampleWatchId_ = watcher_->addWatch(packPath, sampleListener_.get(), true);
    reloads_->keepOnly(sampleWatchId_);

    // Listed after the watch is in place, so a file that arrives meanwhile is not missed.
    samplePaths_ = listSamplePaths(packPath);
}

void UserLib::setHandlers(SampleHandlers handlers) {
    auto shared = std::make_shared<const SampleHandlers>(std::move(handlers));
    std::lock_guard lock(handlersMutex_);
    handlers_ = std::move(shared);
}

std::shared_ptr<const SampleHandlers> UserLib::handlers() const {
    std::lock_guard lock(handlersMutex_);
    return handlers_;
}

void UserLib::sampleAdded(WatchId watch, const std::string& path) { reloads_->changed(watch, path, false); }

void UserLib::sampleModified(WatchId watch, const std::string& path) { reloads_->changed(watch, path, true); }

void UserLib::sampleRemoved(WatchId watch, const std::string& path) { reloads_->removed(watch, path); }

void UserLib::sampleMoved(WatchId watch, const std::string& oldPath, const std::string& newPath) {
    reloads_->moved(watch, oldPath, newPath);
}

// The handlers are copied out under their lock and read with no lock held; only the update
// they return waits for the update lock.
bool UserLib::takeIn(const ReloadQueue::Change& change, bool lastTry) {
    const auto h = handlers();
    switch (change.kind) {
        case ReloadQueue::Kind::changed: {
            if (!h->onSampleChanged) {
                return true;
            }
            const SampleUpdate apply = h->onSampleChanged(change.path, lastTry);
            update(change.watch, apply);
            return static_cast<bool>(apply);
        }
        case ReloadQueue::Kind::removed:
            if (h->onSampleRemoved) {
                update(change.watch, [&] { h->onSampleRemoved(change.path); });
            }
            return true;
        case ReloadQueue::Kind::moved:
            if (h->onSampleMoved) {
                update(change.watch, h->onSampleMoved(change.oldPath, change.path));
            }
            return true;
    }
    return true;
}

// A change read from a pack that is no longer watched is dropped: its pack is gone from the table.
void UserLib::update(WatchId watch, const SampleUpdate& apply) {
    if (!apply) {
        return;
    }
    std::lock_guard lock(updateMutex_);
    if (watch == sampleWatchId_.load()) {
        apply();
    }
}

}  // namespace zaffo
