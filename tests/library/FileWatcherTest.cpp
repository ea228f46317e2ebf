#include "FileWatcher.h"

#include "tests/library/Recorder.h"

#include <stdexcept>

namespace zaffo::testing {
namespace {

using namespace std::chrono_literals;

// Each case watches in/, with out/ beside it outside the tree: `before` is done before the watch
// starts, then `steps`. A marker written into in/ at the end closes `log`, every event reported.
const struct {
    const char *what, *before, *steps, *log;
    bool recursive = true;
} watchCases[] = {
    // Nothing follows the lone first half of the move out: its Delete comes from the pairing timeout.
    {"moves out of the tree and into it", "mkdir out; write in/gone; write out/new",
     "mv in/gone out/gone => delete in/gone; mv out/new in/new => add in/new", "delete in/gone; add in/new"},
    {"a move between folders of the tree", "mkdir in/a; mkdir in/b; write in/a/kick",
     "mv in/a/kick in/b/kick => add in/b/kick", "delete in/a/kick; add in/b/kick"},
    {"a folder made later", "", "mkdir in/pack => add in/pack; write in/pack/snare => modified in/pack/snare",
     "add in/pack; add in/pack/snare; modified in/pack/snare"},
    // Made in one go, the files usually exist before the watcher sees their folders.
    {"files in a new folder before its watch", "", "mkdir in/a/b/c; write in/a/b/c/deep => add in/a/b/c/deep", nullptr},
    {"a renamed folder", "mkdir in/old",
     "mv in/old in/new => moved in/old -> in/new; write in/new/kick => add in/new/kick",
     "moved in/old -> in/new; add in/new/kick; modified in/new/kick"},
    {"a folder moved out", "mkdir out; mkdir in/gone", "mv in/gone out/gone => delete in/gone; write out/gone/ghost",
     "delete in/gone"},
    {"a flat watch", "", "mkdir in/sub => add in/sub; write in/sub/inner", "add in/sub", false},
};

TEST(FileWatcher, ReportsEachChangeOfTheTreeAsItsAction) {
    for (const auto& c : watchCases) {
        SCOPED_TRACE(c.what);
        TempFolder base;
        Recorder recorder(base.path());
        act(base.path(), std::string("mkdir in; ") + c.before);
        FileWatcher watcher;
        ASSERT_GT(watcher.addWatch(base / "in", &recorder, c.recursive), 0);
        watcher.watch();
        ASSERT_TRUE(act(base.path(), std::string(c.steps) + "; write in/marker => modified in/marker", &recorder));
        if (c.log) {
            EXPECT_EQ(recorder.joined(), std::string(c.log) + "; add in/marker; modified in/marker");
        }
    }
}

TEST(FileWatcher, RefusesWhatIsNotAFolderAndStopsAtOnceWhenIdle) {
    TempFolder base;
    Recorder recorder;
    act(base.path(), "write file");
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

// The first callback blocks for a while, to catch the watcher in the middle of one.
TEST(FileWatcherLifetime, RemovingAWatchOrTheWatcherWaitsForARunningCallbackAndStopsTheRest) {
    for (bool wholeWatcher : {false, true}) {
        TempFolder base;
        Recorder slow(base.path()), plain(base.path());
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
        act(base.path(), "write first");
        ASSERT_TRUE(waitUntil([&] { return !slow.lines().empty(); }));
        wholeWatcher ? watcher.reset() : watcher->removeWatch(id);
        EXPECT_TRUE(finished) << wholeWatcher;
        const std::string seen = slow.joined();
        ASSERT_TRUE(wholeWatcher || act(base.path(), "write later => modified later", &plain));
        EXPECT_EQ(slow.joined(), seen) << wholeWatcher;
    }
}

TEST(FileWatcherLifetime, ListenersMayRemoveTheirOwnWatchOrThrowAndOverlappingWatchesAllSeeAChange) {
    TempFolder base;
    Recorder removing(base.path()), throwing(base.path()), inner(base.path());
    FileWatcher watcher;
    removing.then = [&](WatchId id) { watcher.removeWatch(id); };
    throwing.then = [](WatchId) { throw std::runtime_error("listener failed"); };
    act(base.path(), "mkdir pack");
    watcher.addWatch(base.path(), &removing, true);
    watcher.addWatch(base.path(), &throwing, true);
    watcher.addWatch(base / "pack", &inner, true);
    watcher.watch();
    ASSERT_TRUE(act(base.path(), "write pack/a => modified pack/a; write pack/b => modified pack/b", &inner));
    EXPECT_TRUE(throwing.waitFor("modified pack/b"));
    EXPECT_EQ(throwing.joined(), "add pack/a; modified pack/a; add pack/b; modified pack/b");
    EXPECT_EQ(removing.joined(), "add pack/a");
}

}  // namespace
}  // namespace zaffo::testing
