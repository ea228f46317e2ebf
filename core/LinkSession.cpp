// The one place that includes Link: its headers take long to compile.

#include "core/LinkSession.h"

#include "sequencer/Sequencer.h"

#include <ableton/Link.hpp>
#include <ableton/link/HostTimeFilter.hpp>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

namespace zaffo {
namespace {

using Clock = ableton::link::platform::Clock;
using SessionState = ableton::Link::SessionState;
using std::chrono::microseconds;

// One measure: four beats of two steps each.
constexpr double quantum = 4;
// After a local change Link shows this side its own state for a second, whatever peers do.
constexpr microseconds localChangeHold{1000000};
// Link keeps a session's tempo within this range.
constexpr double lowestTempo = 20;
constexpr double highestTempo = 999;

microseconds framesToMicros(double frames, int32_t sampleRate) {
    return microseconds(std::llround(frames * 1e6 / sampleRate));
}

}  // namespace

struct LinkSession::Session {
    // A tempo lately given to the session, to tell its echo from the changes of others.
    struct Push {
        double tempo = 0;
        bool beforeFollow = false;  // given before the latest tempo taken from a peer
    };

    explicit Session(double tempo) : link(std::clamp(tempo, lowestTempo, highestTempo)) {}

    // Audio thread. After enabling, what this side plays is given to the session.
    void restart();
    bool shareTempo(Sequencer& sequencer, SessionState& state, microseconds heardAt, PeriodReport& report);
    bool sharePlaying(Sequencer& sequencer, SessionState& state, microseconds heardAt, PeriodReport& report);
    bool anchorToClock(const Sequencer& sequencer, SessionState& state, microseconds heardAt, int32_t sampleRate);
    void announceTempo(double tempo);
    void follow(double tempo, microseconds heardAt);
    void remember(double tempo);
    const Push* findPush(double tempo) const;

    ableton::Link link;
    std::atomic<bool> enabled{false};
    std::atomic<bool> restartPending{false};

    // Written on Link's thread for every change of the session, this side's own included. The
    // latest tempos are kept in a ring, so that a peer's tempo followed at once by an echo of
    // this side's own is seen too.
    static constexpr uint32_t tempoSlots = 16;
    std::array<std::atomic<double>, tempoSlots> announcedTempos{};
    std::atomic<uint32_t> tempoAnnouncements{0};
    std::atomic<bool> announcedPlaying{false};
    std::atomic<uint32_t> playAnnouncements{0};

