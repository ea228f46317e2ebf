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
         {"use tarvik", " -> load the tarvik instruments", "use default", " -> load the default instruments", "use",
          " -> list the sample packs"}},
        {"bpm",
         {"bpm 140", " -> change tempo to 140 bpm ", "", "bpm 160 5", " -> animate tempo to 160 bpm ",
          "    within 5 seconds", ""}},
        {"io",
         {"save monkey", " -> save to a file called monkey.json", "load monkey",
          " -> load from a file called monkey.json"}},
        {"record", {"record start", " -> begin recording", "record stop", " -> stop recording"}},
        {"mute",
         {".kick", " -> mute kick; it keeps its steps", ">kick", " -> unmute kick", "/kick",
          " -> remove kick, and a part named kick", "/", " -> remove every instrument and part",
          ". and > alone stop and start playing"}},
        {"undo",
         {"undo", " -> bring back instruments, parts, tempo", "    and pack as before the last change", "redo",
          " -> make the change undone again", "", "The last 100 changes can be undone."}},
        {"link",
         {"link on", " -> play in time with Link players on this", "    network: tempo, beat, start and stop",
          "link off", " -> play on your own again", "link", " -> say whether Link is on, and the peers",
          "The Link box in Settings does the same."}},
        {"keys",
         {"Enter        run the line; Up, Down: earlier", "Left, Right  move; Home or Ctrl+A: to start,",
          "             End or Ctrl+E: to the end", "Ctrl+U, Ctrl+K  delete to the start, the end",
          "Ctrl+W       delete the word before", "Escape       clear the line",
          "Tab, Shift+Tab  to the Settings and back;", "             Space toggles, Left/Right slide",
          "Mouse: click, drag sliders, wheel scrolls"}},
        {"basic",
         {"The Basic box in Settings (on at start)", "shows each step as # (on) or - (off).",
          "Turned off, the steps show their pitch", "(#5, #-2) and names get more room.",
          "Tab to the box and press Space, or click it."}},
        {"midi",
         {"midi kick 36", " -> kick also sends note 36 on channel 10", "midi kick 36 2", " -> the same on channel 2",
          "midi kick", " -> what kick sends; midi kick off: nothing", "midi", " -> list what sends MIDI",
          "Through a JACK server, with its clock"}},
        {"about",
         {"Zaffo, a live-coding drum machine", "Type patterns, hear them, record what you play", "",
          "Terminal version by the Zaffo developers", "On ncurses, SDL2, libsndfile and libsoxr"}},
    };
    return topics;
}

const Lines topicList = {"Use one of the following: ",
                         "help samples   help pitch     help parts",
                         "help packs     help bpm       help io",
                         "help record    help mute      help undo",
                         "help link      help keys      help basic",
                         "help midi      help about"};

const std::vector<Lines>& tutorialPages() {
    static const std::vector<Lines> pages = {
        {"Welcome to Zaffo!", "Type 'samples' to see all loaded samples. ",
         "Type the name of a sample to listen to it. ", "Try it out! Type 'kick' and press enter. ", "",
         "Then 'next' to continue with the tutorial"},
        {"In a pattern", "      # means a step is on", "      - means a step is off", "",
         "Type the following and press enter ", "after each line:", "  kick #--", "  hh #-", "",
         "Then type 'next' to continue with the tutorial"},
        {"To set the kickdrum volume to 0.5, type: ", "  kick 0.5", "", "Or do everything at once: ", "  hh 0.7 #--#-",
         "", "Type 'next' to continue with the tutorial"},
        {"To store a user part type:", "  =a", "", "It will make sense later :) ", "",
         "Type 'next' to continue with the tutorial"},
        {"To randomize steps every other bar use", "  percy #-#-#-- &2", "", "To stop random again, use ", "  percy &0",
         "", "Type 'next' to continue with the tutorial"},
        {"You can stop a sample with the '.' command.", "  .percy", "  .hh", "",
         "To activate a sample again, use '>': ", "  >percy", "", "Type 'next' to continue with the tutorial"},
        {"Instead of just '#' you can add a number,", "for instance '#5' to shift by semi tones.",
         "Try this: ", "  kick ##12#24#36", "  percy #1#2#3#4#5#6#7#8", "Clear Basic in Settings to see the pitches.",
         "Type 'next' to continue with the tutorial"},
        {"Let's save another user part, and restore", "some old work. Type this: ", "", "  =b", "  a", "  b", "",
         "Type 'next' to continue with the tutorial"},
        {"To save all your hard work to a file, type: ", "  save monkey", "", "To load your file again type",
         "  load monkey", "", "Type 'next' to continue with the tutorial"},
        {"To remove a single instrument, use '/': ", "  /percy", "  /hh", "",
         "To delete everything use just '/' by itself.", "", "Type 'next' to continue with the tutorial"},
        {"To change the tempo of the file you can use ", "  bpm 140", "", "Or to change the tempo to 160 bpm within ",
         "the next 10 seconds: ", "  bpm 160 10", "", "Type 'next' to continue with the tutorial"},
        {"You have reached the end of the tutorial. ", "Type 'help' to get more detailed explanations. ", "",
         "'help keys' shows the keys, and 'undo' takes ", "back a change you did not mean.", "",
         "Now play around and have fun!"},
    };
    return pages;
}

}  // namespace

std::vector<std::string> helpLines(const std::string& topic) {
    const auto& topics = helpTopics();
    auto it = topics.find(topic);
    if (it != topics.end()) return it->second;
    if (topic.empty()) return topicList;
    // Said before the list, within the width of the log.
    constexpr size_t longestShown = 20;
    const bool cut = topic.size() > longestShown;
    std::string shown = topic.substr(0, longestShown);
    while (cut && !shown.empty() && (shown.back() & 0xC0) == 0x80) shown.pop_back();  // whole characters
    if (cut && !shown.empty() && (shown.back() & 0x80) != 0) shown.pop_back();
    Lines lines{"No help on '" + shown + (cut ? "...'." : "'.")};
    lines.insert(lines.end(), topicList.begin(), topicList.end());
    return lines;
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
