#include "sequencer/Composition.h"
#include "sequencer/Sequencer.h"
#include "tests/sequencer/Describe.h"

#include <gtest/gtest.h>

namespace zaffo {
namespace {

using testing::describeLive;

// Loads a document written by hand into a sequencer that has every sample.
bool load(Sequencer& sequencer, const std::string& text) {
    sequencer.sampleExists = [](const std::string&) { return true; };
    return sequencer.fromJson(parseComposition(text));
}

// The layout shows in an excerpt of an instrument's entry.
TEST(Composition, WritesEveryFieldIndentedByTwoSpacesAndGivesTheSameBytesSavedAgain) {
    Sequencer sequencer, loaded;
    const std::string kick = R"({"mute": false, "name": "kick", "pattern": [0, null, 5, null, 0, null, 5, null],
        "patternRaw": "#-#5-#-#5-", "rand": 0, "rawPattern": "#-#5-#-#5-",
        "sequence": ["C3", null, "F3", null, "C3", null, "F3", null], "volume": 0.69999998807907104})";
    ASSERT_TRUE(load(sequencer, R"({"activeInstruments": [)" + kick + "]}"));
    sequencer.storePart("a");
    const std::string text = compositionText(sequencer.toJson());
    const std::string entry =
        "[\n    {\n      \"mute\": false,\n      \"name\": \"kick\",\n      \"pattern\": [\n        0,\n";
    EXPECT_NE(text.find(entry), std::string::npos) << text;
    EXPECT_EQ(parseComposition(text), parseComposition(R"({"activeInstruments": [)" + kick + R"(], "bpm": 120,
        "name": "composition", "parts": {"a": {"bpm": 120, "instrumentCollection": {"kick": )" +
                                                       kick + "}}}}"));

    ASSERT_TRUE(load(sequencer, R"({"activeInstruments": [
        {"name": "kick", "rawPattern": "#-#5 -#-2", "volume": 0.7, "rand": 4},
        {"name": "snare", "rawPattern": "--#-", "volume": 0.5, "mute": true}]})"));
    sequencer.storePart("a");
    sequencer.getOrCreatePattern("hh")->volume = 0.3f;
    sequencer.bpm = 97;
    sequencer.storePart("B");

    const std::string saved = compositionText(sequencer.toJson());
    ASSERT_TRUE(load(loaded, saved));
    EXPECT_EQ(compositionText(loaded.toJson()), saved);
    EXPECT_EQ(loaded.getPartNames(), (std::vector<std::string>{"B", "a"})) << "parts in byte order";
}

TEST(Composition, PartsFollowTheLiveOrderKeepCopiesOfTheirOwnAndSkipUnusableMembers) {
    Sequencer loaded;
    loaded.sampleExists = [](const std::string&) { return true; };
    PatternPtr kick = loaded.getOrCreatePattern("kick");
    ASSERT_TRUE(load(loaded, R"({"activeInstruments": [{"name": "kick", "rawPattern": "#-", "volume": 0.5},
            {"name": "snare", "rawPattern": "#", "volume": 1}],
        "parts": {"a": {"bpm": 99.5, "instrumentCollection": [{"name": "extra", "rawPattern": "#", "volume": 1e30},
                {"name": "snare", "rawPattern": "-", "volume": 1}, {"name": "kick", "rawPattern": "-", "volume": 1}]},
            "b": {"instrumentCollection": "none"}, "c": 5, "d": {"bpm": "slow", "instrumentCollection": {}},
            "e": {"bpm": -7, "instrumentCollection": []}}})"));
    EXPECT_EQ(loaded.getPatterns().at(0), kick) << "a live instrument is updated in place";
    EXPECT_EQ(describeLive(loaded), "kick #-#-#-#- 0.5 0 on; snare ######## 1 0 on");
    EXPECT_EQ(testing::join(loaded.getPartNames()), "a; d; e");
    // An instrument that only a part holds is written once, muted, and so loads muted.
    Sequencer again;
    again.fromJson(parseComposition(compositionText(loaded.toJson())));
    EXPECT_EQ(describeLive(again), "kick #-#-#-#- 0.5 0 on; snare ######## 1 0 on; extra ######## 10 0 off");
    EXPECT_EQ(loaded.toJson().get("activeInstruments").get<picojson::array>().size(), 3u);
    ASSERT_TRUE(loaded.recallPart("a"));
    EXPECT_EQ(describeLive(loaded), "kick -------- 1 0 on; snare -------- 1 0 on; extra ######## 10 0 on");
    EXPECT_NE(loaded.getPatterns().at(0), kick) << "a part has copies of its own";
    for (auto [part, tempo] : {std::pair{"a", 99}, {"d", 120}, {"e", 1}}) {
        loaded.recallPart(part);
        EXPECT_EQ(loaded.bpm.load(), tempo) << part;
    }
}

