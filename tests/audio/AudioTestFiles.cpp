#include "AudioTestFiles.h"

#include <sndfile.h>

#include <cmath>
#include <fstream>

namespace zaffo::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zaffo-audio-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
}

bool writeSoundFile(const std::string& path, int format, int rate, int channels, std::int64_t frames,
                    const std::function<float(std::int64_t, int)>& sample) {
    SF_INFO info{0, rate, channels, format, 0, 0};
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
        return false;
    std::vector<float> samples;
    for (std::int64_t f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            samples.push_back(sample(f, c));
    const bool complete = sf_writef_float(file, samples.data(), frames) == frames;
    return sf_close(file) == 0 && complete;
}

SoundFile readSoundFile(const std::string& path) {
    SoundFile result;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        return result;
    result = {info.samplerate, info.channels, info.format, std::vector<float>(std::size_t(info.frames * info.channels))};
    result.samples.resize(std::size_t(sf_readf_float(file, result.samples.data(), info.frames) * info.channels));
    sf_close(file);
    return result;
}

int wavFormatTag(const std::string& path) {
    unsigned char header[22] = {};
    std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(header), sizeof header);
    return header[20] | (header[21] << 8);
}

std::shared_ptr<AudioBuffer> constantBuffer(std::uint64_t frames, float left, float right) {
    std::vector<float> samples(frames * 2, left);
    for (std::uint64_t f = 0; f < frames; ++f)
        samples[2 * f + 1] = right;
    return std::make_shared<AudioBuffer>(std::move(samples));
}

std::shared_ptr<AudioBuffer> sineBuffer(std::uint64_t frames, double frequency, float amplitude) {
    std::vector<float> samples(frames * 2);
    for (std::uint64_t f = 0; f < frames; ++f) {
        samples[2 * f] = float(amplitude * std::sin(2 * M_PI * frequency * double(f) / engineSampleRate));
        samples[2 * f + 1] = -samples[2 * f];
    }
    return std::make_shared<AudioBuffer>(std::move(samples));
}

std::vector<float> render(AudioEngine& engine, std::uint32_t frames, std::uint32_t period) {
    std::vector<float> out(std::size_t{frames} * 2);
    for (std::uint32_t at = 0; at < frames; at += period)
        engine.renderPeriod(out.data() + std::size_t{at} * 2, std::min(period, frames - at));
    return out;
}

}  // namespace zaffo::test
