#include "sequencer/Composition.h"
#include "sequencer/PatternGrammar.h"
#include "sequencer/Sequencer.h"

#include <gtest/gtest.h>

namespace zaffo {
namespace {

class CompositionTest : public ::testing::Test {
protected:
    CompositionTest() {
        for (Sequencer* s : {&sequencer, &loaded}) s->sampleExists = [](const std::string&) { return true; };
    }

    PatternPtr instrument(const std::string& name, const std::string& pattern, float volume = 1.0f) {
        PatternPtr p = sequencer.getOrCreatePattern(name);
        std::vector<Step> parsed;
        pattern_grammar::readPattern(pattern, parsed);
        applySteps(parsed, p->steps);
        p->volume = volume;
        return p;
    }

    // Loads a document written by hand into `loaded`.
    bool load(const std::string& text) { return loaded.fromJson(parseComposition(text)); }

    std::string describeLive() {
        std::string text;
        for (const auto& p : loaded.getPatterns()) {
            text += p->name + " " + patternText(p->steps) + " " + std::to_string(p->volume).substr(0, 4) +
                    (p->active ? " on" : " off") + " &" + std::to_string(p->rand) + ";";
        }
        return text;
    }

    Sequencer sequencer;
    Sequencer loaded;
};

TEST_F(CompositionTest, WritesTheIndentedFileByteForByte) {
    instrument("kick", "#-#5-", 0.5f);
    picojson::value root = sequencer.toJson();
    root.get<picojson::object>()["samplePack"] = picojson::value("default");
    EXPECT_EQ(compositionText(root), R"({
  "activeInstruments": [
    {
      "mute": false,
      "name": "kick",
      "pattern": [
        0,
        null,
        5,
        null,
        0,
        null,
        5,
        null
      ],
      "patternRaw": "#-#5-#-#5-",
      "rand": 0,
      "rawPattern": "#-#5-#-#5-",
      "sequence": [
        "C3",
        null,
        "F3",
        null,
        "C3",
        null,
        "F3",
        null
      ],
      "volume": 0.5
    }
  ],
  "bpm": 120,
  "name": "composition",
  "parts": {},
  "samplePack": "default"
}
)");
}

TEST_F(CompositionTest, AnEmptyStateWritesEmptyListsAndSingleVolumesWidened) {
    const std::string empty = compositionText(sequencer.toJson());
    EXPECT_NE(empty.find("\"activeInstruments\": [],"), std::string::npos) << empty;
    EXPECT_NE(empty.find("\"parts\": {}"), std::string::npos) << empty;

    instrument("kick", "#", 0.7f);
    EXPECT_NE(compositionText(sequencer.toJson()).find("\"volume\": 0.69999998807907104"), std::string::npos);
}

TEST_F(CompositionTest, SavingLoadingAndSavingAgainGivesTheSameBytes) {
    instrument("kick", "#-#5 -#-2", 0.7f)->rand = 4;
    instrument("snare", "--#-", 0.5f)->active = false;
    sequencer.storePart("a");
    instrument("hh", "#", 0.3f);
    sequencer.bpm = 97;
    sequencer.storePart("B");

    const std::string saved = compositionText(sequencer.toJson());
    ASSERT_TRUE(load(saved));
    EXPECT_EQ(compositionText(loaded.toJson()), saved);
    EXPECT_EQ(loaded.bpm.load(), 97);
    EXPECT_EQ(loaded.getPartNames(), (std::vector<std::string>{"B", "a"})) << "parts in byte order";
}

TEST_F(CompositionTest, AnInstrumentOnlyInPartsIsWrittenOnceMutedAndLoadsMuted) {
    load(R"({"activeInstruments": [{"name": "kick", "rawPattern": "#-", "volume": 1}],
             "parts": {"a": {"bpm": 120, "instrumentCollection": {
                 "hh": {"name": "hh", "rawPattern": "#", "volume": 0.5, "mute": false},
                 "kick": {"name": "kick", "rawPattern": "#", "volume": 1}}}}})");
    const std::string saved = compositionText(loaded.toJson());
    const picojson::value document = parseComposition(saved);
    const auto& entries = document.get("activeInstruments").get<picojson::array>();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].get("name").to_str(), "hh");
    EXPECT_TRUE(entries[1].get("mute").get<bool>());

    Sequencer again;
    again.fromJson(parseComposition(saved));
    auto live = again.getPatterns();
    ASSERT_EQ(live.size(), 2u);
    EXPECT_EQ(live[1]->name, "hh");
    EXPECT_FALSE(live[1]->active);
}

TEST_F(CompositionTest, ReadsWhatItCanAndSkipsUnusableEntries) {
    ASSERT_TRUE(load(R"({"bpm": 140.7, "activeInstruments": [
        {"name": "a", "rawPattern": "#-", "volume": 0.5, "rand": 2.9, "mute": true},
        {"name": "b", "rawPattern": "#-"},
        {"name": "c", "rawPattern": "#-", "volume": "loud"},
        {"name": "d", "patternRaw": "#", "rawPattern": "-", "volume": 1},
        {"name": "e", "patternRaw": 5, "rawPattern": "#--", "volume": 1},
        {"name": "f", "rawPattern": "kick", "volume": 0.25, "mute": false, "rand": 3},
        {"name": "g", "rawPattern": "#-xyz", "volume": 1, "mute": "yes"},
        {"name": 7, "rawPattern": "#", "volume": 1},
        ["h"], null, "i",
        {"name": "j", "volume": 1}
    ]})"));
    EXPECT_EQ(describeLive(),
              "a #-#-#-#- 0.50 off &2;"
              "d ######## 1.00 on &0;"
              "e #--#--#- 1.00 on &0;"
              "f -------- 0.25 on &3;"
              "g #-#-#-#- 1.00 on &0;");
    EXPECT_EQ(loaded.bpm.load(), 140);
}

