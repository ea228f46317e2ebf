#include "library/FileWatcher.h"

#include "tests/library/Recorder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <thread>

namespace zaffo {
namespace {

using namespace std::chrono_literals;
using testing::act;
using testing::Recorder;
using testing::TempFolder;
using testing::writeFile;

// A recorder that runs `then` after writing each event down.
struct Hooked : Recorder {
    using Recorder::Recorder;
    void handleFileAction(WatchId id, const std::string& dir, const std::string& name, FileAction action,
                          const std::string& old) override {
        Recorder::handleFileAction(id, dir, name, action, old);
        then(id);
    }
    std::function<void(WatchId)> then;
};

// Watches in/, with out/ beside it, outside the tree. Each step changes files, then waits for the
// line it names; at the end a marker file is written into in/ and, when `log` is given, every
// event before the marker must be that log: nothing missing, nothing more.
struct WatchCase {
    const char* what;
    bool recursive;
    std::vector<std::string> before;
    std::vector<std::pair<std::string, std::string>> steps;
    std::vector<std::string> log;
};

const WatchCase watchCases[] = {
    // Nothing follows the lone first half of the move out: its Delete comes from the pairing timeout.
    {"a move out of the tree is a delete, a move in an add",
     true,
     {"mkdir out", "write in/leaving", "write out/arriving"},
     {{"mv in/leaving out/leaving", "delete in/leaving"}, {"mv out/arriving in/arriving", "add in/arriving"}},
     {"delete in/leaving", "add in/arriving"}},
    {"a move between folders of the tree is a delete, then an add",
     true,
     {"mkdir in/a", "mkdir in/b", "write in/a/kick"},
     {{"mv in/a/kick in/b/kick", "add in/b/kick"}},
     {"delete in/a/kick", "add in/b/kick"}},
    {"a rename inside one folder is one move",
     false,
     {"write in/kick"},
     {{"mv in/kick in/snare", "moved in/kick -> in/snare"}},
     {"moved in/kick -> in/snare"}},
    {"a recursive watch follows folders made later",
     true,
     {},
     {{"mkdir in/pack", "add in/pack"}, {"write in/pack/snare", "modified in/pack/snare"}},
     {"add in/pack", "add in/pack/snare", "modified in/pack/snare"}},
    // Made in one go, the files usually exist before the watcher sees their folders.
    {"files in a new folder before its watch",
     true,
     {},
     {{"mkdir in/a/b/c", ""}, {"write in/a/b/c/deep", "add in/a/b/c/deep"}},
     {}},
    {"a renamed folder reports under its new name",
     true,
     {"mkdir in/old"},
     {{"mv in/old in/new", "moved in/old -> in/new"}, {"write in/new/kick", "modified in/new/kick"}},
     {"moved in/old -> in/new", "add in/new/kick", "modified in/new/kick"}},
    {"a folder moved out is no longer watched",
     true,
     {"mkdir out", "mkdir in/gone"},
     {{"mv in/gone out/gone", "delete in/gone"}, {"write out/gone/ghost", ""}},
     {"delete in/gone"}},
    {"a flat watch reports new folders but not what is in them",
     false,
     {},
     {{"mkdir in/sub", "add in/sub"}, {"write in/sub/inner", ""}},
     {"add in/sub"}},
};

TEST(FileWatcher, ReportsEachChangeOfTheTreeAsItsAction) {
    for (const WatchCase& c : watchCases) {
        SCOPED_TRACE(c.what);
        TempFolder base;
        Recorder recorder(base.path());
        act(base.path(), "mkdir in");
        for (const std::string& op : c.before) act(base.path(), op);
        FileWatcher watcher;
        ASSERT_GT(watcher.addWatch(base / "in", &recorder, c.recursive), 0);
        watcher.watch();
        for (const auto& [op, awaited] : c.steps) {
            act(base.path(), op);
            ASSERT_TRUE(awaited.empty() || recorder.waitFor(awaited)) << op;
        }
        act(base.path(), "write in/marker");
        ASSERT_TRUE(recorder.waitFor("modified in/marker"));
        auto log = recorder.lines();
        std::erase_if(log, [](const std::string& line) { return line.ends_with(" in/marker"); });
        if (!c.log.empty()) {
            EXPECT_EQ(log, c.log);
        }
    }
}

TEST(FileWatcher, RefusesWhatIsNotAFolderAndStopsAtOnceWhenIdle) {
    TempFolder base;
    Recorder recorder;
    writeFile(base / "file", "x");
    const auto began = std::chrono::steady_clock::now();
    {
        FileWatcher watcher;
        for (const std::string& path : {base / "missing", base / "file", std::string()})
            EXPECT_LT(watcher.addWatch(path, &recorder, true), 0) << path;
        EXPECT_LT(watcher.addWatch(base.path(), nullptr, true), 0);
        EXPECT_GT(watcher.addWatch(base.path(), &recorder, true), 0);
        watcher.watch();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - began, 500ms);
}

TEST(FileWatcher, OverlappingWatchesEachSeeTheChange) {
    TempFolder base;
    Recorder outer(base.path()), inner(base.path());
    act(base.path(), "mkdir pack");
    FileWatcher watcher;
    watcher.addWatch(base.path(), &outer, true);
    watcher.addWatch(base / "pack", &inner, true);
    watcher.watch();
    act(base.path(), "write pack/kick");
    EXPECT_TRUE(outer.waitFor("modified pack/kick"));
    EXPECT_TRUE(inner.waitFor("modified pack/kick"));
}

// The first callback blocks for a while, to catch the watcher in the middle of one.
TEST(FileWatcherLifetime, RemovingAWatchOrTheWatcherWaitsForARunningCallbackAndStopsTheRest) {
    for (bool wholeWatcher : {false, true}) {
        TempFolder base;
        Hooked slow(base.path());
        Recorder plain(base.path());
        std::atomic<bool> finished{false};
        slow.then = [&](WatchId) {
            if (slow.lines().size() > 1) return;
            std::this_thread::sleep_for(200ms);
            finished = true;
        };
        auto watcher = std::make_unique<FileWatcher>();
        const WatchId id = watcher->addWatch(base.path(), &slow, false);
        watcher->addWatch(base.path(), &plain, false);
        watcher->watch();
        writeFile(base / "first", "");
        ASSERT_TRUE(test::waitUntil([&] { return !slow.lines().empty(); }));
        if (wholeWatcher)
            watcher.reset();
        else
            watcher->removeWatch(id);
        EXPECT_TRUE(finished) << wholeWatcher;
        const auto seen = slow.lines();
        if (watcher) {
            writeFile(base / "later", "");
            ASSERT_TRUE(plain.waitFor("modified later"));
        }
        EXPECT_EQ(slow.lines(), seen) << wholeWatcher;
    }
}

TEST(FileWatcherLifetime, ListenersMayRemoveTheirOwnWatchOrThrow) {
    TempFolder base;
    Hooked removing(base.path()), throwing(base.path());
    Recorder plain(base.path());
    FileWatcher watcher;
    removing.then = [&](WatchId id) { watcher.removeWatch(id); };
    throwing.then = [](WatchId) { throw std::runtime_error("listener failed"); };
    watcher.addWatch(base.path(), &removing, false);
    watcher.addWatch(base.path(), &throwing, false);
    watcher.addWatch(base.path(), &plain, false);
    watcher.watch();
    writeFile(base / "a", "x");
    ASSERT_TRUE(plain.waitFor("modified a"));
    writeFile(base / "b", "x");
    ASSERT_TRUE(plain.waitFor("modified b"));
    EXPECT_EQ(removing.lines(), std::vector<std::string>{"add a"});
    EXPECT_TRUE(throwing.waitFor("modified b"));
}

}  // namespace
}  // namespace zaffo
