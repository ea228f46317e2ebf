#pragma once

#include "core/OfflineRender.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace zaffo {

struct RenderOptions {
    std::string composition;
    std::vector<RenderSection> sections;  // never empty
    std::optional<std::uint32_t> seed;
    std::string output;  // empty: beside the composition
    std::string stems;   // empty: no stems
    bool force = false;  // stems may replace files of the same names
};

struct CommandLine {
    enum class Action { play, render, send, help, version };
    Action action = Action::play;
    RenderOptions render;
    std::vector<std::string> sent;  // empty: the lines of standard input
};

// A command line that asks for nothing the program does.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The arguments after the program's name. Throws UsageError.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);
std::string usageText();
std::string versionText();

}  // namespace zaffo
