#include "audio/MasterLimiter.h"

#include <algorithm>
#include <cmath>

#include "audio/AudioBuffer.h"

namespace zaffo {
namespace {

// The gain comes back up with a time constant of 60 ms: slow enough that it does not follow the
// waveform of a bass note, quick enough that a drum's tail is not ducked for long.
constexpr double releaseSeconds = 0.06;
const double releaseStep = 1.0 - std::exp(-1.0 / (releaseSeconds * engineSampleRate));
// Closer than this to full gain counts as full gain, so that the release ends exactly at 1.
constexpr double unityNearness = 1e-6;

}  // namespace

void MasterLimiter::process(float* samples, std::uint32_t frames) {
    float peak = 0.0f;
    float lowestGain = 1.0f;
    for (std::uint32_t f = 0; f < frames; ++f) {
        float* frame = samples + std::size_t{f} * AudioBuffer::channels;
        lowestGain = std::min(lowestGain, processFrame(frame));
        peak = std::max({peak, std::abs(frame[0]), std::abs(frame[1])});
    }
    meter_.note(peak, lowestGain < 1.0f);
}

float MasterLimiter::processFrame(float* frame) {
    const float level = std::max(std::abs(frame[0]), std::abs(frame[1]));
    const float wanted = level > ceiling ? ceiling / level : 1.0f;
    const float gain = smoothedGain(lowestInWindow(releasedGain(wanted)));
    ++state_.frame;

    float* late = state_.delayed.data() + 2 * state_.delayedAt;
    const float left = late[0], right = late[1];
    late[0] = frame[0];
    late[1] = frame[1];
    state_.delayedAt = state_.delayedAt + 1 == delayFrames ? 0 : state_.delayedAt + 1;
    // The smoothed gain never lets a sample past the ceiling; the clamp only guards full scale.
    frame[0] = std::clamp(left * gain, -1.0f, 1.0f);
    frame[1] = std::clamp(right * gain, -1.0f, 1.0f);
    return gain;
}

// Falls at once to what a frame needs, climbs back slowly.
std::int32_t MasterLimiter::releasedGain(float wanted) {
    if (wanted < state_.released)
        state_.released = wanted;
    else
        state_.released += (wanted - state_.released) * releaseStep;
    if (wanted == 1.0f && state_.released > 1.0 - unityNearness) state_.released = 1.0;
    // Rounded down, so that the fixed-point gain is never above what the frame needs.
    return static_cast<std::int32_t>(std::floor(state_.released * unity));
}

// A peak's gain holds for a whole window after it arrives, so that the mean below, over the
// same window, is at or under it by the time the delayed peak leaves.
std::int32_t MasterLimiter::lowestInWindow(std::int32_t gain) {
    if (state_.lowsCount > 0 && state_.lows[state_.lowsFront].frame + window <= state_.frame) {
        state_.lowsFront = (state_.lowsFront + 1) % window;
        --state_.lowsCount;
    }
    while (state_.lowsCount > 0 && state_.lows[(state_.lowsFront + state_.lowsCount - 1) % window].gain >= gain)
        --state_.lowsCount;
    state_.lows[(state_.lowsFront + state_.lowsCount) % window] = {gain, state_.frame};
    ++state_.lowsCount;
    return state_.lows[state_.lowsFront].gain;
}

float MasterLimiter::smoothedGain(std::int32_t held) {
    state_.heldSum += held - state_.recentHeld[state_.recentAt];
    state_.recentHeld[state_.recentAt] = held;
    state_.recentAt = state_.recentAt + 1 == window ? 0 : state_.recentAt + 1;
    return static_cast<float>(static_cast<double>(state_.heldSum) / (static_cast<double>(unity) * window));
}

}  // namespace zaffo
