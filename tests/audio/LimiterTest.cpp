#include "audio/MasterLimiter.h"
#include "tests/audio/AudioTestFiles.h"

#include <algorithm>
#include <random>

namespace zaffo::test {
namespace {

constexpr std::uint32_t delay = MasterLimiter::delayFrames;
constexpr float ceiling = MasterLimiter::ceiling;

// However the periods fall; and after a loud passage the gain comes all the way back.
TEST(MasterLimiter, BelowTheCeilingTheOutputIsTheInputDelayedBitForBit) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(-ceiling, ceiling);
    const struct {
        const char* name;
        std::function<float(std::uint32_t)> level;
        std::uint32_t period, exactFrom;
    } cases[] = {
        {"noise up to the ceiling", [&](auto) { return noise(random); }, 1, 0},
        {"square wave", [](auto f) { return f / 100 % 2 ? ceiling : -ceiling; }, 8192, 0},
        {"quiet after a loud hit",
         [](auto f) { return f < 9600 ? 3.0f : float(0.8 * std::sin(2 * M_PI * 440 * f / engineSampleRate)); }, 333,
         144000},
    };
    for (const auto& c : cases) {
        std::vector<float> in(std::size_t{4} * engineSampleRate);  // level(frame) on the right, negated on the left
        for (std::uint32_t f = 0; f < in.size() / 2; ++f) in[2 * f] = -(in[2 * f + 1] = c.level(f));
        std::vector<float> out = in;
        MasterLimiter limiter;
        for (std::uint32_t at = 0; at < in.size() / 2; at += c.period)
            limiter.process(out.data() + 2 * at, std::min<std::uint32_t>(c.period, in.size() / 2 - at));
        EXPECT_TRUE(c.exactFrom || std::all_of(out.begin(), out.begin() + 2 * delay, [](float s) { return s == 0; }))
            << c.name;
        for (std::size_t i = std::max(c.exactFrom, delay) * 2; i < out.size(); ++i)
            ASSERT_EQ(out[i], in[i - 2 * delay]) << c.name << ", sample " << i;
    }
}

// Turned down, not clipped: once the gain has settled, the tone at the ceiling with hardly any harmonics (clipping a
// 1.5 sine gives about 9 %).
TEST(MasterLimiter, ALoudToneKeepsItsShape) {
    const struct { double frequency, peak; } cases[] = {{1000, 1.5}, {1000, 6.0}, {3000, 1.5}, {440, 2.0}};
    for (const auto& c : cases) {
        AudioEngine engine;
        engine.play(sineBuffer(96000, c.frequency, float(c.peak)), 1.0f, 0);
        const auto out = render(engine, 96000);
        // A whole number of cycles, well after the attack.
        const std::size_t from = 48000, frames = 9600;
        double harmonics = 0, fundamental = 0;
        for (int k = 1; k * c.frequency < engineSampleRate / 2; ++k) {
            double re = 0, im = 0;
            for (std::size_t f = 0; f < frames; ++f) {
                const double phase = 2 * M_PI * k * c.frequency * double(f) / engineSampleRate;
                re += out[2 * (from + f)] * std::cos(phase);
                im += out[2 * (from + f)] * std::sin(phase);
            }
            const double amplitude = 2 * std::hypot(re, im) / frames;
            (k == 1 ? fundamental : harmonics) += k == 1 ? amplitude : amplitude * amplitude;
        }
        EXPECT_LT(std::sqrt(harmonics) / fundamental, 0.01) << c.frequency << " Hz at " << c.peak;
        EXPECT_NEAR(fundamental, ceiling, 0.01) << c.frequency << " Hz at " << c.peak;
    }
}

}  // namespace
}  // namespace zaffo::test
