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
};

struct CommandLine {
    enum class Action { play, render, help, version };
    Action action = Action::play;
    RenderOptions render;
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
