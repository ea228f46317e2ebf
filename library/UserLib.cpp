#include "library/UserLib.h"

#include "library/FileWatcher.h"
#include "library/FolderListing.h"
#include "library/PathParts.h"
#include "library/SamplePackUpdateListener.h"
#include "library/SampleUpdateListener.h"
#include "library/Utf8Text.h"

#include <algorithm>

namespace zaffo {

UserLib::UserLib(std::string samplesPath)
    : watcher_(std::make_unique<FileWatcher>()),
      samplesPath_(std::move(samplesPath)),
      packListener_(std::make_unique<SamplePackUpdateListener>(*this)),
      packNames_(std::make_shared<const PackList>()),
      handlers_(std::make_shared<const SampleHandlers>()) {
    rootWatchId_ = watcher_->addWatch(samplesPath_, packListener_.get(), true);
    watcher_->watch();
    scanPacks();
}

UserLib::~UserLib() {
    // The watcher's thread calls the listeners and, through them, this object: it goes first.
    watcher_.reset();
}

void UserLib::scanPacks() {
    std::lock_guard scan(scanMutex_);
    auto packs = std::make_shared<PackList>();
    for (const auto& entry : listFolder(samplesPath_)) {
        if (entry.isFolder) {
            packs->push_back(decodeUtf8(entry.name));
        }
    }
    std::sort(packs->begin(), packs->end());
    std::lock_guard lock(packNamesMutex_);
    packNames_ = std::move(packs);
}

std::shared_ptr<const UserLib::PackList> UserLib::packNames() const {
    std::lock_guard lock(packNamesMutex_);
    return packNames_;
}

void UserLib::watchPack(const std::string& packPath) {
    if (sampleWatchId_ > 0) {
        watcher_->removeWatch(sampleWatchId_);
    }
    // Only now, with its watch gone, may the old listener be destroyed.
    sampleListener_ = std::make_unique<SampleUpdateListener>(*this);
    sampleWatchId_ = watcher_->addWatch(packPath, sampleListener_.get(), true);

    // Listed after the watch is in place, so a file that arrives meanwhile is not missed.
    std::vector<std::string> paths;
    for (const auto& entry : listFolder(packPath)) {
        if (isSampleFile(splitPath(entry.name))) {
            paths.push_back(packPath + "/" + entry.name);
        }
    }
    std::sort(paths.begin(), paths.end());
    samplePaths_ = std::move(paths);
}

std::vector<std::wstring> UserLib::listCompositionNames() const {
    std::vector<std::wstring> names;
    for (const auto& entry : listFolder(samplesPath_ + "/../")) {
        const PathParts parts = splitPath(entry.name);
        if (entry.isReadable && parts.ext == "json") {
            names.push_back(decodeUtf8(parts.name));
        }
    }
    std::sort(names.begin(), names.end());
    return names;
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

// The handlers are copied out under the lock and called outside it, so a handler that runs
// long (a decode, a retry) never holds up setHandlers on the interface thread.
void UserLib::sampleAdded(const std::string& path) {
    if (auto h = handlers(); h->onSampleAdded) {
        h->onSampleAdded(path);
    }
}

void UserLib::sampleRemoved(const std::string& path) {
    if (auto h = handlers(); h->onSampleRemoved) {
        h->onSampleRemoved(path);
    }
}

void UserLib::sampleModified(const std::string& path) {
    if (auto h = handlers(); h->onSampleModified) {
        h->onSampleModified(path);
    }
}

void UserLib::sampleMoved(const std::string& oldPath, const std::string& newPath) {
    if (auto h = handlers(); h->onSampleMoved) {
        h->onSampleMoved(oldPath, newPath);
    }
}

}  // namespace zaffo
