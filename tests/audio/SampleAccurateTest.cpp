#include "audio/AudioEngine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "AudioTestFiles.h"

namespace zaffo {
namespace {

// Stands in for the sequencer's clock: step k begins at frame floor(k * framesPerStep) of the
// whole output and plays a one-frame click there. Renders the steps in periods whose sizes
// nextPeriod gives and returns the frames that sound.
std::vector<std::uint64_t> clickFrames(double framesPerStep, int steps,
                                       const std::function<std::uint32_t()>& nextPeriod) {
    auto stepStart = [&](std::uint64_t step) { return std::uint64_t(std::floor(double(step) * framesPerStep)); };
    AudioEngine engine;
    auto click = test::constantBuffer(1, 1.0f, 1.0f);
    std::uint64_t step = 0, periodStart = 0;
    engine.onPeriod = [&](int frames, int) {
        for (; stepStart(step) < periodStart + std::uint64_t(frames); ++step)
            engine.play(click, 1.0f, 0, std::uint32_t(stepStart(step) - periodStart));
        periodStart += std::uint64_t(frames);
    };
    std::vector<float> out(std::size_t{32768} * 2);
    std::vector<std::uint64_t> clicks;
    for (std::uint64_t at = 0; at < stepStart(std::uint64_t(steps));) {
        const std::uint32_t period = nextPeriod();
        engine.renderPeriod(out.data(), period);
        for (std::uint32_t f = 0; f < period; ++f)
            if (out[2 * f] != 0.0f) clicks.push_back(at + f);
        at += period;
    }
    return clicks;
}

// Exact positions of a thousand steps, so that no drift can build up.
TEST(AudioOnsets, ClicksLandOnTheirStepsWhateverThePeriods) {
    std::uint32_t seed = 12345;
    auto irregular = [&]() -> std::uint32_t {
        seed = seed * 1664525u + 1013904223u;
        return 1 + (seed >> 8) % 3000;
    };
    const double at137bpm = 96000.0 * 60 / 137 / 2;  // 21021.9 frames
    const std::pair<double, std::function<std::uint32_t()>> cases[] = {
        {24000, [] { return 1u; }},      {24000, [] { return 441u; }},   {24000, [] { return 1024u; }},
        {24000, [] { return 8192u; }},   {24000, [] { return 30011u; }}, {24000, irregular},
        {at137bpm, [] { return 512u; }}, {at137bpm, irregular},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto clicks = clickFrames(cases[i].first, 1000, cases[i].second);
        ASSERT_GE(clicks.size(), 1000u) << "case " << i;
        for (int k = 0; k < 1000; ++k)
            ASSERT_EQ(clicks[k], std::uint64_t(std::floor(k * cases[i].first))) << "case " << i << ", step " << k;
    }
}

}  // namespace
}  // namespace zaffo
