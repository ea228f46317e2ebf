#include "library/UserLib.h"

#include "tests/library/Recorder.h"

#include <fstream>
#include <future>

namespace zaffo::testing {
namespace {

class LiveReloadTest : public ::testing::Test {
protected:
    LiveReloadTest() {
        act(base.path(), "mkdir samples/default; mkdir samples/other; write samples/default/kick.wav");
        lib = std::make_unique<UserLib>(samples);
        lib->watchPack(pack);
        lib->setHandlers(recorder.handlers());
    }
    // Only changed files are read, by `read`.
    void onChange(std::function<SampleUpdate(const std::string& path, bool lastTry)> read) {
        SampleHandlers handlers;
        handlers.onSampleChanged = std::move(read);
        lib->setHandlers(handlers);
    }
    SampleUpdate changed(const std::string& path) { return recorder.handlers().onSampleChanged(path, true); }

    TempFolder base;
    const std::string samples = base / "samples", pack = samples + "/default";
    Recorder recorder{pack};  // outlives lib: its handlers may run until lib is gone
    std::unique_ptr<UserLib> lib;
};

TEST_F(LiveReloadTest, AFileWrittenInStepsIsTakenInOnceWhenFinished) {
    onChange([&](const std::string& path, bool) {
        return changed(path + " " + std::to_string(std::filesystem::file_size(path)));
    });
    {
        std::ofstream file(pack + "/snare.wav", std::ios::binary);
        file << "half" << std::flush;
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        file << "done";
    }
    ASSERT_TRUE(act(pack, "write marker.wav => changed marker.wav 1", &recorder));
    EXPECT_EQ(recorder.joined(), "changed snare.wav 8; changed marker.wav 1");
}

// What the handler makes of kick0, boom or kick.txt is its owner's business; it gets the old and
// the new path together, once, also for a file renamed right after it was written. A file moved
// in is never closed here: it is taken in once it has settled.
TEST_F(LiveReloadTest, RenamesRemovalsAndFilesMovedInReachTheHandlersOnce) {
    ASSERT_TRUE(act(pack,
                    "write ../../outside.wav; write new.wav; mv new.wav kick0.wav => moved new.wav -> kick0.wav; "
                    "mv kick.wav boom.wav => moved kick.wav -> boom.wav; mv boom.wav kick.txt => moved boom.wav -> "
                    "kick.txt; rm kick.txt => removed kick.txt; mv ../../outside.wav in.wav => changed in.wav",
                    &recorder));
    EXPECT_EQ(recorder.joined(),
              "moved new.wav -> kick0.wav; moved kick.wav -> boom.wav; moved boom.wav -> kick.txt; removed kick.txt; "
              "changed in.wav");
}

// The read of the old pack is held until the switch is over; neither it nor later changes of the
// old pack are put in place.
TEST_F(LiveReloadTest, SwitchingPacksNeverWaitsForAReadAndSilencesTheOldPack) {
    std::atomic<bool> reading{false}, released{false};
    onChange([&](const std::string& path, bool) {
        reading = true;
        waitUntil([&] { return released.load(); });
        return changed(path);
    });
    act(pack, "write slow.wav");
    ASSERT_TRUE(waitUntil([&] { return reading.load(); }));
    auto switched = std::async(std::launch::async, [&] { lib->watchPack(samples + "/other"); });
    EXPECT_EQ(switched.wait_for(std::chrono::seconds(2)), std::future_status::ready) << "it waited for the read";
    released = true;
    switched.get();
    lib->setHandlers(recorder.handlers());
    const std::string marker = samples + "/other/marker.wav";
    ASSERT_TRUE(act(pack, "write late.wav; write ../other/marker.wav => changed " + marker, &recorder));
    EXPECT_EQ(recorder.joined(), "changed " + marker);
}

TEST_F(LiveReloadTest, AnUnreadableFileIsTriedOnceMoreWithoutHoldingBackTheOthers) {
    onChange([&](const std::string& path, bool lastTry) {
        if (path.ends_with("good.wav")) return changed(path);
        recorder.note((lastTry ? "last try " : "first try ") + path.substr(pack.size() + 1));
        return SampleUpdate();
    });
    std::vector<std::string> expected{"changed good.wav"};
    for (int i = 0; i < 100; ++i) {
        const std::string name = "broken" + std::to_string(i) + ".wav";
        act(pack, "write " + name);
        expected.insert(expected.end(), {"first try " + name, "last try " + name});
    }
    act(pack, "write good.wav");
    ASSERT_TRUE(waitUntil([&] { return recorder.lines().size() >= expected.size(); }));
    auto lines = recorder.lines();
    std::ranges::sort(lines);
    std::ranges::sort(expected);
    EXPECT_EQ(lines, expected);
}

// Run under ThreadSanitizer too.
TEST_F(LiveReloadTest, PackListAndHandlersMayBeUsedWhileFilesChange) {
    std::atomic<bool> done{false};
    std::thread user([&] {
        for (int i = 0; i < 40; ++i)
            act(samples, "mkdir p" + std::to_string(i) + "; write default/s" + std::to_string(i));
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
    EXPECT_TRUE(act(pack, "write last.wav => changed last.wav", &recorder));
    EXPECT_GT(reads, 0u);

    // Pack folders that come, go or are renamed show in the list by themselves.
    auto has = [&](const wchar_t* name) { return std::ranges::count(*lib->packNames(), name) > 0; };
    EXPECT_TRUE(waitUntil([&] { return lib->packNames()->size() == 42; }));
    act(samples, "mv p1 renamed; rm p2; mkdir fresh");
    EXPECT_TRUE(waitUntil([&] { return has(L"renamed") && has(L"fresh") && !has(L"p1") && !has(L"p2"); }));
    EXPECT_EQ(lib->packNames()->size(), 42u);
}

TEST_F(LiveReloadTest, ALibraryCanGoWhileFilesKeepChanging) {
    std::atomic<bool> stop{false};
    std::thread user([&] {
        for (int i = 0; !stop; ++i) act(pack, "write s" + std::to_string(i % 10));
    });
    for (int i = 0; i < 5; ++i) {
        UserLib other(samples);
        other.watchPack(pack);
        other.setHandlers(recorder.handlers());
        recorder.waitFor("changed s0");
    }
    stop = true;
    user.join();
    EXPECT_GT(recorder.lines().size(), 0u);
}

}  // namespace
}  // namespace zaffo::testing
