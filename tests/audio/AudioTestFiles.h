#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/AudioEngine.h"

namespace zaffo::test {

// A fresh temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Writes a sound file with libsndfile; sample(frame, channel) gives each value.
bool writeSoundFile(const std::string& path, int format, int rate, int channels, std::int64_t frames,
                    const std::function<float(std::int64_t frame, int channel)>& sample);

struct SoundFile {
    int rate = 0, channels = 0, format = 0;
    std::vector<float> samples;
    std::int64_t frames() const { return channels ? std::int64_t(samples.size()) / channels : 0; }
};
SoundFile readSoundFile(const std::string& path);
int wavFormatTag(const std::string& path);

std::shared_ptr<AudioBuffer> constantBuffer(std::uint64_t frames, float left, float right);
// A sine on the left, its negation on the right.
std::shared_ptr<AudioBuffer> sineBuffer(std::uint64_t frames, double frequency, float amplitude);

// Renders frames in periods of at most period frames and returns the output.
std::vector<float> render(AudioEngine& engine, std::uint32_t frames, std::uint32_t period = 512);

}  // namespace zaffo::test
