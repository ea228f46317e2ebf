#include "library/FileWatcher.h"

#include "tests/library/EventRecorder.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace zaffo {
namespace {

using testing::EventRecorder;
using testing::Recorded;
using testing::TempFolder;
using testing::writeFile;
namespace fs = std::filesystem;

int countOf(const std::vector<Recorded>& events, FileAction action, const std::string& name) {
    int count = 0;
    for (const auto& e : events) {
        count += e.action == action && e.filename == name;
    }
    return count;
}

class FileWatcherTest : public ::testing::Test {
protected:
    std::string dir(const std::string& below = "") const {
        return below.empty() ? root.path() + "/" : root.path() + "/" + below + "/";
    }
    WatchId start(bool recursive = true) {
        WatchId id = watcher.addWatch(root.path(), &recorder, recursive);
        watcher.watch();
        return id;
    }

    TempFolder root;
    EventRecorder recorder;
    FileWatcher watcher;
};

// --- Adding watches ---------------------------------------------------------------------------

TEST_F(FileWatcherTest, RefusesWhatIsNotAFolderWithNegativeId) {
    writeFile(root / "file.txt", "x");
    EXPECT_LT(watcher.addWatch(root / "missing", &recorder, true), 0);
    EXPECT_LT(watcher.addWatch(root / "file.txt", &recorder, true), 0);
    EXPECT_LT(watcher.addWatch("", &recorder, true), 0);
    EXPECT_LT(watcher.addWatch(root.path(), nullptr, true), 0);
}

// --- The four actions -------------------------------------------------------------------------

// Renames inside one folder are covered where the library meets them (LiveReloadTest).
TEST_F(FileWatcherTest, MoveOutOfTheTreeIsDeleteAndMoveInIsAdd) {
    TempFolder outside;
    writeFile(root / "leaving.wav", "x");
    writeFile(outside / "arriving.wav", "y");
    start();
    // Nothing follows the lone first half: the Delete must come from the pairing timeout.
    fs::rename(root / "leaving.wav", outside / "leaving.wav");
    EXPECT_TRUE(recorder.waitForEvent(FileAction::Delete, dir(), "leaving.wav"));
    fs::rename(outside / "arriving.wav", root / "arriving.wav");
    EXPECT_TRUE(recorder.waitForEvent(FileAction::Add, dir(), "arriving.wav"));
}

TEST_F(FileWatcherTest, MoveBetweenFoldersOfTheTreeIsDeleteThenAdd) {
    fs::create_directory(root / "a");
    fs::create_directory(root / "b");
    writeFile(root / "a/kick.wav", "x");
    start();
    fs::rename(root / "a/kick.wav", root / "b/kick.wav");
    ASSERT_TRUE(recorder.waitForEvent(FileAction::Add, dir("b"), "kick.wav"));
    auto events = recorder.events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_TRUE(events[0].is(FileAction::Delete, dir("a"), "kick.wav"));
}

// --- Recursion --------------------------------------------------------------------------------

TEST_F(FileWatcherTest, RecursiveWatchFollowsFoldersCreatedLater) {
    start();
    fs::create_directory(root / "pack");
    ASSERT_TRUE(recorder.waitForEvent(FileAction::Add, dir(), "pack"));
    writeFile(root / "pack/snare.wav", "x");
    EXPECT_TRUE(recorder.waitForEvent(FileAction::Modified, dir("pack"), "snare.wav"));
}

TEST_F(FileWatcherTest, FilesMadeInANewFolderBeforeItsWatchAreStillReported) {
    start();
    // Created in one go: the files usually exist before the watcher sees the folders.
    fs::create_directories(root / "a/b/c");
    writeFile(root / "a/b/c/deep.wav", "x");
    EXPECT_TRUE(recorder.waitForEvent(FileAction::Add, dir("a/b/c"), "deep.wav"));
}

TEST_F(FileWatcherTest, RenamedFolderReportsUnderItsNewName) {
    fs::create_directory(root / "old");
    start();
    fs::rename(root / "old", root / "new");
    ASSERT_TRUE(recorder.waitForEvent(FileAction::Moved, dir(), "new"));
    writeFile(root / "new/kick.wav", "x");
    EXPECT_TRUE(recorder.waitForEvent(FileAction::Add, dir("new"), "kick.wav"));
}

TEST_F(FileWatcherTest, FolderMovedOutIsNoLongerWatched) {
    TempFolder outside;
    fs::create_directory(root / "gone");
    start();
    fs::rename(root / "gone", outside / "gone");
    ASSERT_TRUE(recorder.waitForEvent(FileAction::Delete, dir(), "gone"));
    writeFile(outside / "gone/ghost.wav", "x");
    writeFile(root / "marker", "");
    ASSERT_TRUE(recorder.waitForEvent(FileAction::Modified, dir(), "marker"));
    EXPECT_EQ(countOf(recorder.events(), FileAction::Add, "ghost.wav"), 0);
}

TEST_F(FileWatcherTest, FlatWatchReportsNewFoldersButNotTheirContent) {
    start(false);
    fs::create_directory(root / "sub");
    ASSERT_TRUE(recorder.waitForEvent(FileAction::Add, dir(), "sub"));
    writeFile(root / "sub/inner.wav", "x");
    writeFile(root / "marker", "");
    ASSERT_TRUE(recorder.waitForEvent(FileAction::Modified, dir(), "marker"));
    EXPECT_EQ(countOf(recorder.events(), FileAction::Add, "inner.wav"), 0);
}

TEST_F(FileWatcherTest, OverlappingWatchesEachSeeTheChange) {
    fs::create_directory(root / "default");
    EventRecorder packRecorder;
    start();
    WatchId packId = watcher.addWatch(root / "default", &packRecorder, true);
    writeFile(root / "default/kick.wav", "x");
    EXPECT_TRUE(recorder.waitForEvent(FileAction::Modified, dir("default"), "kick.wav"));
    EXPECT_TRUE(packRecorder.waitForEvent(FileAction::Modified, dir("default"), "kick.wav"));
    watcher.removeWatch(packId);
}

// --- Lifetime ---------------------------------------------------------------------------------

// Blocks inside its first callback until released, to catch the watcher in the middle of one.
class SlowListener : public FileWatchListener {
public:
    void handleFileAction(WatchId, const std::string&, const std::string&, FileAction,
                          const std::string&) override {
        ++calls;
        if (calls == 1) {
            entered = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            finished = true;
        }
    }
    std::atomic<int> calls{0};
    std::atomic<bool> entered{false};
    std::atomic<bool> finished{false};
};

void waitUntil(const std::atomic<bool>& flag) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!flag && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
}

