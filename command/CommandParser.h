#pragma once

#include "command/CommandContext.h"

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

    Sequencer* const sequencer;
    ParseListener* const listener;
};

}  // namespace zaffo
