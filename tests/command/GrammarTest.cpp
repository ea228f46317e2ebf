#include "CommandGrammar.h"
#include "command/CommandParser.h"
#include "command/HelpText.h"
#include "command/ParseListener.h"
#include "sequencer/Sequencer.h"
#include "tests/sequencer/Describe.h"

#include <gtest/gtest.h>
#include <tao/pegtl/contrib/analyze.hpp>

#include <algorithm>
#include <set>
#include <sstream>
#include <stdexcept>

namespace zaffo {
namespace {

// Records every call that the command language makes of the application.
struct FakeListener : ParseListener {
    void selectPack(const std::string& name) override { record("selectPack(" + name + ")"); }
    void setPlaying(bool on) override { record(on ? "play" : "stop"); }
    void setRecording(bool on) override { record(on ? "record(start)" : "record(stop)"); }
    void saveComposition(const std::string& name) override { record("save(" + name + ")"); }
    void loadComposition(const std::string& name) override { record("load(" + name + ")"); }
    void showHelp(const std::string& topic) override { record("help(" + topic + ")"); }
    void startTutorial() override { record("tutorial"); }
    void nextTutorialPage() override { record("next"); }
    bool playSample(const std::string& sample) override {
        return samples.count(sample) && record("audition(" + sample + ")");
    }
    bool hasSample(const std::string& name) override { return samples.count(name) > 0; }
    float getVolume() override { return 1; }
    void setVolume(float volume) override { record("volume(" + std::to_string(volume) + ")"); }
    std::string listSamples() override { return "kick snare\n"; }
    std::string useLink(std::optional<bool> on) override {
        record(on ? (*on ? "link(on)" : "link(off)") : "link()");
        return "Link is off";
    }
    std::vector<std::string> sampleNames() override { return {samples.begin(), samples.end()}; }
    std::string undo() override { return record("undo") ? "undone" : ""; }
    std::string redo() override { return record("redo") ? "redone" : ""; }

    bool record(const std::string& call) {
        calls.push_back(call);
        if (call == failOn) throw std::runtime_error("no room");
        return true;
    }

