#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace zaffo {

class CommandParser;
class Sequencer;

// The application: owns every long-lived part of the program and wires them together.
class App {
public:
    explicit App(std::string basePath);
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    void run();

    // The command parser, through which typed lines reach the sequencer.
    CommandParser& commandParser() { return *parser; }

private:
    std::unique_ptr<Sequencer> sequencer;
    std::unique_ptr<CommandParser> parser;
    std::unique_ptr<uint32_t> tutorialStep;
    std::string basePath;
    std::string packPath;
};

}  // namespace zaffo