// An object `depth` levels deep inside the tempo 77, every other level an array.
std::string nested(int depth) {
    std::string text = R"({"bpm": 77, "deep": )", closing;
    for (int i = 0; i < depth; ++i) {
        text += i % 2 ? "[" : "{\"a\":";
        closing += i % 2 ? ']' : '}';
    }
    return text + "1" + std::string(closing.rbegin(), closing.rend()) + "}";
}

// A hostile document, and the instruments and tempo that loading it leaves; without instruments nothing changes.
using Hostile = std::tuple<std::string, const char*, int>;

const Hostile hostileDocuments[] = {
    {"[]", nullptr, 133},
    {"not json", nullptr, 133},
    {"", nullptr, 133},
    {R"({"bpm": 1e999})", nullptr, 133},
    // Missing lists become empty, a missing tempo stays.
    {"{}", "", 133},
    {R"({"activeInstruments": {"kick": 1}, "parts": ["a"], "bpm": "fast"})", "", 133},
    // What can be read is read; unusable entries are skipped, a later entry of a name too.
    {R"({"bpm": 140.7, "activeInstruments": [
        {"name": "a", "rawPattern": "#-", "volume": 0.5, "rand": 2.9, "mute": true},
        {"name": "b", "rawPattern": "#-"},
        {"name": "c", "rawPattern": "#-", "volume": "loud"},
        {"name": "d", "patternRaw": "#", "rawPattern": "-", "volume": 1},
        {"name": "e", "patternRaw": 5, "rawPattern": "#--", "volume": 1},
        {"name": "f", "rawPattern": "kick", "volume": 0.25, "mute": false, "rand": 3},
        {"name": "g", "rawPattern": "#-xyz", "volume": 1, "mute": "yes"},
        {"name": 7, "rawPattern": "#", "volume": 1}, ["h"], null, "i", {"name": "j", "volume": 1},
        {"name": "a", "rawPattern": "#", "volume": 1}]})",
     "a #-#-#-#- 0.5 2 off; d ######## 1 0 on; e #--#--#- 1 0 on; f -------- 0.25 3 on; g #-#-#-#- 1 0 on", 140},
    // Numbers out of range are clamped, or the entry is skipped; the clock needs a tempo of 1, a volume is 0 to 10.
    {R"({"bpm": 0, "activeInstruments": [
        {"name": "a", "rawPattern": "#", "volume": 1e300},
        {"name": "b", "rawPattern": "#", "volume": 1, "rand": 1e20},
        {"name": "c", "rawPattern": "#", "volume": 1, "rand": -1e20},
        {"name": "d", "rawPattern": "#99999999999", "volume": 1},
        {"name": "e", "rawPattern": "#", "volume": 1e30}, {"name": "f", "rawPattern": "#", "volume": -3}]})",
     "a ######## 10 0 on; b ######## 1 2147483647 on; c ######## 1 -2147483648 on; d -------- 1 0 on; "
     "e ######## 10 0 on; f ######## 0 0 on",
     1},
    // One byte-order mark before the document is passed over; a second is not.
    {"\xEF\xBB\xBF"
     R"({"bpm": 90, "activeInstruments": [{"name": "a", "rawPattern": "#", "volume": 1}]})",
     "a ######## 1 0 on", 90},
    {"\xEF\xBB\xBF\xEF\xBB\xBF{}", nullptr, 133},
    // A document nested deeper than a hundred levels, arrays and objects together, is refused before it is read.
    {nested(99), "", 77},
    {nested(100), nullptr, 133},
    {nested(50000), nullptr, 133},
    {R"({"bpm": 77, "deep": ")" + std::string(500, '[') + "\\\"{{\"}", "", 77},  // brackets in a string
    {R"({"bpm": 77, "name": ")" + std::string(100000, 'n') + "\"}", "", 77},
};