    std::set<std::string> samples = {"kick", "snare", "hh", "next", "link", "808", "hi-hat", "808 909"};
    std::vector<std::string> calls;
    std::string failOn;  // a call that throws "no room" after it is recorded
};

struct Case {
    std::string lines;  // typed one after another, separated by line breaks
    bool ok;            // this and the rest: of the last line
    const char* message;
    const char* calls;        // listener calls, joined by "; "
    const char* instruments;  // as testing::describeLive shows them
    const char* parts = "";
    const char* failOn = "";  // a listener call that throws "no room"
};

const Case cases[] = {
    // Auditioning: names alone, blanks after them allowed.
    {"kick", true, "", "audition(kick)", ""},
    {"kick ", true, "", "audition(kick)", ""},
    {"kick snare", true, "", "audition(kick); audition(snare)", ""},
    {"HELP", true, "Unknown part/sample: HELP", "", ""},
    // Patterns: one blank before, none after (the lines refused are below).
    {"kick #- -#", true, "", "", "kick #--##--# 1 0 on"},
    // Short patterns repeat and long ones are cut; a minus after a hit is its sign before a digit.
    {"kick #-#-#-#-##--", true, "", "", "kick #-#-#-#- 1 0 on"},
    {"kick #5#-#-2", true, "", "", "kick #5#-#-2#5#-#-2 1 0 on"},
    {"kick #0#", true, "", "", "kick ######## 1 0 on"},
    {"kick #-2147483648-------", true, "", "", "kick #-2147483648------- 1 0 on"},
    {"kick snare #-", true, "", "", "kick #-#-#-#- 1 0 on; snare #-#-#-#- 1 0 on"},
    // The ten instrument forms, and no others.
    {"kick 0.7 #-#- &4", true, "", "", "kick #-#-#-#- 0.7 4 on"},
    {"kick 0.7 &4 #-", true, "", "", "kick #-#-#-#- 0.7 4 on"},
    {"kick #- &4", true, "", "", "kick #-#-#-#- 1 4 on"},
    {"kick &4 #-", true, "", "", "kick #-#-#-#- 1 4 on"},
    {"kick 0.7 #-", true, "", "", "kick #-#-#-#- 0.7 0 on"},
    {"kick 0.7 &4", true, "", "", "kick -------- 0.7 4 on"},
    {"kick 0.7", true, "", "", "kick -------- 0.7 0 on"},
    {"kick &4", true, "", "", "kick -------- 1 4 on"},
    {"kick .5", true, "", "", "kick -------- 0.5 0 on"},
    {"kick 0", true, "", "", "kick -------- 0 0 on"},
    // An instrument plays at most at 10, the master volume has no such limit.
    {"kick 11 #", true, "", "", "kick ######## 10 0 on"},
    {"volume 20", true, "", "volume(20.000000)", ""},
    {"kick\t#-", true, "", "", "kick #-#-#-#- 1 0 on"},
    // Names: letters, one underscore, trailing digits.
    {"hi_hat2 #-", false, "pattern not found: hi_hat2, did you mean hi-hat?", "", ""},
    {"kick xyz #-", false, "pattern not found: xyz", "", "kick -------- 1 0 on"},
    {"parts #-", false, "pattern not found: parts", "", ""},
    {"next #-", true, "", "", "next #-#-#-#- 1 0 on"},
    // Keywords: argument commands take the rest of the line, with or without a blank.
    {"help", true, "", "help()", ""},
    {"help  bpm  ", true, "", "help(bpm)", ""},
    {"helper #-", true, "", "help(er #-)", ""},
    {"use", true, "", "selectPack()", ""},
    {"use default ", true, "kick snare\n", "selectPack(default)", ""},
    {"save x ", true, "", "save(x)", ""},
    {"load x", true, "", "load(x)", ""},
    {"tutorial ", true, "", "tutorial", ""},
    {"next", true, "", "next", ""},
    {"nextx", true, "Unknown part/sample: nextx, did you mean next?", "", ""},
    {"undo ", true, "undone", "undo", ""},
    {"undo #-", false, "pattern not found: undo", "", ""},
    {"recordstart", true, "", "record(start)", ""},
    {"link", true, "Link is off", "link()", ""},
    {"link on ", true, "Link is off", "link(on)", ""},
    {"linkoff", true, "Link is off", "link(off)", ""},
    {"link #-", true, "", "", "link #-#-#-#- 1 0 on"},
    // MIDI: the keyword forms before the instrument forms; the mapping stays with the instrument.
    {"kick #-\nmidi kick", true, "kick sends no MIDI", "", "kick #-#-#-#- 1 0 on"},
    {"midi kick 36", true, "kick sends note 36 on channel 10", "", "kick -------- 1 0 on"},
    {"midi  kick  38  2\nmidi snare 127 16\nmidi", true,
     "kick sends note 38 on channel 2\nsnare sends note 127 on channel 16\n", "",
     "kick -------- 1 0 on; snare -------- 1 0 on"},
    {"midi kick 36\nmidi kick off\nmidi", true, "No instrument sends MIDI", "", "kick -------- 1 0 on"},
    {"midi kick 128", false, "MIDI notes go from 0 to 127", "", ""},
    {"midi kick 36 0", false, "MIDI channels go from 1 to 16", "", ""},
    {"midi hh", false, "pattern not found: hh", "", ""},
    {"link kick", true, "", "audition(link); audition(kick)", ""},
    {"link onx", true, "Unknown part/sample: link", "", ""},
    {"parts", true, "No parts yet. Use\n=monkey\nto create a new snapshot!\n", "", ""},
    {"bpm", true, "120", "", ""},
    // Symbols.
    {". ", true, "", "stop", ""},
    {">", true, "", "play", ""},
    {".kick", true, "", "", "kick -------- 1 0 off"},
    {"> kick snare", true, "", "", "kick -------- 1 0 on; snare -------- 1 0 on"},
    {".xyz", false, "pattern not found: xyz", "", ""},
    // A missing name gets the closest samples (and parts, for a recall), case aside.
    {"h #-", false, "pattern not found: h, did you mean hh or hi-hat?", "", ""},
    {"kick #-\n=verse\nvers", true, "Unknown part/sample: vers, did you mean verse?", "", "kick #-#-#-#- 1 0 on",
     "verse"},
    // The single-word fallback.
    {" kick", true, "", "audition(kick)", ""},
    {"hi-hat", true, "", "audition(hi-hat)", ""},
    // Numbers too large for their field: an error, and nothing changes.
    {"kick #99999999999", false, "number too large: 99999999999", "", ""},
    {"kick &99999999999", false, "number too large: 99999999999", "", ""},
    {"bpm 99999999999", false, "number too large: 99999999999", "", ""},
    {"kick 9999999999999999999999999999999999999999.9", false,
     "number too large: 9999999999999999999999999999999999999999.9", "", ""},
    // Lines one after another. An edit changes only what its line gives, and unmutes.
    {"kick 0.5 #-# &3\n.kick\nkick &4", true, "", "", "kick #-##-##- 0.5 4 on"},
    {"kick 0.5 #-# &3\n.kick\nkick 0.25", true, "", "", "kick #-##-##- 0.25 3 on"},
    {"kick 0.5 #- &2\nkick 0.7 #-#99999999999 &1", false, "number too large: 99999999999", "",
     "kick #-#-#-#- 0.5 2 on"},
    // Names alone audition samples, or recall the part named first when they are not all samples.
    {"kick #-\n=a\nkick #\na", true, "", "", "kick #-#-#-#- 1 0 on", "a"},
    {"kick #-\n=a\nkick #\na kick", true, "", "", "kick #-#-#-#- 1 0 on", "a"},
    {"kick #-\n=a\nkick", true, "", "audition(kick)", "kick #-#-#-#- 1 0 on", "a"},
    // Parts are stored, listed and removed; a live instrument's name stores nothing, silently.
    {"kick #-\n= a \n=b\n=kick\nparts", true, "  * a\n  * b\n", "", "kick #-#-#-#- 1 0 on", "a b"},
    {"kick #-\n=a\n=b\n/ a kick", true, "", "", "", "b"},
    {"/nothing", true, "", "", ""},
    {"kick #-\n=a\n/ ", true, "", "", ""},
    // A part holds copies, which edits before and after a recall leave alone; storing again replaces it in its place.
    {"kick 0.5 #-\n=a\nkick 0.9 -\na\nkick 0.1 -\na", true, "", "", "kick #-#-#-#- 0.5 0 on", "a"},
    {"kick 0.5 #-\n=a\n=b\nkick 0.25 -\n=a\na", true, "", "", "kick -------- 0.25 0 on", "a b"},
    {"kick 0.5 #-\n=a\n=b\nkick 0.25 -\n=a\nb", true, "", "", "kick #-#-#-#- 0.5 0 on", "a b"},
    // An instrument made later reaches every part muted; removing one reaches every part too.
    {"=a\n=b\nhh #-\na", true, "", "", "hh -------- 1 0 off", "a b"},
    {"kick #-\nsnare #-\n=a\n/kick\na", true, "", "", "snare #-#-#-#- 1 0 on", "a"},
    // Errors of the application come back as they are, all through one catch; the call was made.
    {"use x", false, "no room", "selectPack(x)", "", "", "selectPack(x)"},
};

// Lines that match nothing: refused without a message, a call or a change.
const std::string refused[] = {
    // Two blanks around a pattern, or any after it; a number only after a hit; the other orders of the forms.
    "kick #-  ", "kick  #-", "kick #-  -#", "kick #--2", "kick #-#- 0.7 &4", "kick #- 0.7", "kick &4 0.7",
    "kick &4 #- 0.7", "kick &",
    // Names: letters, one underscore, trailing digits; a symbol takes one name and nothing after it.
    "2kick #-", "a_b_c #-", ".kick ", "=", "=a b",
    // Blank lines; the single-word fallback takes one word, not a sample name with a blank inside.
    "", "   ", " kick #-", "808 909", "hh-x", "kick\xff", std::string("kick\0#-", 7)};

void expectLines(const Case& c) {
    Sequencer sequencer;
    FakeListener listener;
    listener.failOn = c.failOn;
    sequencer.sampleExists = [&](const std::string& name) { return listener.hasSample(name); };
    CommandParser parser(&sequencer, &listener);
    ParseResult result;
    for (size_t start = 0, end = 0; start <= c.lines.size(); start = end + 1) {
        end = std::min(c.lines.find('\n', start), c.lines.size());
        listener.calls.clear();
        result = parser.parse(c.lines.substr(start, end - start));
    }
    const std::string what = '"' + c.lines + '"';
    EXPECT_EQ(result.ok, c.ok) << what;
    EXPECT_EQ(result.message, c.message) << what;
    EXPECT_EQ(testing::join(listener.calls), c.calls) << what;
    EXPECT_EQ(testing::describeLive(sequencer), c.instruments) << what;
    EXPECT_EQ(testing::join(sequencer.getPartNames(), " "), c.parts) << what;
}

TEST(Grammar, EveryLineDoesWhatItShould) {
    for (const Case& c : cases) expectLines(c);
    for (const std::string& line : refused) expectLines({line, false, "", "", ""});
}

TEST(Grammar, NoRuleCanLoopWithoutConsumingInput) { EXPECT_EQ(tao::pegtl::analyze<command_grammar::command>(), 0u); }

// Each line, then a tick of some frames at 96000 Hz, and the tempo after it.
TEST(CommandParser, TempoChangesAnimateFromTheNextTick) {
    Sequencer sequencer;
    CommandParser parser(&sequencer, nullptr);
    const std::tuple<const char*, int32_t, int32_t> cases[] = {
        {"bpm140", 0, 120},  // the clock applies it
        {"bpm", 1, 140},
        {"bpm 100.5", 9600, 136},  // 100 reached over half a second
        {"bpm 0", 38400, 100},     // and a tempo below 1 changes nothing
    };
    PeriodReport report;
    for (const auto& [line, frames, tempo] : cases) {
        parser.parse(line);
        sequencer.tick(frames, 96000, report);
        EXPECT_EQ(sequencer.bpm.load(), tempo) << line;
    }
}

// Each help text and tutorial page: lines within the log's 48 columns, no web address, and the help texts, the first
// page and the closing one within its 10 lines with the command's. Past the closing page it comes again.
TEST(HelpAndTutorial, EveryTextFitsTheLogAndAnUnknownTopicSaysSoBeforeTheList) {
    std::vector<std::vector<std::string>> texts{helpLines("")};
    std::istringstream list(testing::join(helpLines(""), " "));
    for (std::string word, topic; list >> word;) {
        if (word != "help" || !(list >> topic)) continue;
        texts.push_back(helpLines(topic));
        EXPECT_FALSE(texts.back().front().starts_with("No help on")) << topic;
    }
    const std::size_t help = texts.size();
    EXPECT_EQ(std::set(texts.begin(), texts.end()).size(), 15u) << "fourteen topics, each with a text of its own";
    for (uint32_t counter = 0; texts.size() == help || (counter != 0 && texts.size() < help + 100);)
        texts.push_back(nextTutorialLines(counter));
    uint32_t past = 4000000000;
    EXPECT_EQ(nextTutorialLines(past), texts.back());
    EXPECT_EQ(std::pair(past, texts.size() - help), std::pair(0u, std::size_t{12})) << "twelve pages, then the first";
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_TRUE(texts[i].size() <= 9u || (i > help && i + 1 < texts.size())) << texts[i].front();
        for (const std::string& line : texts[i]) {
            EXPECT_LE(line.size(), 48u) << line;
            EXPECT_TRUE(line.find("http") == line.npos && line.find("www.") == line.npos) << line;
        }
    }
    for (const char* topic : {"drums", "Pitch", "pitch "}) {
        std::vector<std::string> lines = helpLines(topic);
        EXPECT_EQ(lines.front(), "No help on '" + std::string(topic) + "'.");
        lines.erase(lines.begin());
        EXPECT_EQ(lines, helpLines("")) << "an unknown or miscased topic says so, then lists the topics";
    }
}

}  // namespace
}  // namespace zaffo
