#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/AudioBuffer.h"

namespace zaffo {

// The longest sample: ten minutes at the engine's rate, about 460 MB of frames.
inline constexpr std::uint64_t maxSampleFrames = std::uint64_t{600} * engineSampleRate;

// The rates a file may claim. Beyond them the conversion to the engine's rate is absurd (a file
// at 1 Hz would become 96000 frames for each one it holds).
inline constexpr int minSampleRate = 1000;
inline constexpr int maxSampleRate = 768000;

// The loudest value a sample keeps: 24 dB above full scale, far beyond anything meant to be heard.
inline constexpr float loudestSampleValue = 16.0f;

enum class SampleProblem {
    none,
    unreadable,  // missing, not a regular file, not WAV or MP3 inside, damaged or empty
    tooLong,     // longer than the longest sample
    badRate,     // a sample rate outside minSampleRate..maxSampleRate
};

struct DecodedSample {
    std::shared_ptr<AudioBuffer> buffer;  // set exactly when problem is none
    SampleProblem problem = SampleProblem::unreadable;
    bool limited = false;  // some values were not numbers (now silence) or beyond loudestSampleValue (now held there)
};

// Decodes a whole sound file into the engine's format: mono is copied to both sides, a file
// with more channels keeps its first two, any other rate is converted to engineSampleRate with a
// sinc converter. What counts is the content, never the name: only WAV (RIFF, WAVE_EXTENSIBLE,
// RF64) and MP3 are read, at rates from minSampleRate to maxSampleRate. A WAV's length beyond
// maxFrames at the engine's rate is found from its header before anything is allocated; an MP3's
// header may lie, so its length is what its frames decode to, and decoding stops once it passes
// maxFrames. Whatever the header claims, memory holds at most maxFrames stereo frames and a few
// blocks. Values that are not numbers become 0 and those beyond loudestSampleValue are held there.
// Never throws (running out of memory makes the file unreadable), prints nothing and touches no
// shared state, so any thread may call it.
DecodedSample decodeSample(const std::string& path, std::uint64_t maxFrames = maxSampleFrames) noexcept;

// decodeSample's buffer alone: empty for any file that gives no sample.
std::shared_ptr<AudioBuffer> loadSample(std::string path);

// decodeSample for every path, decoded side by side on the machine's cores; the results come
// back in the order of the paths.
std::vector<DecodedSample> loadSamples(const std::vector<std::string>& paths);

}  // namespace zaffo
