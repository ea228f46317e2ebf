#pragma once

#include "command/CommandContext.h"
#include "sequencer/Step.h"

#include <string>

namespace zaffo {

class Sequencer;
struct ParseListener;

// Turns one typed line into its effects on the sequencer and the application.
class CommandParser {
public:
    // Neither pointer is owned. Without a listener, commands for the application are skipped.
    CommandParser(Sequencer* sequencer, ParseListener* listener);

    // Runs one line (UTF-8, no line end). Never throws: errors come back as the message.
    ParseResult parse(const std::string& line);
    // Reads a stored pattern text into an instrument's eight steps.
    ParseResult parsePattern(const std::string& text, Steps& steps);

    Sequencer* const sequencer;
    ParseListener* const listener;
};

}  // namespace zaffo
