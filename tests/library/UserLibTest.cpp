#include "library/PackFolders.h"
#include "library/PackReadme.h"
#include "library/UserLib.h"

#include "tests/library/Recorder.h"

#include <filesystem>
#include <fstream>
#include <future>

namespace zaffo::testing {
namespace {

// Packs sorted by character value, shown even when not UTF-8; samples are the lower-case wav and mp3 files directly in
// the pack that are not recordings.
TEST(UserLib, ListsPacksCompositionsAndTheSamplesOfThePackItWatches) {
    TempFolder base;
    act(base.path(),
        "mkdir samples/alpha; mkdir samples/Zeta; mkdir samples/caf\xC3\xA9; mkdir samples/bad\xFF; write "
        "samples/loose.wav; write samples/inside.json; write song.json; write Beat.json; write notes.txt; write "
        "odd\xFE.json");
    const std::string p = base / "samples/default";
    act(p,
        "mkdir sub; write sub/deep.wav; write kick.wav; write kick.mp3; write Snare.WAV; write hat.mp3; write "
        "notes.txt; write kick; write recording_2024.wav; write my_recording_.wav");
    UserLib lib(base / "samples");
    EXPECT_EQ(*lib.packNames(), (UserLib::PackList{L"Zeta", L"alpha", L"bad\uFFFD", L"caf\u00E9", L"default"}));
    EXPECT_EQ(listCompositionNames(base.path()), (std::vector<std::wstring>{L"Beat", L"odd\uFFFD", L"song"}));
    lib.watchPack(base / "missing");
    EXPECT_TRUE(lib.samplePaths().empty());
    lib.watchPack(p);
    EXPECT_EQ(lib.samplePaths(),
              (std::vector<std::string>{p + "/hat.mp3", p + "/kick.mp3", p + "/kick.wav", p + "/my_recording_.wav"}));

    UserLib none(base / "nowhere");
    EXPECT_TRUE(none.packNames()->empty());
}

// Up to 64 KiB: here line ends of both kinds, a last line without one and bytes that are not UTF-8. A plain paragraph,
// and a readme that is missing or no regular file, are checked with the packs in use.
TEST(PackReadme, ShowsTheFirstParagraph) {
    std::string megabyte;
    for (int i = 0; i < (1 << 19); ++i) megabyte += "x\n";
    const std::pair<std::string, std::vector<std::wstring>> cases[] = {
        {"one\r\nbad \xC3\r\n\r\nhidden\r\n", {L"one", L"bad \uFFFD"}},
        {"only\nlines", {L"only", L"lines"}},
        {megabyte, std::vector<std::wstring>(32768, L"x")},
    };
    for (const auto& [text, shown] : cases) {
        TempFolder p;
        writeFile(p / "readme.txt", text);
        EXPECT_EQ(readPackReadme(p.path()), shown) << text.substr(0, 20);
    }
}

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
        lib->setHandlers({std::move(read), {}, {}});
    }
    SampleUpdate changed(const std::string& path) { return recorder.handlers().onSampleChanged(path, true); }

    TempFolder base;
    const std::string samples = base / "samples", pack = samples + "/default";
    Recorder recorder{pack};  // outlives lib: its handlers may run until lib is gone
    std::unique_ptr<UserLib> lib;
};

// The old and the new path together, once, also for a file renamed right after it was written; a file moved in is
// never closed here: it is taken in once it has settled.
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

// The read of the old pack is held until the switch is over; neither it nor later changes of the old pack take effect.
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

// One that cannot be read is tried once more, without holding back the others.
TEST_F(LiveReloadTest, FilesAreTakenInWhenFinishedAndAnUnreadableOneIsTriedOnceMore) {
    onChange([&](const std::string& path, bool lastTry) {
        const std::string name = path.substr(pack.size() + 1);
        if (!name.starts_with("broken")) return changed(path + " " + std::to_string(std::filesystem::file_size(path)));
        recorder.note((lastTry ? "last try " : "first try ") + name);
        return SampleUpdate();
    });
    {
        std::ofstream file(pack + "/snare.wav", std::ios::binary);
        file << "half" << std::flush;
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        file << "done";
    }
    std::vector<std::string> expected{"changed snare.wav 8", "changed good.wav 1"};
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

TEST_F(LiveReloadTest, AFileWrittenAgainAndAgainIsTakenInWhileTheWritingGoesOn) {
    auto taken = [&] { return std::ranges::count(recorder.lines(), "changed busy.wav") > 0; };
    for (int i = 0; i < 200 && !taken(); ++i) {  // four seconds of writing at most
        act(pack, "write busy.wav");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(taken());
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
    for (int round = 0; round == 0 || !done; ++round) {  // at least once, however the threads are scheduled
        lib->packNames();
        lib->setHandlers(round % 2 ? recorder.handlers() : second.handlers());
    }
    user.join();
    lib->setHandlers(recorder.handlers());
    EXPECT_TRUE(act(pack, "write last.wav => changed last.wav", &recorder));

    // Pack folders that come, go or are renamed show in the list by themselves.
    auto has = [&](const wchar_t* name) { return std::ranges::count(*lib->packNames(), name) > 0; };
    EXPECT_TRUE(waitUntil([&] { return lib->packNames()->size() == 42; }));
    act(samples, "mv p1 renamed; rm p2; mkdir fresh");
    EXPECT_TRUE(waitUntil([&] { return has(L"renamed") && has(L"fresh") && !has(L"p1") && !has(L"p2"); }));
    EXPECT_EQ(lib->packNames()->size(), 42u);
}

}  // namespace
}  // namespace zaffo::testing
