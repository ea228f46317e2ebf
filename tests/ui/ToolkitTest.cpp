// The terminal toolkit without a terminal: elements drawn into a cell grid, components fed events.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "ui/Components.h"
#include "ui/Elements.h"
#include "ui/ScreenInteractive.h"
#include "ui/ScrollerBase.h"
#include "ui/Utf8.h"
#include "ui/custom_Border.h"

namespace zaffo::ui {
namespace {

std::string renderToText(const Element& element, int width, int height) {
    Screen screen(width, height);
    Render(screen, element);
    return screen.toString();
}

Element border(Element content, int style = 0, Element title = nullptr) {
    return std::make_shared<custom_Border>(title ? Elements{content, title} : Elements{content}, style);
}

// Rows "0", "1"... after the prefix, with the row `marked` decorated by `marker`.
Element numberedRows(int count, int marked, Decorator marker = focus, std::string prefix = "") {
    Elements rows;
    for (int i = 0; i < count; ++i) rows.push_back(text(prefix + std::to_string(i)) | (i == marked ? marker : nothing));
    return vbox(std::move(rows));
}

Element flexRow() { return hbox({text("ab"), text("cd") | flex, text("ef") | size(WIDTH, EQUAL, 3), text("gh")}); }

TEST(Render, DrawsEveryKindOfElementIntoItsBox) {
    // Each element is drawn into a box the size of its picture; a box of any other size, even none, holds what fits.
    const std::pair<Element, std::string> cases[] = {
        {text("hello"), "hel\n   "},
        {hbox({text(L"a世b"), text("|")}), "a世b| "},             // a wide character takes two cells
        {text("a世"), "a "},                                      // and is left out when it does not fit whole
        {hbox({text("e\xCC\x81x"), text("|")}), "e\xCC\x81x| "},  // a combining mark joins its base
        {text("a\tb"), "a b"},
        {text("a\u202Eb\u2066c\u200Fd\u0085e"), "a b c d e"},  // direction marks and C1 controls too
        // Half of a wide character drawn over leaves a blank.
        {dbox({text("世x"), text("z")}), "z x"},
        {dbox({text("世x"), hbox({text("") | size(WIDTH, EQUAL, 1), text("y")})}), " yx"},
        {text("a\xFF"), "a\xEF\xBF\xBD"},
        {flexRow(), "abcdef gh"},
        {flexRow(), "abcd   ef gh"},  // the flexible child takes the extra space
        {flexRow(), "abef gh"},       // and shrinks first
        {flexRow(), "abefg"},         // then the others lose width in proportion
        {hbox({text("a") | flex, text("b") | flex, text("c") | flex}), "a  b  c   "},
        {vbox({hbox({text("x"), text("yy") | size(WIDTH, EQUAL, 1), text("z")}), text("tall") | size(HEIGHT, EQUAL, 2),
               filler(), text("end")}),
         "xyz \ntall\n    \n    \n    \nend "},
        {vbox({text("1"), text("2"), text("3") | yflex, text("4")}), "1\n2\n4"},
        {vbox({text("1"), text("2"), text("3")}), "1\n2"},
        {hbox({text("abcdef") | size(WIDTH, LESS_THAN, 3), text("ab") | size(WIDTH, GREATER_THAN, 4), text("|")}),
         "abcab  | "},
        {vcenter(hcenter(text("ab"))), "      \n  ab  \n      "},
        // Sizes beyond any terminal neither overflow nor push the neighbours out.
        {hbox({text(std::string(99'858, 'n')) | xflex, text("end")}), "nnnnnnnnnend"},
        {hbox({vbox({text(std::string(100'012, 'n')), text(std::string(99'858, 'm'))}) | xflex, text("|")}),
         "nnnnn|\nmmmmm "},
        // A frame keeps the focused or else the selected row in view, and clips to its box.
        {hbox({numberedRows(10, 0, select) | yframe, numberedRows(10, 5, select) | yframe,
               numberedRows(10, 9, select) | yframe, numberedRows(10, -1) | yframe}),
         "0470\n1581\n2692"},
        {vbox({text("a") | select, text("b"), text("c"), text("d") | focus, text("e")}) | yframe, "d\ne"},
        {vbox({numberedRows(10, 7) | yframe | size(HEIGHT, EQUAL, 2), text("x")}), "7\n8\nx\n "},
        // A frame gives up rows before its neighbours shrink, down to its lower bound.
        {vbox({vbox({text("p"), text("q")}) | yflex, numberedRows(9, 0, select) | yframe | yflex}), "p\nq\n0\n1"},
        {vbox({text("p"), text("q") | size(HEIGHT, GREATER_THAN, 2) | yflex,
               numberedRows(9, 8, select) | yframe | size(HEIGHT, GREATER_THAN, 2)}),
         "p\nq\n \n7\n8"},
        {hbox({text("abcdef"), text("g") | focus, text("hij")}) | frame, "fgh"},
        {hbox({text("abcdef"), text("g") | focus, text("hij")}) | yframe, "abg"},  // rigid parts share the cut
        {numberedRows(8, 0) | vscroll_indicator | yframe, "0┃\n1┃\n2 \n3 "},
        {numberedRows(2, 0) | vscroll_indicator | yframe, "0 \n1 \n  \n  "},
        {hbox({gauge(0.5f) | size(WIDTH, EQUAL, 4), gauge(0.25f) | size(WIDTH, EQUAL, 2), gauge(2.0f)}), "██  ▌ ██"},
        // A border takes one cell on every side and room for its title, set into the top edge.
        {vbox({border(text("a")), text("-")}), "┌─┐\n│a│\n└─┘\n-  "},
        {hbox({border(text("a"), 0, text("0123456789")), text("|")}), "┌0123456789┐|\n│a         │ \n└──────────┘ "},
        {hbox({border(text("abc"), 0, text("t")), text("|")}), "┌t──┐|\n│abc│ \n└───┘ "},
        // Heavy, double, rounded and blank lines; an unknown style draws light ones.
        {hbox({border(text("a"), 1), border(text("a"), 2), border(text("a"), 3), border(text("a"), 4),
               border(text("a"), 9)}),
         "┏━┓╔═╗╭─╮   ┌─┐\n┃a┃║a║│a│ a │a│\n┗━┛╚═╝╰─╯   └─┘"},
        {std::make_shared<custom_Border>(Elements{}, 0), "┌┐\n└┘"},
        {border(text("a") | flex), "┌──┐\n│a │\n│  │\n└──┘"},
        {border(text("a"), 0, text("Settings")) | size(WIDTH, EQUAL, 6), "┌Sett┐\n│a   │\n└────┘"},
        {border(text("a"), 0, text("世界")) | size(WIDTH, EQUAL, 5), "┌世─┐\n│a  │\n└───┘"},
        // A border one cell wide or high draws only its content.
        {hbox({border(text("xy"), 0, text("T")) | size(WIDTH, EQUAL, 1), text("|")}), " | \n   \n   "},
        {vbox({border(text("xy")) | size(HEIGHT, EQUAL, 1), text("|")}), "    \n|   "},
        {border(numberedRows(6, 5)) | yframe, "│4│\n│5│\n└─┘"},
        {hbox({border(numberedRows(6, 4, focus, "世") | vscroll_indicator | yframe | flex, 0, text("Title")),
               border(gauge(0.7f) | bold, 2) | size(WIDTH, GREATER_THAN, 4), hcenter(text("x"))}),
         "┌Title┐╔══╗x\n│世4  │║█▍║ \n│世5 ╻│║  ║ \n└─────┘╚══╝ "},
    };
    auto rows = [](const std::string& drawn) { return std::count(drawn.begin(), drawn.end(), '\n') + 1; };
    for (const auto& [element, drawn] : cases) {
        int width = textWidth(drawn.substr(0, drawn.find('\n'))), height = rows(drawn);
        EXPECT_EQ(renderToText(element, width, height), drawn);
        for (int w = 0; w <= width + 1; ++w)
            for (int h = 0; h <= height + 1; ++h) EXPECT_EQ(rows(renderToText(element, w, h)), std::max(h, 1)) << drawn;
    }
}

TEST(Utf8, ReadsTypedBytes) {
    // Bytes as they arrive, one read each, and the characters they make. Each broken sequence becomes one
    // replacement; an empty read stands for a key in between, after which what waits is not completed.
    const std::pair<std::vector<std::string>, std::u32string> cases[] = {
        {{"\xE2\x82\x41\x42"}, U"\uFFFDAB"},
        {{"\xE0\x80\x80x"}, U"\uFFFDx"},  // overlong
        {{"\xE2", "\x82", "\xAC\xC3", "\xA9"}, U"€é"},
        {{"\xF0\x9F\xA5", "\x81"}, U"\U0001F941"},
        {{"\xFF\xFE"}, U"\uFFFD\uFFFD"},
        {{"a\xE2\x82", "", "b"}, U"a\uFFFDb"},
    };
    for (const auto& [reads, typed] : cases) {
        Utf8Reader reader;
        std::u32string got;
        for (const std::string& bytes : reads) got += bytes.empty() ? reader.flush() : reader.push(bytes);
        EXPECT_EQ(got, typed) << reads.front();
    }
}

Event mouse(int x, int y, Mouse::Motion motion = Mouse::Pressed, Mouse::Button button = Mouse::Left,
            std::shared_ptr<MouseCapture> capture = nullptr) {
    return Event::MouseEvent(Mouse{button, motion, x, y}, std::move(capture));
}

// Offers keys given by sign: < > ^ v the arrows, t and T Tab and Shift+Tab, H Home, E End, [ and ] Page Up
// and Down, \r Return; any other sign is typed. Returns whether each was consumed, as "1" or "0" per key.
std::string offer(const Component& component, std::string_view signs) {
    const Event named[] = {Event::ArrowLeft, Event::ArrowRight, Event::ArrowUp, Event::ArrowDown,
                           Event::Tab,       Event::TabReverse, Event::Home,    Event::End,
                           Event::PageUp,    Event::PageDown,   Event::Return};
    std::string consumed;
    for (char sign : signs) {
        size_t at = std::string_view("<>^vtTHE[]\r").find(sign);
        consumed += component->OnEvent(at == std::string_view::npos ? Event::Character(sign) : named[at]) ? '1' : '0';
    }
    return consumed;
}

TEST(Focus, MovesAlongTheContainersAndWrapsWithTab) {
    // Keys, whether each was consumed, the box focused after. The spacer between b and c cannot take focus; the
    // inner column leaves the other axis to the row and remembers its choice; Tab wraps inside the innermost one.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"<", "0", "a"},       {">vv", "110", "c"}, {">^", "10", "b"}, {"><", "11", "a"},
        {">v<>", "1111", "c"}, {">>>", "110", "d"}, {"t", "1", "b"},   {"ttt", "111", "b"},
        {"T", "1", "d"},       {">>t", "111", "a"}, {" q", "10", "a"},
    };
    for (const auto& [keys, consumed, expected] : cases) {
        bool ticked[4] = {};
        Component p[] = {Checkbox("a", &ticked[0]), Checkbox("b", &ticked[1]), Checkbox("c", &ticked[2]),
                         Checkbox("d", &ticked[3])};
        Component root =
            Container::Horizontal({p[0], Container::Vertical({p[1], Renderer([] { return text("-"); }), p[2]}), p[3]});
        EXPECT_EQ(offer(root, keys), consumed) << keys;
        std::string focused;
        for (int i = 0; i < 4; ++i)
            if (p[i]->Focused()) focused += "abcd"[i];
        EXPECT_EQ(focused, expected) << keys;
    }
}

TEST(Events, GoOnlyToTheActiveChildButMouseToAllWrappersPassOnWhatTheyLeaveAndCheckBoxesToggle) {
    int selected = 1, changes = 0;  // a selector outside, read and written
    bool ticked[2] = {};
    Component a = Checkbox("a", &ticked[0], {.on_change = [&] { ++changes; }}), b = Checkbox("b", &ticked[1]);
    Component row = Container::Horizontal({a, b}, &selected);
    Screen screen(7, 1);
    Render(screen, row->Render());  // records where the boxes are
    EXPECT_EQ(screen.toString(), "☐ a☐ b ");
    EXPECT_TRUE(screen.at(5, 0).inverted && !screen.at(2, 0).inverted) << "focus shows inverted";
    EXPECT_EQ(offer(row, " p"), "10");
    EXPECT_FALSE(row->OnEvent(mouse(5, 3)));
    EXPECT_TRUE(row->OnEvent(mouse(0, 0))) << "a click on the box that is not active";
    EXPECT_EQ(renderToText(row->Render(), 7, 1), "▣ a▣ b ");
    EXPECT_EQ(std::tuple(selected, ticked[0], ticked[1]), std::tuple(0, true, true));
    selected = 7;  // out of range reads as the last child
    EXPECT_TRUE(b->Focused());
    Component caught = CatchEvent(a, [](Event event) { return event == Event::Character(' '); });
    EXPECT_EQ(offer(caught, " \rq"), "110");
    EXPECT_FALSE(ticked[0]) << "the caught space never reaches the child";
    EXPECT_EQ(a->Parent(), caught.get()) << "a child added elsewhere leaves its old parent";
    Component framed = Renderer(caught, [&] { return hbox({text("<"), caught->Render(), text(">")}); });
    EXPECT_EQ(renderToText(framed->Render(), 5, 1), "<☐ a>");
    EXPECT_TRUE(a->Focused());
    EXPECT_EQ(offer(framed, "\r"), "1");
    EXPECT_EQ(std::pair(ticked[0], changes), std::pair(true, 3));
}

TEST(Slider, ArrowsStepTheValueWithinItsBoundsTheMouseSetsItAndOnlyOneSliderHoldsTheMouse) {
    // Value, keys, whether each was consumed, value after.
    const std::tuple<int, const char*, const char*, int> cases[] = {
        {120, ">", "1", 130},   {120, "l", "1", 130}, {120, "<", "1", 110},   {120, "h", "1", 110},
        {235, ">>", "11", 240}, {25, "<", "1", 20},   {120, "^x", "00", 120},
    };
    for (const auto& [before, keys, consumed, after] : cases) {
        int bpm = before;
        EXPECT_EQ(offer(Slider("BPM ", &bpm, 20, 240, 10), keys), consumed) << before;
        EXPECT_EQ(bpm, after) << before;
    }
    std::atomic<int> shared{5};
    EXPECT_EQ(offer(Slider("n", &shared, 0, 10, 3), ">>"), "11");
    EXPECT_EQ(shared.load(), 10);
    int a = 5, b = 0;
    Component column = Container::Vertical({Slider("v", &a, 0, 10, 1), Slider("w", &b, 0, 10, 1)});
    EXPECT_EQ(renderToText(column->Render(), 13, 2), "v[█████     ]\nw[          ]");  // the gauge is 10 cells
    auto capture = std::make_shared<MouseCapture>();
    // Pressed, moved or released at x, y: consumed, a and b after. A drag goes on over the other slider and
    // ends with the release; the label is not the gauge; while one slider drags, the other cannot take the mouse.
    const std::tuple<char, int, int, bool, int, int> steps[] = {
        {'p', 11, 0, true, 10, 0}, {'m', 2, 1, true, 0, 0},   {'r', 2, 1, true, 0, 0},
        {'m', 6, 0, false, 0, 0},  {'p', 0, 0, false, 0, 0},  {'p', 7, 1, true, 0, 6},
        {'p', 11, 0, true, 0, 10}, {'r', 11, 0, true, 0, 10}, {'p', 6, 0, true, 4, 10},
    };
    for (const auto& [how, x, y, consumed, afterA, afterB] : steps) {
        auto motion = static_cast<Mouse::Motion>(std::string_view("prm").find(how));
        EXPECT_EQ(column->OnEvent(mouse(x, y, motion, Mouse::Left, capture)), consumed) << x << "," << y;
        EXPECT_EQ(std::pair(a, b), std::pair(afterA, afterB)) << x << "," << y;
    }
}

TEST(Scroller, KeysTheWheelAndAClickMoveTheMarkerAndTheViewFollows) {
    auto scrollerOver = [](int rows) {  // drawn once, into 10 rows, so that it knows its size
        auto scroller = Make<ScrollerBase>(Renderer([rows] { return numberedRows(rows, -1); }));
        renderToText(scroller->Render(), 3, 10);
        return scroller;
    };
    // Rows, keys, whether each moved the marker, the marker after.
    const std::tuple<int, const char*, const char*, int> cases[] = {
        {50, "E", "1", 49},   {50, "EH", "11", 0},  {50, "]", "1", 9},  {50, "][", "11", 0},
        {3, "^kx", "000", 0}, {3, "vjv", "110", 2}, {3, "vk", "11", 0}, {0, "vE]^H", "00000", 0},
    };
    for (const auto& [rows, keys, moved, marker] : cases) {
        auto scroller = scrollerOver(rows);
        EXPECT_EQ(offer(scroller, keys), moved) << rows << " rows, " << keys;
        EXPECT_EQ(scroller->selected, marker) << rows << " rows, " << keys;
    }
    auto scroller = scrollerOver(8);
    // The wheel scrolls only the view under the pointer.
    EXPECT_TRUE(scroller->OnEvent(mouse(1, 2, Mouse::Pressed, Mouse::WheelDown)));
    EXPECT_FALSE(scroller->OnEvent(mouse(1, 10, Mouse::Pressed, Mouse::WheelDown)));
    EXPECT_TRUE(scroller->OnEvent(mouse(1, 2, Mouse::Pressed, Mouse::WheelUp)));
    EXPECT_EQ(renderToText(scroller->Render(), 3, 4), "0 ┃\n1 ┃\n2  \n3  ");
    EXPECT_EQ(offer(scroller, "E"), "1");
    EXPECT_EQ(renderToText(scroller->Render(), 3, 4), "4  \n5  \n6 ┃\n7 ┃");
    bool checked = false;
    Component column = Container::Vertical({Checkbox("c", &checked), scroller});
    EXPECT_FALSE(scroller->Focused());
    renderToText(column->Render(), 3, 5);
    column->OnEvent(mouse(0, 3));
    EXPECT_TRUE(scroller->Focused()) << "a click inside takes the focus";
}

// Reads what the child reports and draws (so that it never blocks on the terminal) until `done` or three seconds pass.
template <class Done>
void readChild(const int (&fds)[2], std::string& reported, std::string& drawn, Done done) {
    for (const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
         !done() && std::chrono::steady_clock::now() < deadline;) {
        pollfd ready[] = {{fds[0], POLLIN, 0}, {fds[1], POLLIN, 0}};
        poll(ready, 2, 10);
        char buffer[4096];
        for (int i = 0; i < 2; ++i) {
            ssize_t n = ready[i].revents & POLLIN ? read(fds[i], buffer, sizeof buffer) : 0;
            if (n > 0) (i == 0 ? reported : drawn).append(buffer, static_cast<size_t>(n));
        }
    }
}

// The loop in a real pseudo-terminal reports each event it receives by its row below.
TEST(Terminal, DecodesWhatTheTerminalSendsAndASecondInterruptEndsAStuckLoop) {
    auto wheel = [](Mouse::Button button) { return Event::MouseEvent(Mouse{button, Mouse::Pressed, 0, 0}); };
    const Event up = wheel(Mouse::WheelUp), down = wheel(Mouse::WheelDown), stuck = Event::Character('s');
    const Event pageUp = Event::PageUp, pageDown = Event::PageDown, back = Event::TabReverse, escape = Event::Escape;
    const std::pair<const char*, Event> sent[] = {{"\033[M`!!", up},     {"\033[Ma!!", down}, {"\033[5~", pageUp},
                                                  {"\033[6~", pageDown}, {"\033[Z", back},    {"\033", escape},
                                                  {"s", stuck}};
    int reports[2];
    ASSERT_EQ(pipe(reports), 0);
    int terminal = -1;
    winsize size{24, 80, 0, 0};
    const pid_t child = forkpty(&terminal, nullptr, nullptr, &size);
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("TERM", "screen", 1);
        ScreenInteractive::Fullscreen().Loop(CatchEvent(Renderer([] { return text("ready"); }), [&](Event event) {
            const auto row = std::ranges::find(sent, event, &std::pair<const char*, Event>::second) - sent;
            const char report = static_cast<char>('a' + row);
            // Interrupts wait until the handler waits for them, and each is reported.
            sigset_t interrupt{}, before{};
            sigemptyset(&interrupt);
            sigaddset(&interrupt, SIGINT);
            if (event == stuck) sigprocmask(SIG_BLOCK, &interrupt, &before);
            if (row < std::ssize(sent) && write(reports[1], &report, 1) != 1) _exit(2);
            while (event == stuck && sigsuspend(&before) < 0 && write(reports[1], "i", 1) == 1) continue;
            return true;
        }));
        _exit(0);
    }
    const int fds[] = {reports[0], terminal};
    std::string reported, drawn;
    readChild(fds, reported, drawn, [&] { return drawn.find("ready") != std::string::npos; });
    for (char row = 'a'; const auto& [bytes, event] : sent) {
        reported.clear();
        ASSERT_EQ(write(terminal, bytes, std::strlen(bytes)), static_cast<ssize_t>(std::strlen(bytes)));
        readChild(fds, reported, drawn, [&] { return !reported.empty(); });
        EXPECT_EQ(reported, std::string(1, row++));
    }
    drawn.clear();
    int status = 0;
    reported.clear();
    ASSERT_EQ(write(terminal, "\003", 1), 1);
    readChild(fds, reported, drawn, [&] { return !reported.empty(); });  // two at once would be taken as one
    ASSERT_EQ(write(terminal, "\003", 1), 1);
    readChild(fds, reported, drawn, [&] { return waitpid(child, &status, WNOHANG) == child; });
    if (kill(child, SIGKILL) == 0) {
        waitpid(child, &status, 0);
        ADD_FAILURE() << "the second interrupt did not end the stuck loop";
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGINT) << status;
    readChild(fds, reported, drawn, [&] { return drawn.find("\033[?1049l") != std::string::npos; });
    EXPECT_NE(drawn.find("\033[?1049l"), std::string::npos) << "the normal screen is back";
    close(terminal);
}

}  // namespace
}  // namespace zaffo::ui
