// Playing in time with another Link peer in the same process. Link sends multicast, so this
// program runs only inside a network namespace of its own (scripts/in-own-network) and refuses
// to run where any interface other than loopback exists.

#include "CoreFixture.h"

#include "core/LinkSession.h"
#include "tests/support/CountingAllocator.h"
#include "tests/support/JackProbe.h"
#include "tests/support/JackServer.h"

#include <net/if.h>
#include <ableton/Link.hpp>

#include <cmath>
#include <thread>

namespace zaffo::testing {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

constexpr int32_t sampleRate = 96000;
constexpr int32_t periodFrames = 1024;

bool onlyLoopback() {
    struct if_nameindex* interfaces = if_nameindex();
    bool only = interfaces != nullptr;
    for (auto* i = interfaces; only && i->if_name; ++i) only = std::string(i->if_name) == "lo";
    if (interfaces) if_freenameindex(interfaces);
    return only;
}

double micros(double frames) { return frames * 1e6 / sampleRate; }
bool never() { return false; }

// The sequencer with one instrument on every step, driven through a Link session: the heard
// time of every step's onset on Link's clock; and a peer.
class LinkTest : public CoreTest {
protected:
    LinkTest() {
        sequencer.sampleExists = [](const std::string&) { return true; };
        sequencer.getOrCreatePattern("kick")->steps.fill({true, 0});
    }
    // Periods in real time until `done` holds or `limit` has passed; how long it took.
    milliseconds playUntil(const std::function<bool()>& done, milliseconds limit = milliseconds(3000)) {
        const auto start = std::chrono::steady_clock::now();
        while (!done() && std::chrono::steady_clock::now() - start < limit) {
            report.clear();
            link.tickHeardAt(periodFrames, sampleRate, LinkSession::clockNow(), report);
            std::this_thread::sleep_for(microseconds(static_cast<int64_t>(micros(periodFrames))));
        }
        return std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start);
    }

    void SetUp() override {
        ASSERT_TRUE(onlyLoopback()) << "run this program through scripts/in-own-network";
        peer.enableStartStopSync(true);
    }
    void joinPeer() {
        peer.enable(true);
        link.enable(true);
        playUntil([&] { return peer.numPeers() == 1 && link.peerCount() == 1; });
        ASSERT_EQ(peer.numPeers(), 1u);
        // Link shows a side its own latest change for a second; then both see one session.
        playUntil(never, milliseconds(1500));
    }
    void setPeer(double tempo, bool playing) {
        auto state = peer.captureAppSessionState();
        const auto now = peer.clock().micros();
        if (tempo > 0) state.setTempo(tempo, now);
        state.setIsPlaying(playing, now);
        peer.commitAppSessionState(state);
    }
    double peerTempo() { return peer.captureAppSessionState().tempo(); }
    bool peerPlaying() { return peer.captureAppSessionState().isPlaying(); }

    ableton::Link peer{120};
    Sequencer sequencer;
    LinkSession link{sequencer};
    PeriodReport report;
};

TEST_F(LinkTest, TempoAndPlayGoBothWaysAndAPeersChangeEndsARamp) {
    joinPeer();
    // Each change, and what shows that the other side saw it within a second. The network
    // carries a beat's length in whole microseconds.
    const std::pair<std::function<void()>, std::function<bool()>> changes[] = {
        {[&] { setPeer(133, true); }, [&] { return sequencer.bpm.load() == 133; }},
        {[&] { sequencer.animateBpm(90, 0); }, [&] { return std::abs(peerTempo() - 90) < 1e-3; }},
        {[&] { setPeer(0, false); }, [&] { return !sequencer.playing.load(); }},
        {[&] { sequencer.playing = true; }, [&] { return peerPlaying(); }},
        {[&] { sequencer.playing = false; }, [&] { return !peerPlaying(); }},
        {[&] { setPeer(0, true); }, [&] { return sequencer.playing.load(); }},
    };
    for (const auto& [change, seen] : changes) {
        change();
        EXPECT_LT(playUntil(seen), milliseconds(1000));
        EXPECT_TRUE(seen());
    }

    // "bpm 160 5": the session moves along with the sequencer's tempo.
    sequencer.animateBpm(160, 5);
    playUntil(never, milliseconds(2000));
    const int32_t ramped = sequencer.bpm.load();
    EXPECT_GT(ramped, 95);
    EXPECT_LT(ramped, 155);
    playUntil([&] { return std::abs(peerTempo() - sequencer.bpm.load()) <= 1; });
    EXPECT_NEAR(peerTempo(), sequencer.bpm.load(), 1);

    // Link keeps the latest change: a step of the ramp made after the peer's change but before the news of it arrived
    // would override it. The periods wait for the news here, as an audio callback that happens to come late; one made
    // before, but handled by Link after it, may still override it, and then the peer's tempo is given back.
    setPeer(100, true);
    std::this_thread::sleep_for(milliseconds(200));
    playUntil([&] { return sequencer.bpm.load() == 100; });
    playUntil(never, milliseconds(2000));
    EXPECT_EQ(sequencer.bpm.load(), 100) << "the ramp ended";
    EXPECT_NEAR(peerTempo(), 100, 1e-3);
}

