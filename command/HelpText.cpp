#include "command/HelpText.h"

#include <map>

namespace zaffo {
namespace {

using Lines = std::vector<std::string>;

const std::map<std::string, Lines>& helpTopics() {
    static const std::map<std::string, Lines> topics = {
        {"samples",
         {"kick 0.7 #- &4", " -> set kick volume to 70%, pattern to #-", "    and randomize every 4 measures",
          "kick 0.5", " -> set kick volume to 50%", "kick &5", " -> randomize every 5 measures"}},
        {"pitch",
         {"kick #5#-#-2", " -> sets the kick pattern to:", "    #5  means raised by 5 semitones",
          "    #   means not raised", "    -   means silent", "    #-2 means lowered by two semis"}},
        {"parts",
         {"=a", " -> save current state as part 'a'", "a", " -> load part named 'a'", "/a", " -> delete part named 'a'",
          "parts", " -> list all parts"}},
        {"packs",
         {"use tarvik", " -> load the tarvik instruments", "use default", " -> load the default instruments",
          "TBD: no command to list packs"}},
        {"bpm",
         {"bpm 140", " -> change tempo to 140 bpm ", "", "bpm 160 5", " -> animate tempo to 160 bpm ",
          "    within 5 seconds", ""}},
        {"io",
         {"save monkey", " -> save to a file called monkey.json", "load monkey",
          " -> load from a file called monkey.json"}},
        {"record", {"record start", " -> begin recording", "record stop", " -> stop recording"}},
        {"midi",
         {"midi kick 36", " -> kick also sends MIDI note 36 on channel 10", "midi kick 36 2",
          " -> the same on channel 2", "midi kick", " -> what kick sends", "midi kick off", " -> kick sends no MIDI",
          "midi", " -> list what sends MIDI", "Through a JACK server, with its clock"}},
        {"about",
         {"Zaffo, a live-coding drum machine", "Type patterns, hear them, record what you play", "",
          "Terminal version by the Zaffo developers", "On ncurses, SDL2, libsndfile and libsamplerate"}},
    };
    return topics;
}

const Lines topicList = {
    "Use one of the following: ", "help samples", "help pitch", "help parts", "help packs", "help bpm", "help io",
    "help record, help midi",     "help about"};

const std::vector<Lines>& tutorialPages() {
    static const std::vector<Lines> pages = {
        {"Welcome to Zaffo!", "On the right you see all loaded samples. ",
         "Type the name of a sample to listen to it. ", "Try it out! Type 'kick' and press enter. ", "",
         "Then 'next' to continue with the tutorial"},
        {"In a pattern", "      # means a step is on", "      - means a step is off", "",
         "Type the following and press enter ", "after each line:", "  kick #--", "  hh #-", "",
         "Then type 'next' to continue with the tutorial"},
        {"To set the kickdrum volume to 0.5, type: ", "  hh 0.5", "", "Or do everything at once: ", "  hh 0.7 #--#-",
         "", "Type 'next' to continue with the tutorial"},
        {"To store a user part type:", "  =a", "", "It will make sense later :) ", "",
         "Type 'next' to continue with the tutorial"},
        {"To randomize steps every other bar use", "  percy #-#-#-- &2", "", "To stop random again, use ", "  percy &0",
         "", "Type 'next' to continue with the tutorial"},
        {"You can stop a sample with the '.' command.", "  .percy", "  .hh", "",
         "To activate a sample again, use '>': ", "  >percy", "", "Type 'next' to continue with the tutorial"},
        {"Instead of just '#' you can add a number,", "for instance '#5' to shift by semi tones.",
         "Try this: ", "  kick ##12#24#36", "  percy #1#2#3#4#5#6#7#8", "Type 'next' to continue with the tutorial"},
        {"Let's save another user part, and restore", "some old work. Type this: ", "", "  =b", "  a", "  b", "",
         "Type 'next' to continue with the tutorial"},
        {"To save all your hard work to a file, type: ", "  save monkey", "", "To load your file again type",
         "  load monkey", "", "Type 'next' to continue with the tutorial"},
        {"To remove a single instrument, use '/': ", "  /percy", "  /hh", "",
         "To delete everything use just '/' by itself.", "", "Type 'next' to continue with the tutorial"},
        {"To change the tempo of the file you can use ", "  bpm 140", "", "Or to change the tempo to 160 bpm within ",
         "the next 10 seconds: ", "  bpm 200 10", "", "Type 'next' to continue with the tutorial"},
        {"You have reached the end of the tutorial. ", "Type 'help' to get more detailed explanations. ", "",
         "There is a also a file 'readme.txt' which has ", "a more structured explanation", "",
         "Now play around and have fun!"},
    };
    return pages;
}

}  // namespace

std::vector<std::string> helpLines(const std::string& topic) {
    const auto& topics = helpTopics();
    auto it = topics.find(topic);
    return it == topics.end() ? topicList : it->second;
}

std::vector<std::string> nextTutorialLines(uint32_t& tutorialStep) {
    const auto& pages = tutorialPages();
    const uint32_t lastPage = static_cast<uint32_t>(pages.size() - 1);
    if (tutorialStep >= lastPage) {
        tutorialStep = 0;
        return pages[lastPage];
    }
    return pages[tutorialStep++];
}

}  // namespace zaffo
