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

std::string fileOf(const Kit& kit, const Hit& hit) {
    return kit.name + "/" + hit.name + (kit.format == FileFormat::Wav ? ".wav" : ".mp3");
}

class BuiltPacks : public ::testing::TestWithParam<Kit> {};

// The packs the build put beside the program, decoded as the program decodes them.
TEST_P(BuiltPacks, EverySoundIsAUsableDrumHitAndTheReadmeNamesThem) {
    const Kit& kit = GetParam();
    const bool lossy = kit.format == FileFormat::Mp3;  // its encoder smears the attack, and its level
    for (const Hit& hit : kit.hits) {
        SCOPED_TRACE(fileOf(kit, hit));
        auto decoded = decode(std::string(ZAFFO_SAMPLES_DIR) + "/" + fileOf(kit, hit));
        ASSERT_TRUE(decoded && !decoded->firstChannel.empty());
        const Signal& s = decoded->firstChannel;
        EXPECT_GE(s.size(), 0.03 * decoded->rate);
        EXPECT_LE(s.size(), 1.0 * decoded->rate);
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
    for (std::string line; std::getline(readme, line);) {
        EXPECT_LE(line.size(), 48u) << line;
        shown += line.empty() ? "\f" : line + "\n";
    }
    shown.resize(shown.find('\f'));
    for (const Hit& hit : kit.hits) EXPECT_NE(shown.find(" " + hit.name), std::string::npos) << hit.name;
}

INSTANTIATE_TEST_SUITE_P(Bundled, BuiltPacks, ::testing::ValuesIn(bundledKits()),
                         [](const auto& info) { return info.param.name; });

TEST(BundledKits, DefaultIsTheStandardKitAsWavTarvikIsMp3AndBothComeOutTheSameEachTime) {
    auto bytes = [](const std::string& path) {
        std::stringstream buffer;
        buffer << std::ifstream(path, std::ios::binary).rdbuf();
        return buffer.str();
    };
    const auto kits = bundledKits();
    ASSERT_EQ(kits.size(), 2u);
    std::string names;
    for (const Kit& kit : kits) {
        names += kit.name + (kit.format == FileFormat::Wav ? " (wav):" : " (mp3):");
        testing::TempFolder first, second;
        ASSERT_TRUE(writePack(first.path(), kit) && writePack(second.path(), kit));
        for (const Hit& hit : kit.hits) {
            names += " " + hit.name;
            EXPECT_EQ(bytes(first / fileOf(kit, hit)), bytes(second / fileOf(kit, hit))) << fileOf(kit, hit);
        }
        names += "; ";
    }
    EXPECT_EQ(names,
              "default (wav): kick snare hh oh clap percy tom rim cowbell; "
              "tarvik (mp3): kick snare hh oh clap percy tom shaker zap; ");
}

}  // namespace
}  // namespace zaffo::packgen
