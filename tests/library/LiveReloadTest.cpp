#include "library/UserLib.h"

#include "tests/library/Recorder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <thread>

namespace zaffo {
namespace {

using test::waitUntil;
using testing::act;
using testing::Recorder;
using testing::TempFolder;
using testing::writeFile;
namespace fs = std::filesystem;

// Handlers that only read changed files, with `read`.
SampleHandlers onChange(std::function<SampleUpdate(const std::string& path, bool lastTry)> read) {
    SampleHandlers handlers;
    handlers.onSampleChanged = std::move(read);
    return handlers;
}

class LiveReloadTest : public ::testing::Test {
protected:
    LiveReloadTest() {
        fs::create_directories(pack);
        act(pack, "write kick.wav");
        lib = std::make_unique<UserLib>(samples);
        lib->watchPack(pack);
        lib->setHandlers(recorder.handlers());
    }

    TempFolder base;
    const std::string samples = base / "samples";
    const std::string pack = samples + "/default";
    Recorder recorder{pack};  // outlives lib: its handlers may run until lib is gone
    std::unique_ptr<UserLib> lib;
};

TEST_F(LiveReloadTest, AFileWrittenInStepsIsTakenInOnceWhenFinished) {
    lib->setHandlers(onChange([&](const std::string& path, bool) {
        return recorder.handlers().onSampleChanged(path + " " + std::to_string(fs::file_size(path)), true);
    }));
    {
        std::ofstream file(pack + "/snare.wav", std::ios::binary);
        file << "half" << std::flush;
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        file << "done";
    }
    act(pack, "write marker.wav");
    ASSERT_TRUE(recorder.waitFor("changed marker.wav 1"));
    EXPECT_EQ(recorder.lines(), (std::vector<std::string>{"changed snare.wav 8", "changed marker.wav 1"}));
}

// What the handler makes of kick0, boom or kick.txt is its owner's business; it gets the old and
// the new path together, once, also for a file renamed right after it was written.
TEST_F(LiveReloadTest, RenamesRemovalsAndFilesMovedInReachTheHandlersOnce) {
    const std::pair<const char*, const char*> steps[] = {
        {"write ../../outside.wav", ""},
        {"write new.wav", ""},
        {"mv new.wav kick0.wav", "moved new.wav -> kick0.wav"},
        {"mv kick.wav boom.wav", "moved kick.wav -> boom.wav"},
        {"mv boom.wav kick.txt", "moved boom.wav -> kick.txt"},
        {"rm kick.txt", "removed kick.txt"},
        {"mv ../../outside.wav in.wav", "changed in.wav"},  // never closed here: taken in once it settles
    };
    std::vector<std::string> awaited;
    for (const auto& [op, line] : steps) {
        act(pack, op);
        if (!*line) continue;
        awaited.push_back(line);
        ASSERT_TRUE(recorder.waitFor(line)) << op;
    }
    EXPECT_EQ(recorder.lines(), awaited);
}

// The read of the old pack is held until the switch is over; neither it nor later changes of the
// old pack are put in place.
TEST_F(LiveReloadTest, SwitchingPacksNeverWaitsForAReadAndSilencesTheOldPack) {
    std::atomic<bool> reading{false}, released{false};
    lib->setHandlers(onChange([&](const std::string& path, bool lastTry) {
        reading = true;
        waitUntil([&] { return released.load(); });
        return recorder.handlers().onSampleChanged(path, lastTry);
    }));
    act(pack, "write slow.wav");
    ASSERT_TRUE(waitUntil([&] { return reading.load(); }));
    const std::string other = samples + "/other";
    fs::create_directory(other);
    auto switched = std::async(std::launch::async, [&] { lib->watchPack(other); });
    EXPECT_EQ(switched.wait_for(std::chrono::seconds(2)), std::future_status::ready)
        << "the switch waited for the read";
    released = true;
    switched.get();
    lib->setHandlers(recorder.handlers());
    act(pack, "write late.wav");
    act(other, "write marker.wav");
    ASSERT_TRUE(recorder.waitFor("changed " + other + "/marker.wav"));
    EXPECT_EQ(recorder.lines(), std::vector<std::string>{"changed " + other + "/marker.wav"});
}

TEST_F(LiveReloadTest, AnUnreadableFileIsTriedOnceMoreWithoutHoldingBackTheOthers) {
    lib->setHandlers(onChange([&](const std::string& path, bool lastTry) {
        if (path.ends_with("good.wav")) return recorder.handlers().onSampleChanged(path, lastTry);
        recorder.note((lastTry ? "last try " : "first try ") + path.substr(pack.size() + 1));
        return SampleUpdate();
    }));
    for (int i = 0; i < 100; ++i) act(pack, "write broken" + std::to_string(i) + ".wav");
    act(pack, "write good.wav");
    std::vector<std::string> expected{"changed good.wav"};
    for (int i = 0; i < 100; ++i)
        for (const char* attempt : {"first try ", "last try "})
            expected.push_back(attempt + ("broken" + std::to_string(i)) + ".wav");
    ASSERT_TRUE(waitUntil([&] { return recorder.lines().size() >= expected.size(); }));
    auto lines = recorder.lines();
    std::sort(lines.begin(), lines.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected);
}

TEST_F(LiveReloadTest, PackFoldersThatComeGoOrAreRenamedShowInTheListByThemselves) {
    auto lists = [&](const std::wstring& name) {
        auto packs = lib->packNames();
        return std::find(packs->begin(), packs->end(), name) != packs->end();
    };
    act(samples, "mkdir fresh");
    EXPECT_TRUE(waitUntil([&] { return lists(L"fresh"); }));
    act(samples, "mv fresh renamed");
    EXPECT_TRUE(waitUntil([&] { return lists(L"renamed") && !lists(L"fresh"); }));
    act(samples, "rm renamed");
    EXPECT_TRUE(waitUntil([&] { return !lists(L"renamed"); }));
}

// Run under ThreadSanitizer too.
TEST_F(LiveReloadTest, PackListAndHandlersMayBeUsedWhileFilesChange) {
    std::atomic<bool> done{false};
    std::thread user([&] {
        for (int i = 0; i < 40; ++i) {
            act(samples, "mkdir p" + std::to_string(i));
            act(pack, "write s" + std::to_string(i) + ".wav");
        }
        done = true;
    });
    Recorder second;
    std::size_t reads = 0;
    for (int round = 0; round == 0 || !done; ++round) {  // at least once, however the threads are scheduled
        reads += lib->packNames()->size();
        lib->setHandlers(round % 2 ? recorder.handlers() : second.handlers());
    }
    user.join();
    lib->setHandlers(recorder.handlers());
    EXPECT_TRUE(waitUntil([&] { return lib->packNames()->size() == 41; }));
    act(pack, "write last.wav");
    EXPECT_TRUE(recorder.waitFor("changed last.wav"));
    EXPECT_GT(reads, 0u);
}

TEST(LiveReloadLifetime, LibraryCanGoWhileFilesKeepChanging) {
    TempFolder base;
    const std::string pack = base / "default";
    fs::create_directory(pack);
    Recorder recorder(pack);
    std::atomic<bool> stop{false};
    std::thread user([&] {
        for (int i = 0; !stop; ++i) act(pack, "write s" + std::to_string(i % 10) + ".wav");
    });
    for (int i = 0; i < 5; ++i) {
        UserLib lib(base.path());
        lib.watchPack(pack);
        lib.setHandlers(recorder.handlers());
        recorder.waitFor("changed s0.wav");
    }
    stop = true;
    user.join();
    EXPECT_GT(recorder.lines().size(), 0u);
}

}  // namespace
}  // namespace zaffo
