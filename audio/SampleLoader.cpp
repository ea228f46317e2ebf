#include "audio/SampleLoader.h"

#include "SndFileOpen.h"
#include "files/RegularFile.h"

#include <samplerate.h>
#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <system_error>
#include <thread>
#include <vector>

namespace zaffo {
namespace {

constexpr sf_count_t readBlockFrames = 4096;
constexpr int loadConverter = SRC_SINC_MEDIUM_QUALITY;

struct SndFileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndFilePtr = std::unique_ptr<SNDFILE, SndFileCloser>;

struct ConverterCloser {
    void operator()(SRC_STATE* state) const { src_delete(state); }
};
using ConverterPtr = std::unique_ptr<SRC_STATE, ConverterCloser>;

bool isWavOrMp3(int format) {
    switch (format & SF_FORMAT_TYPEMASK) {
        case SF_FORMAT_WAV:
        case SF_FORMAT_WAVEX:
        case SF_FORMAT_RF64:
        case SF_FORMAT_MPEG:
            return true;
        default:
            return false;
    }
}

void toStereo(const float* block, sf_count_t frames, int channels, float* stereo) {
    for (sf_count_t i = 0; i < frames; ++i) {
        const float* frame = block + i * channels;
        stereo[2 * i] = frame[0];
        stereo[2 * i + 1] = channels > 1 ? frame[1] : frame[0];
    }
}

// Takes stereo blocks at the file's rate and appends them at the engine's rate, converting
// as they come, so that memory never holds more than the result and one block.
class RateConverter {
public:
    RateConverter(int fileRate, std::vector<float>& out)
        : ratio_(static_cast<double>(engineSampleRate) / fileRate), out_(out) {
        if (fileRate == engineSampleRate) {
            return;
        }
        int error = 0;
        if (src_is_valid_ratio(ratio_)) {
            state_.reset(src_new(loadConverter, 2, &error));
        }
        converted_.resize((static_cast<std::size_t>(std::ceil(readBlockFrames * ratio_)) + 64) * 2);
    }

    bool valid(int fileRate) const { return fileRate == engineSampleRate || state_; }

    // False when the converter fails.
    bool append(const float* stereo, long frames, bool last) {
        if (!state_) {
            out_.insert(out_.end(), stereo, stereo + frames * 2);
            return true;
        }
        SRC_DATA data{};
        data.data_in = stereo;
        data.input_frames = frames;
        data.src_ratio = ratio_;
        data.end_of_input = last ? 1 : 0;
        do {
            data.data_out = converted_.data();
            data.output_frames = static_cast<long>(converted_.size() / 2);
            if (src_process(state_.get(), &data) != 0) {
                return false;
            }
            out_.insert(out_.end(), converted_.data(), converted_.data() + data.output_frames_gen * 2);
            data.data_in += data.input_frames_used * 2;
            data.input_frames -= data.input_frames_used;
        } while (data.input_frames > 0 || (last && data.output_frames_gen > 0));
        return true;
    }

private:
    double ratio_;
    std::vector<float>& out_;
    ConverterPtr state_;
    std::vector<float> converted_;
};

DecodedSample decodeOpened(SNDFILE* file, const SF_INFO& info, std::uint64_t maxFrames) {
    const double ratio = static_cast<double>(engineSampleRate) / info.samplerate;
    // libsndfile gives a WAV's length from its header, never more than the file holds; an MP3's
    // is an estimate or unknown, so the decoded length is watched as well.
    const bool lengthKnown = info.frames > 0 && info.frames != SF_COUNT_MAX;
    if (lengthKnown && std::ceil(static_cast<double>(info.frames) * ratio) > static_cast<double>(maxFrames)) {
        return {nullptr, SampleProblem::tooLong};
    }
    std::vector<float> samples;
    RateConverter converter(info.samplerate, samples);
    if (!converter.valid(info.samplerate)) {
        return {};
    }
    if (lengthKnown) {
        samples.reserve(static_cast<std::size_t>(std::ceil(static_cast<double>(info.frames) * ratio)) * 2 + 1024);
    }
    std::vector<float> block(static_cast<std::size_t>(readBlockFrames) * info.channels);
    std::vector<float> stereo(static_cast<std::size_t>(readBlockFrames) * 2);
    for (bool last = false; !last;) {
        // A decoder that stops part-way (a damaged file) keeps what came before.
        const sf_count_t n = std::max<sf_count_t>(sf_readf_float(file, block.data(), readBlockFrames), 0);
        last = n == 0;
        toStereo(block.data(), n, info.channels, stereo.data());
        if (!converter.append(stereo.data(), static_cast<long>(n), last)) {
            return {};
        }
        if (samples.size() / 2 > maxFrames) {
            return {nullptr, SampleProblem::tooLong};
        }
    }
    if (samples.empty()) {
        return {};
    }
    return {std::make_shared<AudioBuffer>(std::move(samples)), SampleProblem::none};
}

}  // namespace

DecodedSample decodeSample(const std::string& path, std::uint64_t maxFrames) noexcept {
    try {
        FileHandle handle = openRegularFile(path);
        if (!handle) {
            return {};
        }
        SF_INFO info{};
        SndFilePtr file(openSndFile(handle.fd(), SFM_READ, &info));
        if (!file || !isWavOrMp3(info.format) || info.channels < 1 || info.samplerate < 1) {
            return {};
        }
        return decodeOpened(file.get(), info, maxFrames);
    } catch (...) {
        // Out of memory, or a length no container can hold: the file is simply not loaded.
        return {};
    }
}

std::shared_ptr<AudioBuffer> loadSample(std::string path) { return decodeSample(path).buffer; }

std::vector<DecodedSample> loadSamples(const std::vector<std::string>& paths) {
    std::vector<DecodedSample> results(paths.size());
    std::atomic<std::size_t> next{0};
    auto decodeRemaining = [&] {
        for (std::size_t i = next++; i < paths.size(); i = next++) {
            results[i] = decodeSample(paths[i]);
        }
    };
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> helpers;
    try {
        for (std::size_t i = 1; i < std::min(cores, paths.size()); ++i) {
            helpers.emplace_back(decodeRemaining);
        }
    } catch (const std::system_error&) {
        // No more threads to be had: the ones running, and this one, share the work.
    }
    decodeRemaining();
    for (std::thread& helper : helpers) {
        helper.join();
    }
    return results;
}

}  // namespace zaffo
