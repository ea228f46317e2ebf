#include "audio/SampleLoader.h"

#include "RateConverter.h"
#include "SndFileOpen.h"
#include "files/RegularFile.h"

#include <sndfile.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <system_error>
#include <thread>
#include <vector>

namespace zaffo {
namespace {

// Values per read whatever the channel count, and frames per conversion whatever the rates: the
// memory a decode needs beside its result is fixed, never scaled by what a header says.
constexpr sf_count_t readBlockSamples = 8192;
constexpr std::size_t cleanChunk = 8;
// The most frames a byte of MP3 holds: MPEG-2 layer III at 8 kbit/s and 24 kHz, 576 in 24 bytes.
constexpr double mp3FramesPerByte = 24;

struct SndFileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndFilePtr = std::unique_ptr<SNDFILE, SndFileCloser>;

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

// NaN and infinity become silence and a value beyond the loudest is held there, once, at load:
// one such value would otherwise reach the converter's filter, the mix and the recorder. Works
// on whole chunks of a fixed size, which the compiler turns into vector code, so count must be a
// multiple of cleanChunk. True when some value needed it.
bool cleanValues(float* values, std::size_t count) {
    int outside = 0;
    for (std::size_t start = 0; start < count; start += cleanChunk) {
        float* chunk = values + start;
        for (std::size_t i = 0; i < cleanChunk; ++i) {
            const float size = std::fabs(chunk[i]);
            outside |= !(size <= loudestSampleValue);
            chunk[i] = size <= std::numeric_limits<float>::max()
                           ? std::copysign(std::min(size, loudestSampleValue), chunk[i])
                           : 0.0f;
        }
    }
    return outside != 0;
}

std::size_t wholeChunks(std::size_t count) { return (count + cleanChunk - 1) / cleanChunk * cleanChunk; }

void toStereo(const float* block, sf_count_t frames, int channels, float* stereo) {
    for (sf_count_t i = 0; i < frames; ++i) {
        const float* frame = block + i * channels;
        stereo[2 * i] = frame[0];
        stereo[2 * i + 1] = channels > 1 ? frame[1] : frame[0];
    }
}

DecodedSample decodeOpened(SNDFILE* file, const SF_INFO& info, double fileBytes, std::uint64_t maxFrames) {
    const double ratio = static_cast<double>(engineSampleRate) / info.samplerate;
    const bool mp3 = (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG;
    double expectedFrames =
        info.frames > 0 && info.frames != SF_COUNT_MAX ? std::ceil(static_cast<double>(info.frames) * ratio) : 0;
    // libsndfile gives a WAV's length from its header, never more than the file holds. An MP3's
    // comes from its Xing or Info header, or is guessed from its size, and either may be far
    // off: one flipped bit makes a short sound claim hours. Only its decoded frames count, and
    // its claim sizes the result only as far as its bytes could hold it.
    if (mp3) {
        expectedFrames =
            std::min({expectedFrames, fileBytes * mp3FramesPerByte * ratio, static_cast<double>(maxFrames)});
    } else if (expectedFrames > static_cast<double>(maxFrames)) {
        return {nullptr, SampleProblem::tooLong};
    }
    std::vector<float> samples;
    RateConverter converter(info.samplerate, engineSampleRate, maxFrames, samples);
    if (!converter.valid()) {
        return {};
    }
    if (expectedFrames > 0) {
        reserveSamples(samples, static_cast<std::size_t>(expectedFrames) * 2 + 1024);
    }
    const sf_count_t blockFrames = std::max<sf_count_t>(readBlockSamples / info.channels, 1);
    // Room for whole chunks: what lies past the frames read was cleaned before, or is zero.
    std::vector<float> block(wholeChunks(static_cast<std::size_t>(blockFrames) * info.channels));
    std::vector<float> stereo(static_cast<std::size_t>(blockFrames) * 2);
    bool limited = false;
    for (bool last = false; !last;) {
        // A decoder that stops part-way (a damaged file) keeps what came before.
        const sf_count_t n = std::max<sf_count_t>(sf_readf_float(file, block.data(), blockFrames), 0);
        last = n == 0;
        limited |= cleanValues(block.data(), wholeChunks(static_cast<std::size_t>(n) * info.channels));
        toStereo(block.data(), n, info.channels, stereo.data());
        switch (converter.append(stereo.data(), static_cast<std::size_t>(n), last)) {
            case Appended::ok:
                break;
            case Appended::failed:
                return {};
            case Appended::tooLong:
                return {nullptr, SampleProblem::tooLong};
        }
    }
    if (samples.empty()) {
        return {};
    }
    return {std::make_shared<AudioBuffer>(std::move(samples), info.samplerate), SampleProblem::none, limited};
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
        if (!file || !isWavOrMp3(info.format) || info.channels < 1) {
            return {};
        }
        // Before anything is sized from the rate: the converter's output grows with it.
        if (info.samplerate < minSampleRate || info.samplerate > maxSampleRate) {
            return {nullptr, SampleProblem::badRate};
        }
        struct stat status {};
        const double fileBytes = ::fstat(handle.fd(), &status) == 0 ? static_cast<double>(status.st_size) : 0;
        return decodeOpened(file.get(), info, fileBytes, maxFrames);
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
