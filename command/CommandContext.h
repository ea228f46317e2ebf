#pragma once

#include "sequencer/Step.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace zaffo {

class CommandParser;
class Sequencer;

// A command that was understood but cannot be done; its text is what the user sees.
struct CommandError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// What a command returns: whether it was understood and done, and its text output (UTF-8,
// lines separated by "\n"), or the error text when it failed.
struct ParseResult {
    bool ok = false;
    std::string message;
};

// The values collected while one line is parsed; made afresh for every line.
struct CommandContext {
    Sequencer* sequencer = nullptr;
    CommandParser* parser = nullptr;
    std::vector<std::string> partNames;
    std::vector<std::string> names;
    std::vector<Step> steps;
    bool stepOn = false;
    int32_t stepPitch = 0;
    int32_t rand = -1;     // -1: not given
    float volume = -1.0f;  // negative: not given
    int32_t bpm = 120;
    double seconds = 0.0;
    int32_t midiNote = -1;
    int32_t midiChannel = 10;
    std::string argument;
    std::string message;
};

}  // namespace zaffo
