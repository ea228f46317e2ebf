#include "app/App.h"
#include "library/PathParts.h"

#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

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
    std::cout << "hi!" << std::endl;
    const std::string basePath = programFolder(argc > 0 ? argv[0] : nullptr);
    try {
        auto app = std::make_unique<zaffo::App>(basePath);
        app->run();
    } catch (const std::exception& error) {
        std::cout << "error: " << error.what() << std::endl;
    }
    return 0;
}
