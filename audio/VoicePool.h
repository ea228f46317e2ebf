#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "audio/AudioPlayer.h"
#include "audio/ReleaseQueue.h"

namespace zaffo {

// A fixed set of voices made up front, so that starting, mixing and retiring them (also on the
// audio thread) never allocates or frees. When every voice sounds, starting another cuts off
// the oldest: a new hit matters more than the tail of an old one. Buffers that retired voices
// held go to releaseQueue(), for another thread to let go of. Not thread-safe: the engine
// guards it with its lock.
//
// A period that would not be ready in time cuts its oldest voices, each faded out over
// fadeFrames rather than stopped dead (which clicks).
class VoicePool {
public:
    using Clock = std::chrono::steady_clock;
    // The newest voices of a period always sound, however late it is: this many are mixed
    // between two looks at the clock.
    static constexpr std::size_t voicesPerClockCheck = 8;
    // 3 ms at 96 kHz: short enough to cost little, long enough not to click.
    static constexpr std::uint32_t fadeFrames = 288;

    explicit VoicePool(std::size_t capacity);

    static constexpr int noBus = -1;

    // Returns false only when the pool has no voice at all. A voice with a bus also adds its
    // frames to that bus while buses are given to mixInto.
    bool start(std::shared_ptr<AudioBuffer> buffer, float volume, double ratio, std::uint32_t startFrame,
               int bus = noBus);
    // Room for a voice's frames on their way to the mix and its bus, for periods of up to
    // maxFrames. Allocates: offline only, before the first period with buses.
    void keepBusRoom(std::uint32_t maxFrames) { busScratch_.assign(std::size_t{maxFrames} * 2, 0.0f); }

    // Mixes the sounding voices into out, newest first, and retires the finished ones. `due` is
    // when out must be ready, processorBudget the processor time the mix may take. Judged by
    // what the voices so far cost this thread's processor, a stall apart (see MixDeadline): once
    // the next few voices and the fades of the rest would take more than the budget, or (while the period is still on
    // time) more than the time left, the voices not yet mixed (the oldest) are faded out and cut off. With buses, each
    // voice of a bus is added, frame for frame the same, to out and to buses[bus].
    void mixInto(float* out, std::uint32_t frameCount, float masterVolume, Clock::time_point due,
                 std::chrono::nanoseconds processorBudget = std::chrono::nanoseconds::max(),
                 float* const* buses = nullptr);

    std::size_t sounding() const { return sounding_.size(); }
    std::size_t capacity() const { return players_.size(); }
    // Voices cut off by a deadline since the pool was made.
    std::uint64_t cutByDeadline() const { return cut_; }
    ReleaseQueue& releaseQueue() { return released_; }

private:
    AudioPlayer* takeVoice();
    void retire(AudioPlayer* voice);
    void handOverParked();
    void fadeOut(AudioPlayer* voice, float* out, std::uint32_t frameCount, float masterVolume);
    bool mixVoice(AudioPlayer* voice, float* out, std::uint32_t frameCount, float masterVolume, float* const* buses);

    std::vector<AudioPlayer> players_;
    std::vector<AudioPlayer*> idle_;
    std::vector<AudioPlayer*> sounding_;  // oldest first
    std::vector<int> busOf_;              // by the voice's place in players_
    std::vector<float> busScratch_;
    // Retired voices whose buffer found the release queue full: they keep it until there is room.
    std::vector<AudioPlayer*> parked_;
    ReleaseQueue released_;
    std::vector<float> fadeScratch_;
    std::uint64_t cut_ = 0;
};

}  // namespace zaffo
