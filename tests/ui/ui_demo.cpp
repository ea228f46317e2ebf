// The terminal test's screen: the last event, the characters typed, and counts of the event and task that
// another thread posts when P is typed. X makes another thread end the loop; S hangs it.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <thread>

#include "ui/Components.h"
#include "ui/Elements.h"
#include "ui/ScreenInteractive.h"
#include "ui/custom_Border.h"

using namespace zaffo::ui;

std::string describe(const Event& event) {
    // Named keys as tmux names them.
    static const char* const kinds[] = {"char ", "mouse", "custom", "resize", "Left", "Right", "Up",  "Down",  "Tab",
                                        "BTab",  "Enter", "Escape", "BSpace", "DC",   "Home",  "End", "PPage", "NPage"};
    const Mouse& m = event.mouse();
    std::string where = " " + std::to_string(m.button) + "/" + std::to_string(m.motion) + " at " + std::to_string(m.x) +
                        "," + std::to_string(m.y);
    return kinds[static_cast<int>(event.kind())] + (event.is_mouse() ? where : event.character());
}

int main() {
    auto screen = ScreenInteractive::Fullscreen();
    std::string lastEvent = "none", typed;
    int customSeen = 0, tasksRun = 0;
    std::thread helper;
    auto onHelper = [&](auto work) {
        if (helper.joinable()) helper.join();
        helper = std::thread(std::move(work));
    };
    auto render = [&] {
        Element info = vbox({text("pid " + std::to_string(getpid())), text("last " + lastEvent), text("typed " + typed),
                             text("seen " + std::to_string(customSeen) + " tasks " + std::to_string(tasksRun)),
                             text("wide 世界|") | bold | color(Color::Green)});
        return std::make_shared<custom_Border>(Elements{info, text("Info")}, 0);
    };
    auto handle = [&](Event event) {
        if (event == Event::Character('S')) std::this_thread::sleep_for(std::chrono::seconds(60));  // stuck
        if (event == Event::Character('X')) onHelper([&] { screen.Exit(); });
        if (event == Event::Character('P'))
            onHelper([&] {
                screen.PostEvent(Event::Custom);
                screen.Post([&] { ++tasksRun; });
            });
        lastEvent = describe(event);
        if (event.is_character()) typed += event.character();
        customSeen += event == Event::Custom;
        return false;
    };
    int status = 0;
    try {
        screen.Loop(CatchEvent(Renderer(render), handle));
    } catch (const std::exception& error) {
        std::printf("error: %s\n", error.what());
        status = 1;
    }
    if (helper.joinable()) helper.join();
    std::printf("bye from the demo\n");  // Loop returned
    return status;
}