// Whole periods of the core with Link on and a peer in the session (the clock follows Link's timeline, tempo and play
// change on this side, triggers start voices that are mixed) neither allocate nor free memory. With Link off the core's
// allocation test makes the same check.
TEST_F(LinkTest, WholePeriodsOfTheCoreWithLinkOnAllocateAndFreeNothing) {
    start();
    for (const char* line : {"kick #5#-2 &1", "snare 0.5 #", "hh #-#12", "link on"}) ASSERT_TRUE(run(line).ok) << line;
    peer.enable(true);
    std::vector<float> period(2 * periodFrames);
    const auto periods = [&](int count) {
        for (int n = 1; n <= count; ++n) {
            if (n % 100 == 0) core->sequencer().bpm = 100 + n / 10;
            if (n % 250 == 0) core->sequencer().playing = n % 500 == 0;
            core->engine().renderPeriod(period.data(), periodFrames);
        }
    };
    ASSERT_TRUE(waitUntil([&] {
        periods(1);
        return core->link().peerCount() == 1;
    }));
    periods(10);  // the first use of anything made lazily
    const long allocated = allocationCount(), freed = freeCount();
    periods(2000);
    EXPECT_EQ(std::pair(allocationCount() - allocated, freeCount() - freed), std::pair(0L, 0L));
}

// Played through a JACK server at the engine's rate and at another: each step 0, as the server's playback side plays
// it (the frame's time on JACK's clock, as the probe saw it pass, plus the playback port's latency), falls on one of
// the peer's bar lines. Zaffo counts its limiter's look-ahead, the conversion and the server's latency in its own. The
// peer's tempo is no whole number, which the sequencer's own tempo is.
TEST_F(LinkTest, StepZeroPlayedThroughJackFallsOnThePeersBarLines) {
    ASSERT_TRUE(test::writeSoundFile(pack("default") + "/tone.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, sampleRate, 1,
                                     4800, [](auto, int) { return 0.5f; }));
    setPeer(97.3, true);
    peer.enable(true);
    for (const int rate : {96000, 48000}) {
        SCOPED_TRACE(rate);
        test::JackServer server(rate, 256);
        ASSERT_TRUE(server.ready());
        start();
        ASSERT_TRUE(core->startSound());
        for (const char* line : {"tone #-------", "link on"}) ASSERT_TRUE(run(line).ok) << line;
        ASSERT_TRUE(waitUntil([&] { return core->link().peerCount() == 1; }));
        // Link holds each side's own latest change for a second, and the joining side's measure lines up with the
        // session's only at its next bar line.
        std::this_thread::sleep_for(milliseconds(4000));
        test::JackProbe probe(static_cast<std::uint32_t>(rate * 9));
        ASSERT_TRUE(probe.ok() && probe.listen("zaffo:out_l", "zaffo:midi_out"));
        ASSERT_TRUE(waitUntil([&] { return probe.full(); }, milliseconds(15000)));

        // Link's clock less JACK's, read between two readings of JACK's that lie closest together.
        double linkLessJack = 0, closest = 1e9;
        for (int i = 0; i < 100; ++i) {
            const jack_time_t before = jack_get_time();
            const auto link = peer.clock().micros();
            const jack_time_t after = jack_get_time();
            if (double(after - before) >= closest) continue;
            closest = double(after - before);
            linkLessJack = double(link.count()) - (double(before) + double(after)) / 2;
        }
        const double playback = probe.latency("system:playback_1") * 1e6 / rate;
        const auto state = peer.captureAppSessionState();
        double worst = 0;
        std::string phases;
        std::vector<std::int64_t> onsets = probe.onsets();
        // The probe joining the graph may make the server late once; its clock takes a second to settle again.
        std::erase_if(onsets, [&](std::int64_t onset) { return onset < rate; });
        for (const std::int64_t onset : onsets) {
            const double heard = probe.microsAt(onset) + playback + linkLessJack;
            const double phase = state.phaseAtTime(microseconds(std::llround(heard)), 4);
            worst = std::max(worst, std::min(phase, 4 - phase) * 60e3 / state.tempo());
            phases += " " + std::to_string(onset) + ":" + std::to_string(phase);
        }
        EXPECT_GE(onsets.size(), 3u);
        EXPECT_LT(worst, 1.0) << "milliseconds; frame:phase" << phases;
        commands.reset(), core.reset();
    }
}

TEST_F(LinkTest, TheCommandsTurnLinkOnAndOffAndSayHowItStands) {
    start();
    peer.enable(true);
    EXPECT_EQ(run("link").text(), "Link is off");
    EXPECT_EQ(run("link on").text(), "Link is on: 0 peers");
    EXPECT_TRUE(waitUntil([&] { return run("link").text() == "Link is on: 1 peer"; }));
    EXPECT_EQ(run("link on").text(), "Link is on: 1 peer") << "on again changes nothing";
    EXPECT_TRUE(waitUntil([&] { return peer.numPeers() == 1; }));
    EXPECT_EQ(run("link off").text(), "Link is off");
    // The peer hears the goodbye at once, not only when this side's announcements time out.
    EXPECT_TRUE(waitUntil([&] { return peer.numPeers() == 0; }, milliseconds(1000)));
}

}  // namespace
}  // namespace zaffo::testing
