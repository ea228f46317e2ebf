#include "library/SamplePackUpdateListener.h"
#include "library/SampleUpdateListener.h"
#include "library/UserLib.h"

#include "tests/library/HandlerRecorder.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <thread>

namespace zaffo {
namespace {

using testing::HandlerRecorder;
using testing::TempFolder;
using testing::writeFile;
namespace fs = std::filesystem;

bool eventually(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Handlers that only read changed files, with `read`.
SampleHandlers onChange(std::function<SampleUpdate(const std::string& path, bool lastTry)> read) {
    SampleHandlers handlers;
    handlers.onSampleChanged = std::move(read);
    return handlers;
}

bool listsPack(const UserLib& lib, const std::wstring& name) {
    auto packs = lib.packNames();
    return std::find(packs->begin(), packs->end(), name) != packs->end();
}

class LiveReloadTest : public ::testing::Test {
protected:
    LiveReloadTest() {
        fs::create_directories(pack);
        writeFile(pack + "/kick.wav", "x");
        lib = std::make_unique<UserLib>(samples);
        lib->watchPack(pack);
        lib->setHandlers(recorder.handlers());
    }
    ~LiveReloadTest() override { lib.reset(); }

    TempFolder base;
    const std::string samples = base / "samples";
    const std::string pack = samples + "/default";
    HandlerRecorder recorder;  // outlives lib: its handlers may run until lib is gone
    std::unique_ptr<UserLib> lib;
};

// --- Changes inside the current pack ----------------------------------------------------------

TEST_F(LiveReloadTest, AFileWrittenInStepsIsTakenInOnceWhenFinished) {
    std::string seen;
    lib->setHandlers(onChange([&](const std::string& path, bool) {
        seen = std::to_string(fs::file_size(path));
        return recorder.handlers().onSampleChanged(path, true);
    }));
    {
        std::ofstream file(pack + "/snare.wav", std::ios::binary);
        file << "half" << std::flush;
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        file << "done";
    }
    ASSERT_TRUE(recorder.waitFor("changed " + pack + "/snare.wav"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(recorder.calls(), std::vector<std::string>{"changed " + pack + "/snare.wav"});
    EXPECT_EQ(seen, "8");
}

TEST_F(LiveReloadTest, EveryRenameInThePackIsOneMoveWithBothPaths) {
    // What the handler makes of kick0, boom or kick.txt is the owner's business; it must get
    // the old and the new path together, once.
    for (const char* target : {"kick0.wav", "boom.wav", "kick.txt"}) {
        writeFile(pack + "/kick.wav", "x");
        fs::rename(pack + "/kick.wav", pack + "/" + target);
        const std::string move = "moved " + pack + "/kick.wav -> " + pack + "/" + target;
        EXPECT_TRUE(recorder.waitFor(move)) << target;
        EXPECT_EQ(recorder.countOf(move), 1) << target;
        EXPECT_EQ(recorder.countOf("removed " + pack + "/kick.wav"), 0) << target;
    }
}

TEST_F(LiveReloadTest, AfterSwitchingPacksTheOldPackIsSilent) {
    const std::string other = samples + "/other";
    fs::create_directory(other);
    lib->watchPack(other);
    writeFile(pack + "/late.wav", "x");
    writeFile(other + "/marker.wav", "x");
    ASSERT_TRUE(recorder.waitFor("changed " + other + "/marker.wav"));
    for (const auto& call : recorder.calls()) {
        EXPECT_EQ(call.find("late.wav"), std::string::npos) << call;
    }
}

TEST_F(LiveReloadTest, SwitchingPacksNeverWaitsForAReadAndDropsWhatItRead) {
    std::mutex mutex;
    std::condition_variable changed;
    bool reading = false;
    bool released = false;
    lib->setHandlers(onChange([&](const std::string& path, bool lastTry) {
        std::unique_lock lock(mutex);
        reading = true;
        changed.notify_all();
        changed.wait(lock, [&] { return released; });
        return recorder.handlers().onSampleChanged(path, lastTry);
    }));
    writeFile(pack + "/slow.wav", "x");
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(5), [&] { return reading; }));
    }
    const std::string other = samples + "/other";
    fs::create_directory(other);
    auto switched = std::async(std::launch::async, [&] { lib->watchPack(other); });
    EXPECT_EQ(switched.wait_for(std::chrono::seconds(2)), std::future_status::ready) << "the switch waited for the read";
    {
        std::lock_guard lock(mutex);
        released = true;
    }
    changed.notify_all();
    switched.get();
    lib->setHandlers(recorder.handlers());
    writeFile(other + "/marker.wav", "x");
    ASSERT_TRUE(recorder.waitFor("changed " + other + "/marker.wav"));
    EXPECT_EQ(recorder.countOf("changed " + pack + "/slow.wav"), 0) << "read from the old pack, yet put in place";
}

TEST_F(LiveReloadTest, AnUnreadableFileIsTriedOnceMoreWithoutHoldingBackTheOthers) {
    std::mutex mutex;
    std::map<std::string, std::string> tries;  // path -> one letter per try: f(irst), l(ast)
    lib->setHandlers(onChange([&](const std::string& path, bool lastTry) {
        {
            std::lock_guard lock(mutex);
            tries[path] += lastTry ? "l" : "f";
        }
        return path.ends_with("good.wav") ? recorder.handlers().onSampleChanged(path, lastTry) : SampleUpdate();
    }));
    for (int i = 0; i < 100; ++i) writeFile(pack + "/broken" + std::to_string(i) + ".wav", "x");
    writeFile(pack + "/good.wav", "x");
    ASSERT_TRUE(recorder.waitFor("changed " + pack + "/good.wav"));
    ASSERT_TRUE(eventually([&] {
        std::lock_guard lock(mutex);
        return std::count_if(tries.begin(), tries.end(), [](const auto& t) { return t.second == "fl"; }) == 100;
    }));
    std::lock_guard lock(mutex);
    EXPECT_EQ(tries[pack + "/good.wav"], "f");
}

// --- The pack list ----------------------------------------------------------------------------

TEST_F(LiveReloadTest, PackFoldersThatComeGoOrAreRenamedShowInTheListByThemselves) {
    fs::create_directory(samples + "/fresh");
    EXPECT_TRUE(eventually([&] { return listsPack(*lib, L"fresh"); }));
    fs::rename(samples + "/fresh", samples + "/renamed");
    EXPECT_TRUE(eventually([&] { return listsPack(*lib, L"renamed") && !listsPack(*lib, L"fresh"); }));
    fs::remove(samples + "/renamed");
    EXPECT_TRUE(eventually([&] { return !listsPack(*lib, L"renamed"); }));
}

// --- Sharing between threads (run under ThreadSanitizer too) ----------------------------------

TEST_F(LiveReloadTest, PackListAndHandlersMayBeUsedWhileFilesChange) {
    std::atomic<bool> done{false};
    std::thread user([&] {
        for (int i = 0; i < 40; ++i) {
            fs::create_directory(samples + "/p" + std::to_string(i));
            writeFile(pack + "/s" + std::to_string(i) + ".wav", "x");
        }
        done = true;
    });
    HandlerRecorder second;
    std::size_t reads = 0;
    for (int round = 0; round == 0 || !done; ++round) {  // at least once, however the threads are scheduled
        reads += lib->packNames()->size();
        lib->setHandlers(round % 2 ? recorder.handlers() : second.handlers());
    }
    user.join();
    lib->setHandlers(recorder.handlers());
    EXPECT_TRUE(eventually([&] { return lib->packNames()->size() == 41; }));
    writeFile(pack + "/last.wav", "x");
    EXPECT_TRUE(recorder.waitFor("changed " + pack + "/last.wav"));
    EXPECT_GT(reads, 0u);
}

TEST(LiveReloadLifetime, LibraryCanGoWhileFilesKeepChanging) {
    TempFolder base;
    const std::string pack = base / "default";
    fs::create_directory(pack);
    HandlerRecorder recorder;
    std::atomic<bool> stop{false};
    std::thread user([&] {
        for (int i = 0; !stop; ++i) {
            writeFile(pack + "/s" + std::to_string(i % 10) + ".wav", "x");
        }
    });
    for (int i = 0; i < 5; ++i) {
        UserLib lib(base.path());
        lib.watchPack(pack);
        lib.setHandlers(recorder.handlers());
        recorder.waitFor("changed " + pack + "/s0.wav");
    }
    stop = true;
    user.join();
    EXPECT_GT(recorder.calls().size(), 0u);
}

// --- The listeners on their own ---------------------------------------------------------------

TEST(SampleUpdateListener, SendsEachActionToItsHandlerAndComplainsAboutOthers) {
    TempFolder base;
    UserLib lib(base / "none");
    HandlerRecorder recorder;
    lib.setHandlers(recorder.handlers());
    SampleUpdateListener listener(lib);
    const WatchId id = lib.sampleWatchId();

    listener.handleFileAction(id, "/p/", "a.wav", FileAction::Add, "");
    listener.handleFileAction(id, "/p/", "b.wav", FileAction::Delete, "");
    listener.handleFileAction(id, "/p/", "c.wav", FileAction::Modified, "");
    listener.handleFileAction(id, "/p/", "new.wav", FileAction::Moved, "old.wav");
    listener.handleFileAction(id + 1, "/p/", "other.wav", FileAction::Add, "");  // not the pack's watch
    ::testing::internal::CaptureStdout();
    listener.handleFileAction(id, "/p/", "d.wav", static_cast<FileAction>(7), "");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Should never happen!\n");

    ASSERT_TRUE(eventually([&] { return recorder.calls().size() >= 4; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    auto calls = recorder.calls();
    std::sort(calls.begin(), calls.end());
    EXPECT_EQ(calls, (std::vector<std::string>{
                         "changed /p/a.wav",
                         "changed /p/c.wav",
                         "moved /p/old.wav -> /p/new.wav",
                         "removed /p/b.wav",
                     }));
}

TEST(SamplePackUpdateListener, AnyActionRescansThePacks) {
    TempFolder base;
    const std::string samples = base / "samples";
    UserLib lib(samples);  // not there yet: unwatched, so only the listener can rescan
    fs::create_directories(samples + "/quiet");
    SamplePackUpdateListener listener(lib);
    listener.handleFileAction(1, samples + "/", "quiet", static_cast<FileAction>(42), "");
    EXPECT_EQ(*lib.packNames(), (UserLib::PackList{L"quiet"}));
}

}  // namespace
}  // namespace zaffo