    // The audio thread's alone.
    ableton::link::HostTimeFilter<Clock> hostTime;
    double sampleTime = 0;
    bool deviceTimed = false;  // whether the latest period's time came from its device
    uint32_t tempoSeen = 0;
    uint32_t playSeen = 0;
    int32_t sharedBpm = INT32_MIN;  // the tempo last given to or taken from the session
    int sharedPlaying = -1;         // likewise the play state; -1 before the first
    std::array<Push, 8> pushes{};
    size_t nextPush = 0;
    double followed = 0;  // the latest tempo taken from a peer
    microseconds followedUntil{0};
};

void LinkSession::Session::restart() {
    tempoSeen = tempoAnnouncements.load(std::memory_order_acquire);
    playSeen = playAnnouncements.load(std::memory_order_acquire);
    sharedBpm = INT32_MIN;
    sharedPlaying = -1;
    pushes = {};
    followedUntil = microseconds(0);
}

void LinkSession::Session::remember(double tempo) {
    pushes[nextPush] = {std::clamp(tempo, lowestTempo, highestTempo), false};
    nextPush = (nextPush + 1) % pushes.size();
}

const LinkSession::Session::Push* LinkSession::Session::findPush(double tempo) const {
    for (size_t back = 1; back <= pushes.size(); ++back) {
        const Push& push = pushes[(nextPush + pushes.size() - back) % pushes.size()];
        if (push.tempo > 0 && std::abs(push.tempo - tempo) < 1e-6) {
            return &push;
        }
    }
    return nullptr;
}

void LinkSession::Session::announceTempo(double tempo) {
    const uint32_t count = tempoAnnouncements.load(std::memory_order_relaxed);
    announcedTempos[count % tempoSlots].store(tempo, std::memory_order_relaxed);
    tempoAnnouncements.store(count + 1, std::memory_order_release);
}

void LinkSession::Session::follow(double tempo, microseconds heardAt) {
    followed = tempo;
    followedUntil = heardAt + localChangeHold;
    for (Push& push : pushes) push.beforeFollow = true;
    sharedBpm = static_cast<int32_t>(std::lround(tempo));
}

// A tempo that the session announces and that this side did not give it is a peer's: it is
// taken over, and ends a running tempo change. Link keeps the latest change; when one of this
// side's own reached the session just after a peer's, it has overridden that, and the peer's
// tempo is given back.
bool LinkSession::Session::shareTempo(Sequencer& sequencer, SessionState& state, microseconds heardAt,
                                      PeriodReport& report) {
    bool followedNow = false;
    bool giveBack = false;
    const uint32_t announcements = tempoAnnouncements.load(std::memory_order_acquire);
    if (announcements - tempoSeen > tempoSlots) {
        tempoSeen = announcements - tempoSlots;
    }
    for (; tempoSeen != announcements; ++tempoSeen) {
        const double announced = announcedTempos[tempoSeen % tempoSlots].load(std::memory_order_relaxed);
        if (const Push* push = findPush(announced)) {
            giveBack = giveBack || (push->beforeFollow && heardAt < followedUntil);
        } else {
            follow(announced, heardAt);
            followedNow = true;
            giveBack = false;
        }
    }
    if (followedNow) {
        sequencer.followTempo(sharedBpm, report);
    }
    if (giveBack) {
        state.setTempo(followed, heardAt);
        remember(followed);
        return true;
    }
    const int32_t ours = sequencer.bpm.load();
    if (followedNow || ours == sharedBpm) {
        return false;
    }
    sharedBpm = ours;
    state.setTempo(std::clamp<double>(ours, lowestTempo, highestTempo), heardAt);
    remember(ours);
    return true;
}

bool LinkSession::Session::sharePlaying(Sequencer& sequencer, SessionState& state, microseconds heardAt,
                                        PeriodReport& report) {
    const uint32_t announcements = playAnnouncements.load(std::memory_order_acquire);
    if (announcements != playSeen) {
        playSeen = announcements;
        const bool announced = announcedPlaying.load();
        if (sharedPlaying >= 0 && int{announced} != sharedPlaying) {
            sharedPlaying = announced;
            sequencer.followPlaying(announced, report);
            return false;
        }
    }
    const bool ours = sequencer.playing.load();
    if (int{ours} == sharedPlaying) {
        return false;
    }
    sharedPlaying = ours;
    state.setIsPlaying(ours, heardAt);
    return true;
}

// Alone in the session, the session follows the clock: a player who joins finds its bar lines
// where this side's measures begin.
bool LinkSession::Session::anchorToClock(const Sequencer& sequencer, SessionState& state, microseconds heardAt,
                                         int32_t sampleRate) {
    const double ours = sequencer.measureBeat(sampleRate);
    const double drift = std::remainder(state.phaseAtTime(heardAt, quantum) - ours, quantum);
    if (std::abs(drift) < 1e-4) {
        return false;
    }
    state.requestBeatAtTime(ours, heardAt, quantum);
    return true;
}

LinkSession::LinkSession(Sequencer& sequencer) : sequencer(sequencer) {}

LinkSession::~LinkSession() {
    // Link's threads call back into this object until Link is gone.
    published.store(nullptr);
    session.reset();
}

void LinkSession::enable(bool on) {
    if (!session) {
        if (!on) {
            return;
        }
        session = std::make_unique<Session>(sequencer.bpm.load());
        Session* s = session.get();
        s->link.setNumPeersCallback([this](std::size_t) { peersChanged(); });
        s->link.setTempoCallback([s](double tempo) { s->announceTempo(tempo); });
        s->link.setStartStopCallback([s](bool playing) {
            s->announcedPlaying.store(playing);
            s->playAnnouncements.fetch_add(1, std::memory_order_release);
        });
        s->link.enableStartStopSync(true);
        published.store(s, std::memory_order_release);
    }
    if (on == session->enabled.load()) {
        return;
    }
    if (on) {
        session->restartPending.store(true);
    }
    session->enabled.store(on);
    session->link.enable(on);
}

bool LinkSession::isEnabled() const { return session && session->enabled.load(); }

std::size_t LinkSession::peerCount() const { return isEnabled() ? session->link.numPeers() : 0; }

std::string LinkSession::statusLine() const {
    if (!isEnabled()) {
        return "Link is off";
    }
    const std::size_t peers = peerCount();
    return "Link is on: " + std::to_string(peers) + (peers == 1 ? " peer" : " peers");
}

void LinkSession::setOnPeersChanged(std::function<void()> callback) {
    std::lock_guard lock(callbackMutex);
    onPeersChanged = std::move(callback);
}

void LinkSession::peersChanged() {
    std::lock_guard lock(callbackMutex);
    if (onPeersChanged) {
        onPeersChanged();
    }
}

void LinkSession::tick(int32_t frameCount, int32_t sampleRate, uint32_t latencyFrames,
                       std::optional<microseconds> periodTime, PeriodReport& report) {
    Session* s = published.load(std::memory_order_acquire);
    if (!s || !s->enabled.load() || frameCount <= 0 || sampleRate <= 0) {
        sequencer.tick(frameCount, sampleRate, report);
        return;
    }
    // A device that came or went with its own clock leaves the filter's line behind.
    if (s->restartPending.load() || s->deviceTimed != periodTime.has_value()) {
        s->hostTime.reset();
        s->sampleTime = 0;
        s->deviceTimed = periodTime.has_value();
    }
    microseconds startsAt{};
    if (periodTime) {
        startsAt = *periodTime + (s->link.clock().micros() - std::chrono::duration_cast<microseconds>(
                                                                 std::chrono::steady_clock::now().time_since_epoch()));
    } else {
        // The callback comes at uneven times; the filter lays a straight line through them.
        startsAt = s->hostTime.sampleTimeToHostTime(s->sampleTime);
        s->sampleTime += frameCount;
    }
    tickHeardAt(frameCount, sampleRate, startsAt + framesToMicros(latencyFrames, sampleRate), report);
}

void LinkSession::tickHeardAt(int32_t frameCount, int32_t sampleRate, microseconds heardAt, PeriodReport& report) {
    Session* s = published.load(std::memory_order_acquire);
    if (!s || !s->enabled.load() || frameCount <= 0 || sampleRate <= 0) {
        sequencer.tick(frameCount, sampleRate, report);
        return;
    }
    SessionState state = s->link.captureAudioSessionState();
    if (s->restartPending.exchange(false)) {
        s->restart();
    }
    bool changed = s->shareTempo(sequencer, state, heardAt, report);
    changed = s->sharePlaying(sequencer, state, heardAt, report) || changed;
    // Alone, the clock counts frames exactly as without Link.
    const bool alone = s->link.numPeers() == 0;
    if (alone && sequencer.playing.load()) {
        changed = s->anchorToClock(sequencer, state, heardAt, sampleRate) || changed;
    }
    if (changed) {
        s->link.commitAudioSessionState(state);
    }
    if (alone) {
        sequencer.tick(frameCount, sampleRate, report);
        return;
    }
    // The beats of one second ahead give the rate per frame more exactly than one period would.
    const double beat = state.beatAtTime(heardAt, quantum);
    const double beatsPerSecond = state.beatAtTime(heardAt + microseconds(1000000), quantum) - beat;
    const BeatTimeline timeline{beat, beatsPerSecond / sampleRate};
    sequencer.tick(frameCount, sampleRate, report, &timeline);
}

std::chrono::microseconds LinkSession::clockNow() { return Clock{}.micros(); }

}  // namespace zaffo
