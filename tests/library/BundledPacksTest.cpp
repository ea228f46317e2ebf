#include "tools/Kits.h"
#include "tools/PackWriter.h"
#include "tools/SampleFile.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zaffo::packgen {
namespace {

// The packs the build put beside the program are decoded as the program decodes them; written
// again, they come out the same.
TEST(BundledPacks, EverySoundIsAUsableDrumHitAndComesOutTheSameEachTime) {
    for (const Kit& kit : bundledKits()) {
        const bool lossy = kit.format == FileFormat::Mp3;  // its encoder smears the attack, and its level
        testing::TempFolder again;
        ASSERT_TRUE(writePack(again.path(), kit));
        for (const Hit& hit : kit.hits) {
            const std::string file = kit.name + "/" + hit.name + (lossy ? ".mp3" : ".wav");
            SCOPED_TRACE(file);
            EXPECT_EQ(testing::readFile(again / file), testing::readFile(std::string(ZAFFO_SAMPLES_DIR) + "/" + file));
            auto decoded = decode(std::string(ZAFFO_SAMPLES_DIR) + "/" + file);
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
    }
}

}  // namespace
}  // namespace zaffo::packgen