TEST(CompositionReading, HostileDocumentsLoadWhatIsUsableOrNothing) {
    for (const auto& [text, live, bpm] : hostileDocuments) {
        Sequencer loaded;
        load(loaded, R"({"bpm": 133, "activeInstruments": [{"name": "kick", "rawPattern": "-", "volume": 1}],
            "parts": {"x": {"instrumentCollection": []}}})");
        const std::string what = text.substr(0, 60);
        EXPECT_EQ(load(loaded, text), live != nullptr) << what;
        EXPECT_EQ(describeLive(loaded), live ? live : "kick -------- 1 0 on") << what;
        EXPECT_EQ(loaded.bpm.load(), bpm) << what;
        EXPECT_EQ(testing::join(loaded.getPartNames()), live ? "" : "x") << what;
    }
}

// The MIDI keys are written only for an instrument that sends a note and read back; a value out of range or not a
// number is passed over: no note, or the drum channel. The keys in an entry, and the note and channel read.
TEST(CompositionReading, MidiKeysAppearOnlyWhenUsedAndHostileValuesArePassedOver) {
    const std::tuple<const char*, int, int> cases[] = {
        {"", -1, 10},
        {R"(, "midiNote": 36)", 36, 10},
        {R"(, "midiNote": 127, "midiChannel": 16)", 127, 16},
        {R"(, "midiNote": 128, "midiChannel": 2)", -1, 2},
        {R"(, "midiNote": -1, "midiChannel": 17)", -1, 10},
        {R"(, "midiNote": "36", "midiChannel": 0)", -1, 10},
    };
    for (const auto& [keys, note, channel] : cases) {
        Sequencer sequencer, again;
        const std::string entry = std::string(R"({"name": "kick", "rawPattern": "#", "volume": 1)") + keys + "}";
        ASSERT_TRUE(load(sequencer, R"({"activeInstruments": [)" + entry + "]}")) << keys;
        const PatternPtr kick = sequencer.findPattern("kick");
        ASSERT_TRUE(kick) << keys;
        EXPECT_EQ(std::pair(kick->midiNote, kick->midiChannel), std::pair(note, channel)) << keys;
        const std::string saved = compositionText(sequencer.toJson());
        EXPECT_EQ(saved.find("midiNote") != std::string::npos, note >= 0) << saved;
        ASSERT_TRUE(load(again, saved));
        EXPECT_EQ(again.findPattern("kick")->midiNote, note) << keys;
    }
}

// The steps are written three ways: the pattern text, the pitches, and the notes.
TEST(PatternTextAndNoteName, PitchesOfHitsOnlyAndOffsetZeroAsAPlainHitOrC3WithOctavesRoundedDown) {
    EXPECT_EQ(patternText({Step{true, 9}, Step{false, 7}, Step{true, -2}, Step{true, 0}}), "#9-#-2#----");
    // C3 and F3 are in the saved document above.
    const std::pair<int32_t, const char*> cases[] = {
        {13, "C#4"}, {-1, "B2"}, {-12, "C2"}, {-13, "B1"}, {INT32_MAX, "G178956973"}, {INT32_MIN, "E-178956968"}};
    for (const auto& [pitch, expected] : cases) EXPECT_EQ(noteName(pitch), expected) << pitch;
}

}  // namespace
}  // namespace zaffo
