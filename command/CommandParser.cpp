#include "command/CommandParser.h"

#include "CommandActions.h"
#include "command/ParseListener.h"
#include "sequencer/PatternGrammar.h"
#include "sequencer/Sequencer.h"

#include <exception>

namespace zaffo {
namespace {

std::string trimSpaces(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

CommandParser::CommandParser(Sequencer* sequencer, ParseListener* listener)
    : sequencer(sequencer), listener(listener) {}

ParseResult CommandParser::parse(const std::string& line) {
    try {
        CommandContext context;
        context.sequencer = sequencer;
        context.parser = this;
        context.partNames = sequencer->getPartNames();

        tao::pegtl::memory_input<> in(line.data(), line.size(), "src");
        if (tao::pegtl::parse<command_grammar::command, command_grammar::action>(in, context)) {
            return {true, context.message};
        }
        // A single word that is no command may still be a sample to audition, such as "808".
        const std::string word = trimSpaces(line);
        if (word.find(' ') == std::string::npos && listener && listener->playSample(word)) {
            return {true, ""};
        }
        return {false, context.message};
    } catch (const tao::pegtl::parse_error& error) {
        return {false, std::string(error.message())};
    } catch (const std::exception& error) {
        return {false, error.what()};
    }
}

}  // namespace zaffo
