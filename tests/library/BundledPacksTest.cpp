#include "tools/Kits.h"
#include "tools/PackWriter.h"
#include "tools/SampleFile.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

namespace zaffo::packgen {
namespace {

using zaffo::testing::TempFolder;

std::string fileOf(const Kit& kit, const Hit& hit) {
    return kit.name + "/" + hit.name + (kit.format == FileFormat::Wav ? ".wav" : ".mp3");
}

class BuiltPacks : public ::testing::TestWithParam<Kit> {};

// The packs the build put beside the program, decoded as the program decodes them.
TEST_P(BuiltPacks, EverySoundIsAUsableDrumHitAndTheReadmeNamesThem) {
    const Kit& kit = GetParam();
    for (const Hit& hit : kit.hits) {
        SCOPED_TRACE(fileOf(kit, hit));
        auto decoded = decode(std::string(ZAFFO_SAMPLES_DIR) + "/" + fileOf(kit, hit));
        ASSERT_TRUE(decoded);
        const Signal& s = decoded->firstChannel;
        ASSERT_FALSE(s.empty());
        const double seconds = static_cast<double>(s.size()) / decoded->rate;
        EXPECT_GE(seconds, 0.03);
        EXPECT_LE(seconds, 1.0);

        // The MP3 encoder smears the attack a little, and its peak only follows the level roughly.
        const bool lossy = kit.format == FileFormat::Mp3;
        EXPECT_NEAR(20.0 * std::log10(peakOf(s)), -1.0, lossy ? 0.5 : 0.1);

        // Starts from silence and ends in it: no step at either end for the player to click on.
        EXPECT_LT(std::fabs(s.front()), lossy ? 0.2f : 0.01f);
        EXPECT_LT(peakOf(Signal(s.end() - decoded->rate / 1000, s.end())), 0.01f);

        // A hit, not a drone: the last fifth is much quieter than the whole.
        EXPECT_LT(peakOf(Signal(s.end() - s.size() / 5, s.end())), 0.3f * peakOf(s));
    }

    // Shown in the 48 columns of the log up to its first empty line; the rest is kept as narrow.
    std::ifstream readme(std::string(ZAFFO_SAMPLES_DIR) + "/" + kit.name + "/readme.txt");
    std::string shown;
    bool showing = true;
    for (std::string line; std::getline(readme, line);) {
        EXPECT_LE(line.size(), 48u) << line;
        showing = showing && !line.empty();
        if (showing) shown += line + "\n";
    }
    for (const Hit& hit : kit.hits) EXPECT_NE(shown.find(" " + hit.name), std::string::npos) << hit.name;
}

INSTANTIATE_TEST_SUITE_P(Bundled, BuiltPacks, ::testing::ValuesIn(bundledKits()),
                         [](const auto& info) { return info.param.name; });

TEST(BundledKits, DefaultHoldsTheStandardKitAsWavAndTarvikIsMp3) {
    const auto kits = bundledKits();
    ASSERT_EQ(kits.size(), 2u);
    EXPECT_EQ(kits[0].name + (kits[0].format == FileFormat::Wav ? " wav " : " mp3 ") + kits[1].name +
                  (kits[1].format == FileFormat::Wav ? " wav" : " mp3"),
              "default wav tarvik mp3");
    std::string names;
    for (const Hit& hit : kits[0].hits) names += hit.name + " ";
    EXPECT_EQ(names, "kick snare hh oh clap percy tom rim cowbell ");
}

TEST(BundledKits, GenerationIsDeterministic) {
    auto bytes = [](const std::string& path) {
        std::stringstream buffer;
        buffer << std::ifstream(path, std::ios::binary).rdbuf();
        return buffer.str();
    };
    TempFolder first, second;
    for (const Kit& kit : bundledKits()) {
        ASSERT_TRUE(writePack(first.path(), kit));
        ASSERT_TRUE(writePack(second.path(), kit));
        for (const Hit& hit : kit.hits)
            EXPECT_EQ(bytes(first / fileOf(kit, hit)), bytes(second / fileOf(kit, hit))) << fileOf(kit, hit);
    }
}

}  // namespace
}  // namespace zaffo::packgen