TEST_F(FileWatcherTest, RemoveWatchWaitsForARunningCallbackAndStopsTheRest) {
    SlowListener slow;
    WatchId id = watcher.addWatch(root.path(), &slow, false);
    start(false);
    writeFile(root / "first", "");
    waitUntil(slow.entered);
    ASSERT_TRUE(slow.entered);

    watcher.removeWatch(id);
    EXPECT_TRUE(slow.finished);
    const int callsAtRemoval = slow.calls;

    writeFile(root / "later", "");
    ASSERT_TRUE(recorder.waitForEvent(FileAction::Modified, dir(), "later"));
    EXPECT_EQ(slow.calls, callsAtRemoval);
}

TEST_F(FileWatcherTest, DestructorWaitsForARunningCallback) {
    SlowListener slow;
    auto owned = std::make_unique<FileWatcher>();
    owned->addWatch(root.path(), &slow, false);
    owned->watch();
    writeFile(root / "first", "");
    waitUntil(slow.entered);
    ASSERT_TRUE(slow.entered);
    owned.reset();
    EXPECT_TRUE(slow.finished);
}

TEST(FileWatcherLifetime, StopsAtOnceWhenIdle) {
    TempFolder root;
    EventRecorder recorder;
    auto began = std::chrono::steady_clock::now();
    {
        FileWatcher watcher;
        watcher.addWatch(root.path(), &recorder, true);
        watcher.watch();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::milliseconds(500));
}

// Removes its own watch from inside the callback, as a listener that switches folders would.
class SelfRemovingListener : public EventRecorder {
public:
    void handleFileAction(WatchId id, const std::string& dir, const std::string& filename,
                          FileAction action, const std::string& old) override {
        watcher->removeWatch(id);
        EventRecorder::handleFileAction(id, dir, filename, action, old);
    }
    FileWatcher* watcher = nullptr;
};

TEST_F(FileWatcherTest, ListenerMayRemoveItsOwnWatch) {
    SelfRemovingListener self;
    self.watcher = &watcher;
    watcher.addWatch(root.path(), &self, false);
    start(false);
    writeFile(root / "a", "x");
    EXPECT_TRUE(self.waitForEvent(FileAction::Add, dir(), "a"));
    ASSERT_TRUE(recorder.waitForEvent(FileAction::Modified, dir(), "a"));
    EXPECT_EQ(self.events().size(), 1u);
}

class ThrowingListener : public EventRecorder {
public:
    void handleFileAction(WatchId id, const std::string& dir, const std::string& filename,
                          FileAction action, const std::string& old) override {
        EventRecorder::handleFileAction(id, dir, filename, action, old);
        throw std::runtime_error("listener failed");
    }
};

TEST_F(FileWatcherTest, ListenerThatThrowsDoesNotStopTheWatcher) {
    ThrowingListener throwing;
    WatchId id = watcher.addWatch(root.path(), &throwing, false);
    watcher.watch();
    writeFile(root / "a", "x");
    ASSERT_TRUE(throwing.waitForEvent(FileAction::Modified, dir(), "a"));
    writeFile(root / "b", "x");
    EXPECT_TRUE(throwing.waitForEvent(FileAction::Modified, dir(), "b"));
    watcher.removeWatch(id);
}

}  // namespace
}  // namespace zaffo
