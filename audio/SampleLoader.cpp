#include "audio/SampleLoader.h"

#include <samplerate.h>
#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <optional>
#include <thread>
#include <vector>

namespace zaffo {
namespace {

constexpr sf_count_t readBlockFrames = 4096;
// A header may claim any length; never reserve more than ten minutes up front.
constexpr sf_count_t maxReservedFrames = sf_count_t{600} * 192000;
constexpr int loadConverter = SRC_SINC_MEDIUM_QUALITY;

struct SndFileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndFilePtr = std::unique_ptr<SNDFILE, SndFileCloser>;

void appendAsStereo(const float* block, sf_count_t frames, int channels, std::vector<float>& stereo) {
    const std::size_t at = stereo.size();
    stereo.resize(at + static_cast<std::size_t>(frames) * 2);
    float* out = stereo.data() + at;
    for (sf_count_t i = 0; i < frames; ++i) {
        const float* frame = block + i * channels;
        out[2 * i] = frame[0];
        out[2 * i + 1] = channels > 1 ? frame[1] : frame[0];
    }
}

// Reads until the decoder delivers nothing more; a damaged file keeps what came before.
std::vector<float> readStereo(SNDFILE* file, const SF_INFO& info) {
    std::vector<float> block(static_cast<std::size_t>(readBlockFrames) * info.channels);
    std::vector<float> stereo;
    if (info.frames > 0)
        stereo.reserve(static_cast<std::size_t>(std::min(info.frames, maxReservedFrames)) * 2);
    for (;;) {
        const sf_count_t n = sf_readf_float(file, block.data(), readBlockFrames);
        if (n <= 0)
            break;
        appendAsStereo(block.data(), n, info.channels, stereo);
    }
    return stereo;
}

std::optional<std::vector<float>> toEngineRate(std::vector<float> stereo, int fileRate) {
    if (fileRate == engineSampleRate)
        return stereo;
    const double ratio = static_cast<double>(engineSampleRate) / fileRate;
    if (!src_is_valid_ratio(ratio))
        return std::nullopt;
    const long inFrames = static_cast<long>(stereo.size() / 2);
    const long outCapacity = static_cast<long>(std::ceil(inFrames * ratio)) + 64;
    std::vector<float> converted(static_cast<std::size_t>(outCapacity) * 2);
    SRC_DATA data{};
    data.data_in = stereo.data();
    data.input_frames = inFrames;
    data.data_out = converted.data();
    data.output_frames = outCapacity;
    data.src_ratio = ratio;
    data.end_of_input = 1;
    if (src_simple(&data, loadConverter, 2) != 0)
        return std::nullopt;
    converted.resize(static_cast<std::size_t>(data.output_frames_gen) * 2);
    return converted;
}

}  // namespace

std::shared_ptr<AudioBuffer> loadSample(std::string path) {
    SF_INFO info{};
    SndFilePtr file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file || info.channels < 1 || info.samplerate < 1)
        return {};
    std::vector<float> stereo = readStereo(file.get(), info);
    file.reset();
    if (stereo.empty())
        return {};
    auto converted = toEngineRate(std::move(stereo), info.samplerate);
    if (!converted || converted->empty())
        return {};
    return std::make_shared<AudioBuffer>(std::move(*converted));
}

std::vector<std::shared_ptr<AudioBuffer>> loadSamples(const std::vector<std::string>& paths) {
    std::vector<std::shared_ptr<AudioBuffer>> buffers(paths.size());
    std::atomic<std::size_t> next{0};
    auto decodeRemaining = [&] {
        for (std::size_t i = next++; i < paths.size(); i = next++) {
            buffers[i] = loadSample(paths[i]);
        }
    };
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> helpers;
    for (std::size_t i = 1; i < std::min(cores, paths.size()); ++i) {
        helpers.emplace_back(decodeRemaining);
    }
    decodeRemaining();
    for (std::thread& helper : helpers) {
        helper.join();
    }
    return buffers;
}

}  // namespace zaffo
