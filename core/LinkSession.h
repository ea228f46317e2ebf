#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace zaffo {

class PeriodReport;
class Sequencer;

// Plays in time with other programs on the local network over Ableton Link: the session's tempo
// is the sequencer's, the session's bar lines begin its measures, and Play and Stop are shared
// with the peers that share them. Off until turned on: Link itself, with its threads and
// sockets, is only made then.
class LinkSession {
public:
    explicit LinkSession(Sequencer& sequencer);
    ~LinkSession();
    LinkSession(const LinkSession&) = delete;
    LinkSession& operator=(const LinkSession&) = delete;

    // Interface thread.
    void enable(bool on);
    bool isEnabled() const;
    std::size_t peerCount() const;
    // "Link is off", "Link is on: 1 peer", "Link is on: 3 peers".
    std::string statusLine() const;
    // Called on a thread of Link's own whenever the number of peers changes.
    void setOnPeersChanged(std::function<void()> callback);

    // Audio thread, once a period before its mix: shares tempo and play state with the session
    // and moves the sequencer's clock on, which reports the period, with the tempo and play state
    // taken from other players, into `report`. The period's first frame is heard `latencyFrames`
    // after `periodTime` (on the steady clock) where the device knows it, or else after the time of the call, as
    // a filter lays a straight line through the calls.
    void tick(int32_t frameCount, int32_t sampleRate, uint32_t latencyFrames,
              std::optional<std::chrono::microseconds> periodTime, PeriodReport& report);
    // The same for a period whose first frame is heard at `heardAt` on Link's clock.
    void tickHeardAt(int32_t frameCount, int32_t sampleRate, std::chrono::microseconds heardAt, PeriodReport& report);

    // Link's clock, the time base of `heardAt`.
    static std::chrono::microseconds clockNow();

private:
    struct Session;

    void peersChanged();

    Sequencer& sequencer;
    std::unique_ptr<Session> session;  // made by the first enable
    std::atomic<Session*> published{nullptr};
    std::mutex callbackMutex;  // onPeersChanged
    std::function<void()> onPeersChanged;
};

}  // namespace zaffo
