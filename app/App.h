#pragma once

#include "app/MessageLog.h"
#include "core/CommandRunner.h"
#include "core/Core.h"

#include <cstdint>
#include <string>

namespace zaffo {

// The interactive program: the core with a full-screen interface around it. Owns the screen
// while it runs, the message log and the tutorial counter; everything that plays is the core's.
class App {
public:
    explicit App(std::string basePath);
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // Starts the sound, shows the screen and plays until the screen loop ends.
    void run();

    Core& core() { return core_; }
    CommandRunner& commands() { return commands_; }
    MessageLog& messageLog() { return log; }

private:
    // Stops the threads that post to the screen, before it goes away.
    void stopTalkingToTheScreen();

    MessageLog log;  // first: the core's news from its start go there
    Core core_;
    uint32_t tutorialStep = 0;
    CommandRunner commands_;
};

}  // namespace zaffo
