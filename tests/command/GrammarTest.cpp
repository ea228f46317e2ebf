// Each typed line against what it must do: whether it is accepted, its text, the calls it makes
// of the application and the instruments it leaves behind.

#include "FakeListener.h"
#include "command/CommandGrammar.h"
#include "command/CommandParser.h"
#include "sequencer/Sequencer.h"

#include <gtest/gtest.h>
#include <tao/pegtl/contrib/analyze.hpp>

#include <sstream>

namespace zaffo {
namespace {

struct Case {
    std::string line;
    bool ok;
    const char* message;
    const char* calls;        // listener calls, joined by "; "
    const char* instruments;  // "name pattern volume rand on|off", joined by "; "
};

std::string join(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) text += (text.empty() ? "" : "; ") + item;
    return text;
}

std::string describe(Sequencer& sequencer) {
    std::vector<std::string> rows;
    for (const auto& p : sequencer.getPatterns()) {
        std::ostringstream row;
        row << p->name << ' ' << patternText(p->steps) << ' ' << p->volume << ' ' << p->rand << ' '
            << (p->active ? "on" : "off");
        rows.push_back(row.str());
    }
    return join(rows);
}

const Case cases[] = {
    // Auditioning: names alone, blanks after them allowed.
    {"kick", true, "", "audition(kick)", ""},
    {"kick ", true, "", "audition(kick)", ""},
    {"kick  ", true, "", "audition(kick)", ""},
    {"kick snare", true, "", "audition(kick); audition(snare)", ""},
    {"kick xyz", true, "Unknown part/sample: kick", "", ""},
    {"HELP", true, "Unknown part/sample: HELP", "", ""},
    // Patterns: exactly one blank before, none after.
    {"kick #-", true, "", "", "kick #-#-#-#- 1 0 on"},
    {"kick #-  ", false, "", "", ""},
    {"kick  #-", false, "", "", ""},
    {"kick #", true, "", "", "kick ######## 1 0 on"},
    {"kick -", true, "", "", "kick -------- 1 0 on"},
    {"kick #--", true, "", "", "kick #--#--#- 1 0 on"},
    {"kick #5#-#-2", true, "", "", "kick #5#-#-2#5#-#-2 1 0 on"},
    {"kick #--2", false, "", "", ""},
    {"kick #- -#", true, "", "", "kick #--##--# 1 0 on"},
    {"kick snare #-", true, "", "", "kick #-#-#-#- 1 0 on; snare #-#-#-#- 1 0 on"},
    {"kick #-  -#", false, "", "", ""},
    // The ten instrument forms, and no others.
    {"kick 0.7 #-#- &4", true, "", "", "kick #-#-#-#- 0.7 4 on"},
    {"kick 0.7 &4 #-", true, "", "", "kick #-#-#-#- 0.7 4 on"},
    {"kick #- &4", true, "", "", "kick #-#-#-#- 1 4 on"},
    {"kick &4 #-", true, "", "", "kick #-#-#-#- 1 4 on"},
    {"kick 0.7 #-", true, "", "", "kick #-#-#-#- 0.7 0 on"},
    {"kick 0.7 &4", true, "", "", "kick -------- 0.7 4 on"},
    {"kick 0.7", true, "", "", "kick -------- 0.7 0 on"},
    {"kick &4", true, "", "", "kick -------- 1 4 on"},
    {"kick #-#- 0.7 &4", false, "", "", ""},
    {"kick #- 0.7", false, "", "", ""},
    {"kick &4 0.7", false, "", "", ""},
    {"kick &4 #- 0.7", false, "", "", ""},
    {"kick 1.", true, "", "", "kick -------- 1 0 on"},
    {"kick .5", true, "", "", "kick -------- 0.5 0 on"},
    {"kick 0", true, "", "", "kick -------- 0 0 on"},
    {"kick &0", true, "", "", "kick -------- 1 0 on"},
    {"kick &", false, "", "", ""},
    {"kick\t#-", true, "", "", "kick #-#-#-#- 1 0 on"},
    // Names: letters, one underscore, trailing digits.
    {"2kick #-", false, "", "", ""},
    {"a_b_c #-", false, "", "", ""},
    {"hi_hat2 #-", false, "pattern not found: hi_hat2", "", ""},
    {"kick xyz #-", false, "pattern not found: xyz", "", "kick -------- 1 0 on"},
    {"parts #-", false, "pattern not found: parts", "", ""},
    {"next #-", true, "", "", "next #-#-#-#- 1 0 on"},
    // Keywords: argument commands take the rest of the line, with or without a blank.
    {"help", true, "", "help()", ""},
    {"help  bpm  ", true, "", "help(bpm)", ""},
    {"helpbpm", true, "", "help(bpm)", ""},
    {"helper #-", true, "", "help(er #-)", ""},
    {"use", true, "", "selectPack()", ""},
    {"usedefault", true, "kick snare\n", "selectPack(default)", ""},
    {"use default ", true, "kick snare\n", "selectPack(default)", ""},
    {"save", true, "", "save()", ""},
    {"save x ", true, "", "save(x)", ""},
    {"load x", true, "", "load(x)", ""},
    {"tutorial ", true, "", "tutorial", ""},
    {"next", true, "", "next", ""},
    {"nextx", true, "Unknown part/sample: nextx", "", ""},
    {"record start ", true, "", "record(start)", ""},
    {"recordstart", true, "", "record(start)", ""},
    {"record stop", true, "", "record(stop)", ""},
    {"link", true, "Link is off", "link()", ""},
    {"link on ", true, "Link is off", "link(on)", ""},
    {"linkoff", true, "Link is off", "link(off)", ""},
    {"link #-", true, "", "", "link #-#-#-#- 1 0 on"},
    {"link kick", true, "", "audition(link); audition(kick)", ""},
    {"link onx", true, "Unknown part/sample: link", "", ""},
    {"volume", true, "1.000000", "", ""},
    {"volume 0.5 ", true, "", "volume(0.500000)", ""},
    {"samples", true, "kick snare\n", "", ""},
    {"parts", true, "No parts yet. Use\n=monkey\nto create a new snapshot!\n", "", ""},
    {"bpm", true, "120", "", ""},
    {"bpm #-", false, "pattern not found: bpm", "", ""},
    // Symbols.
    {".", true, "", "stop", ""},
    {". ", true, "", "stop", ""},
    {">", true, "", "play", ""},
    {".kick", true, "", "", "kick -------- 1 0 off"},
    {".kick ", false, "", "", ""},
    {"> kick snare", true, "", "", "kick -------- 1 0 on; snare -------- 1 0 on"},
    {".xyz", false, "pattern not found: xyz", "", ""},
    {"=", false, "", "", ""},
    {"=a b", false, "", "", ""},
    // Lines that match nothing, and the single-word fallback.
    {"", false, "", "", ""},
    {"   ", false, "", "", ""},
    {" kick", true, "", "audition(kick)", ""},
    {" kick #-", false, "", "", ""},
    {"808", true, "", "audition(808)", ""},
    {"hi-hat", true, "", "audition(hi-hat)", ""},
    {"hh-x", false, "", "", ""},
    {"kick\xff", false, "", "", ""},
    {std::string("kick\0#-", 7), false, "", "", ""},
    // Numbers too large for their field: an error, and nothing changes.
    {"kick #99999999999", false, "number too large: 99999999999", "", ""},
    {"kick #-99999999999", false, "number too large: -99999999999", "", ""},
    {"kick &99999999999", false, "number too large: 99999999999", "", ""},
    {"bpm 99999999999", false, "number too large: 99999999999", "", ""},
    {"kick 9999999999999999999999999999999999999999.9", false,
     "number too large: 9999999999999999999999999999999999999999.9", "", ""},
};

TEST(Grammar, EveryLineDoesWhatItShould) {
    for (const Case& c : cases) {
        Sequencer sequencer;
        FakeListener listener;
        sequencer.sampleExists = [&](const std::string& name) { return listener.hasSample(name); };
        CommandParser parser(&sequencer, &listener);

        ParseResult result = parser.parse(c.line);
        EXPECT_EQ(result.ok, c.ok) << '"' << c.line << '"';
        EXPECT_EQ(result.message, c.message) << '"' << c.line << '"';
        EXPECT_EQ(join(listener.calls), c.calls) << '"' << c.line << '"';
        EXPECT_EQ(describe(sequencer), c.instruments) << '"' << c.line << '"';
    }
}

TEST(Grammar, NoRuleCanLoopWithoutConsumingInput) {
    EXPECT_EQ(tao::pegtl::analyze<command_grammar::command>(), 0u);
}

}  // namespace
}  // namespace zaffo