TEST_F(CompositionTest, MissingListsBecomeEmptyAndAMissingTempoStays) {
    loaded.bpm = 133;
    loaded.getOrCreatePattern("kick");
    loaded.storePart("x");
    ASSERT_TRUE(load("{}"));
    EXPECT_TRUE(loaded.getPatterns().empty());
    EXPECT_TRUE(loaded.getPartNames().empty());
    EXPECT_EQ(loaded.bpm.load(), 133);

    ASSERT_TRUE(load(R"({"activeInstruments": {"kick": 1}, "parts": ["a"], "bpm": "fast"})"));
    EXPECT_TRUE(loaded.getPatterns().empty());
    EXPECT_EQ(loaded.bpm.load(), 133);
}

TEST_F(CompositionTest, ADocumentThatIsNoObjectChangesNothing) {
    loaded.getOrCreatePattern("kick");
    for (const char* text : {"[]", "3", "not json", "", "{\"bpm\": 1e999}"}) {
        EXPECT_FALSE(load(text)) << text;
    }
    EXPECT_EQ(loaded.getPatterns().size(), 1u);
}

TEST_F(CompositionTest, PartsAreSortedByTheLiveOrderAndSkipUnusableMembers) {
    ASSERT_TRUE(load(R"({"activeInstruments": [
            {"name": "kick", "rawPattern": "#", "volume": 1},
            {"name": "snare", "rawPattern": "#", "volume": 1}],
        "parts": {
            "a": {"bpm": 99.5, "instrumentCollection": [
                {"name": "extra", "rawPattern": "#", "volume": 1},
                {"name": "snare", "rawPattern": "-", "volume": 1},
                {"name": "kick", "rawPattern": "-", "volume": 1}]},
            "b": {"instrumentCollection": "none"},
            "c": 5,
            "d": {"bpm": "slow", "instrumentCollection": {}}}})"));
    EXPECT_EQ(loaded.getPartNames(), (std::vector<std::string>{"a", "d"}));
    ASSERT_TRUE(loaded.recallPart("a"));
    EXPECT_EQ(loaded.bpm.load(), 99);
    std::vector<std::string> names;
    for (const auto& p : loaded.getPatterns()) names.push_back(p->name);
    EXPECT_EQ(names, (std::vector<std::string>{"kick", "snare", "extra"}));
    ASSERT_TRUE(loaded.recallPart("d"));
    EXPECT_EQ(loaded.bpm.load(), 120);
}

TEST_F(CompositionTest, LoadingReusesALiveInstrumentButGivesPartsTheirOwnCopies) {
    PatternPtr kick = loaded.getOrCreatePattern("kick");
    load(R"({"activeInstruments": [{"name": "kick", "rawPattern": "#-", "volume": 0.5}],
             "parts": {"a": {"instrumentCollection": [{"name": "kick", "rawPattern": "#", "volume": 1}]}}})");
    EXPECT_EQ(loaded.getPatterns().at(0), kick);
    EXPECT_EQ(patternText(kick->steps), "#-#-#-#-");
    loaded.recallPart("a");
    EXPECT_NE(loaded.getPatterns().at(0), kick);
}

TEST_F(CompositionTest, OutOfRangeNumbersAreClampedOrSkipped) {
    ASSERT_TRUE(load(R"({"bpm": 0, "activeInstruments": [
        {"name": "a", "rawPattern": "#", "volume": 1e300},
        {"name": "b", "rawPattern": "#", "volume": 1, "rand": 1e20},
        {"name": "c", "rawPattern": "#", "volume": 1, "rand": -1e20},
        {"name": "d", "rawPattern": "#99999999999", "volume": 1},
        {"name": "b", "rawPattern": "-", "volume": 0.5}],
        "parts": {"p": {"bpm": -7, "instrumentCollection": []}}})"));
    EXPECT_EQ(loaded.bpm.load(), 1) << "the clock needs a tempo of at least 1";
    EXPECT_EQ(describeLive(),
              "b ######## 1.00 on &2147483647;"
              "c ######## 1.00 on &-2147483648;"
              "d -------- 1.00 on &0;");
    loaded.recallPart("p");
    EXPECT_EQ(loaded.bpm.load(), 1);
}

std::string nested(const std::string& open, const std::string& close, int depth, const std::string& inner) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += open;
    text += inner;
    for (int i = 0; i < depth; ++i) text += close;
    return text;
}

// A document nested deeper than the reader can take is refused before it is read at all.
TEST_F(CompositionTest, NestingBeyondAHundredLevelsMakesTheFileUnreadable) {
    const std::string deepInside = R"({"bpm": 77, "deep": )";
    const struct {
        std::string text;
        bool readable;
    } cases[] = {
        {deepInside + nested("{\"a\":", "}", 99, "1") + "}", true},
        {deepInside + nested("{\"a\":", "}", 100, "1") + "}", false},
        {deepInside + nested("[", "]", 100, "") + "}", false},
        {deepInside + nested("[{\"a\":", "}]", 50, "1") + "}", false},
        {deepInside + nested("{\"a\":", "}", 50000, "1") + "}", false},
        {deepInside + "\"" + std::string(500, '[') + "\\\"{{\"}", true},  // brackets in a string
        {R"({"bpm": 77, "name": ")" + std::string(100000, 'n') + "\"}", true},
    };
    for (const auto& c : cases) {
        loaded.bpm = 120;
        EXPECT_EQ(load(c.text), c.readable) << c.text.substr(0, 60);
        EXPECT_EQ(loaded.bpm.load(), c.readable ? 77 : 120) << c.text.substr(0, 60);
    }
}

}  // namespace
}  // namespace zaffo
