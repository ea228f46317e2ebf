#include "app/App.h"
#include "app/CommandLine.h"
#include "app/RenderCommand.h"
#include "app/SendCommand.h"
#include "library/PathParts.h"

#include <unistd.h>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

// The folder of the program file. A bare name (the program found on the PATH) has no folder
// part, so the kernel's link to the running executable tells where it lives.
std::string programFolder(const char* argument) {
    std::string folder = zaffo::splitPath(argument ? argument : "").dir;
    if (!folder.empty()) {
        return folder;
    }
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? "" : zaffo::splitPath(executable.string()).dir;
}

}  // namespace

int main(int argc, char** argv) {
    zaffo::CommandLine line;
    try {
        line = zaffo::parseCommandLine(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
    } catch (const zaffo::UsageError& error) {
        std::cerr << "error: " << error.what() << "\n\n" << zaffo::usageText();
        return 2;
    }
    switch (line.action) {
        case zaffo::CommandLine::Action::help:
            std::cout << zaffo::usageText();
            return 0;
        case zaffo::CommandLine::Action::version:
            std::cout << zaffo::versionText() << std::endl;
            return 0;
        case zaffo::CommandLine::Action::render:
            try {
                return zaffo::renderCommand(line.render, programFolder(argc > 0 ? argv[0] : nullptr));
            } catch (const std::exception& error) {
                std::cerr << "error: " << error.what() << std::endl;
                return 1;
            }
        case zaffo::CommandLine::Action::send:
            return zaffo::sendCommand(line.sent, std::cin, std::cout, std::cerr, isatty(STDOUT_FILENO) == 1);
        case zaffo::CommandLine::Action::play:
            break;
    }
    std::cout << "hi!" << std::endl;
    const std::string basePath = programFolder(argc > 0 ? argv[0] : nullptr);
    try {
        auto app = std::make_unique<zaffo::App>(basePath);
        app->run();
    } catch (const std::exception& error) {
        // A failure, such as no terminal to show the screen on, is said where errors go.
        std::cerr << "error: " << error.what() << std::endl;
        return 1;
    }
    return 0;
}
