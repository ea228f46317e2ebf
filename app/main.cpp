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

// The folder of the program file itself, also when it was started through a symbolic link (as
// ~/.local/bin/zaffo is): the kernel's link to the running executable names the real file.
std::string programFolder(const char* argument) {
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) return zaffo::splitPath(executable.string()).dir;
    const std::string path = argument ? argument : "";
    const auto real = std::filesystem::canonical(path, error);
    return zaffo::splitPath(error ? path : real.string()).dir;
}

}  // namespace

int main(int argc, char** argv) {
    zaffo::CommandLine line;
    try {
        line = zaffo::parseCommandLine(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
    } catch (const zaffo::UsageError& error) {
        std::cerr << "zaffo: " << error.what() << "\nTry 'zaffo --help'." << std::endl;
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
                std::cerr << "zaffo: " << error.what() << std::endl;
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
        std::cerr << "zaffo: " << error.what() << std::endl;
        return 1;
    }
    return 0;
}
