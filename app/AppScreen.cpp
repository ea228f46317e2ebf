#include "app/AppScreen.h"

#include "app/MessageLog.h"
#include "app/custom_WideInputBase.h"
#include "audio/AudioEngine.h"
#include "core/CommandRunner.h"
#include "core/Core.h"
#include "core/LinkSession.h"
#include "sequencer/Sequencer.h"
#include "text/Utf8.h"
#include "ui/ScrollerBase.h"
#include "ui/Utf8.h"
#include "ui/custom_Border.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iomanip>
#include <sstream>

namespace zaffo {

using namespace ui;

namespace {

constexpr int logWidth = 48;
constexpr int listWidth = 20;
constexpr int settingsHeight = 8;
// The main view never gets narrower than its log and its frame; the side columns give way
// instead, the right-hand one first.
constexpr int mainWidth = logWidth + 2;
constexpr int columnWidth = listWidth + 2;
constexpr int leastHeight = 16;
constexpr size_t numberWidth = 4;

Element paneFrame(Element title, Element content) {
    return std::make_shared<custom_Border>(Elements{std::move(content), std::move(title)}, 0);
}

// A framed pane around a component that keeps its events and focus.
Component makePane(std::wstring title, Component child, int height) {
    return Renderer(child, [title, child, height] {
        Element pane = paneFrame(text(title), child->Render()) | xflex;
        return height < 0 ? pane | yflex : pane | size(HEIGHT, EQUAL, height);
    });
}

Component scrolled(std::function<Element()> render) {
    return Scroller(Container::Vertical({Renderer(std::move(render))}));
}

Elements textLines(const std::vector<std::wstring>& lines) {
    Elements elements;
    for (const std::wstring& line : lines) elements.push_back(text(line));
    return elements;
}

int cellsOf(const std::wstring& text) {
    int cells = 0;
    for (wchar_t c : text) cells += cellWidth(static_cast<char32_t>(c));
    return cells;
}

// The text cut to `width` cells, a cut one ending in "…"; shorter text padded with spaces.
std::wstring fitToWidth(const std::wstring& text, int width) {
    if (cellsOf(text) <= width) return text + std::wstring(static_cast<size_t>(width - cellsOf(text)), L' ');
    std::wstring cut;
    int cells = 0;
    for (wchar_t c : text) {
        const int w = cellWidth(static_cast<char32_t>(c));
        if (cells + w > width - 1) break;
        cut += c;
        cells += w;
    }
    return cut + L"…" + std::wstring(static_cast<size_t>(std::max(width - 1 - cells, 0)), L' ');
}

// Shown instead of the panes when not even the main view fits; split in two lines when the
// one line does not fit either.
Element sizeNotice(int width, int height) {
    const std::wstring need =
        L"Zaffo needs at least " + std::to_wstring(mainWidth) + L"x" + std::to_wstring(leastHeight) + L";";
    const std::wstring have = L"this terminal is " + std::to_wstring(width) + L"x" + std::to_wstring(height);
    const std::wstring line = need + L" " + have;
    Element notice = cellsOf(line) <= width ? hcenter(text(line)) : vbox({hcenter(text(need)), hcenter(text(have))});
    return vcenter(notice);
}

// The pitch of a step in three characters: "5  ", "-12", "99 " for anything above 99.
std::wstring pitchLabel(int32_t pitch) {
    std::wstring label = L"   ";
    if (pitch == 0) return label;
    size_t at = 0;
    if (pitch < 0) label[at++] = L'-';
    const int64_t magnitude = std::min<int64_t>(std::llabs(int64_t{pitch}), 99);
    if (magnitude >= 10) label[at++] = static_cast<wchar_t>(L'0' + magnitude / 10);
    label[at] = static_cast<wchar_t>(L'0' + magnitude % 10);
    return label;
}

}  // namespace

AppScreen::AppScreen(Core& core, MessageLog& log, CommandRunner& commands)
    : core(core), log(log), commands(commands), errorStyle(bgcolor(Color::Default)) {
    input = WideInput(&commandText, L"", &inputOption);
    inputOption.on_enter = [this] { submit(); };
    rootComponent = buildTree();
}

Component AppScreen::stateBox(std::string label, bool* shown, std::function<bool()> state,
                              std::function<void()> onToggle) {
    CheckboxOption option;
    option.on_change = std::move(onToggle);
    Component box = Checkbox(std::move(label), shown, std::move(option));
    return Renderer(box, [box, shown, state = std::move(state)] {
        *shown = state();
        return box->Render();
    });
}

Component AppScreen::settingsPane() {
    playBox = CatchEvent(stateBox(
                             "Play", &playShown, [this] { return core.sequencer().playing.load(); },
                             [this] { core.sequencer().playing = playShown; }),
                         [this](const Event& event) {
                             if (event != Event::TabReverse) return false;
                             input->TakeFocus();
                             return true;
                         });
    volumeSlider =
        CatchEvent(Slider("Volume", &core.engine().masterVolume, 0.0f, 1.0f, 0.05f), [this](const Event& event) {
            if (event != Event::Tab) return false;
            input->TakeFocus();
            return true;
        });
    Component linkBox = stateBox(
        "Link", &linkShown, [this] { return core.link().isEnabled(); }, [this] { core.link().enable(linkShown); });
    Component controls = Container::Vertical({
        playBox,
        stateBox(
            "Record", &recordShown, [this] { return core.engine().isRecording(); }, [this] { core.toggleRecording(); }),
        Checkbox("Basic", &basicShown),
        Renderer(linkBox,
                 [this, linkBox] {
                     return hbox({linkBox->Render(), text(peersLabel())}) | size(WIDTH, EQUAL, listWidth);
                 }),
        withNumber(Slider("BPM   ", &core.sequencer().bpm, 20, 240, 1),
                   [this] { return std::to_wstring(core.sequencer().bpm.load()); }),
        withNumber(volumeSlider,
                   [this] {
                       const float percent = std::round(core.engine().masterVolume.load() * 100);
                       return std::to_wstring(static_cast<int>(std::clamp(percent, 0.0f, 999.0f))) + L"%";
                   }),
    });
    return makePane(L"Settings", controls, settingsHeight);
}

// A slider with its value as a number after it, four columns wide, so the gauges line up.
Component AppScreen::withNumber(Component slider, std::function<std::wstring()> number) {
    return Renderer(slider, [slider, number = std::move(number)] {
        std::wstring shown = number();
        shown = std::wstring(shown.size() < numberWidth ? numberWidth - shown.size() : 0, L' ') + shown;
        return hbox({slider->Render() | flex, text(shown)});
    });
}

std::wstring AppScreen::peersLabel() const {
    if (!core.link().isEnabled()) return L"";
    const std::size_t peers = core.link().peerCount();
    return L": " + std::to_wstring(peers) + (peers == 1 ? L" peer" : L" peers");
}

Component AppScreen::buildTree() {
    leftColumn = Hideable(Container::Vertical({
                              settingsPane(),
                              makePane(L"Parts", scrolled([this] { return partList(); }), -1),
                          }),
                          &leftShown);
    inputWithHistory = CatchEvent(input, [this](const Event& event) { return historyKeys(event); });
    mainColumn = Renderer(inputWithHistory, [this] { return mainView(); });
    rightColumn = Hideable(Container::Vertical(
                               {
                                   makePane(L"Sample Packs", Renderer([this] { return packList(); }), -1),
                                   makePane(L"Samples", scrolled([this] { return sampleList(); }), -1),
                               },
                               &selectedPane),
                           &rightShown);
    columns = Container::Horizontal({leftColumn, mainColumn, rightColumn});
    // The settings take only their own keys (Space, Enter, the arrows): whatever else is typed
    // while one has the focus goes to the command line, and Escape goes back to it.
    Component focusRules = CatchEvent(columns, [this](const Event& event) {
        keepFocusShown();
        if (columns->OnEvent(event) || input->Focused()) return true;
        if (event == Event::Escape) {
            input->TakeFocus();
        } else if (event.is_character() || event.kind() == Event::Kind::Control || event == Event::Backspace) {
            input->TakeFocus();
            columns->OnEvent(event);
        }
        return true;
    });
    return Renderer(focusRules, [this] { return screenLayout(); });
}

void AppScreen::keepFocusShown() {
    // A column that gave way cannot keep the keys: they go to the input.
    Component active = columns->ActiveChild();
    if (!active || !active->Focusable()) input->TakeFocus();
}

Element AppScreen::screenLayout() {
    keepFocusShown();
    Element left = leftColumn->Render();
    Element main = mainColumn->Render();
    Element right = rightColumn->Render();
    return fitted([this, left, main, right](int width, int height) {
        const bool fits = width >= mainWidth && height >= leastHeight;
        leftShown = fits && width >= mainWidth + columnWidth;
        rightShown = fits && width >= mainWidth + 2 * columnWidth;
        if (!fits) return sizeNotice(width, height);
        Elements shown;
        if (leftShown) shown.push_back(left);
        shown.push_back(main);
        if (rightShown) shown.push_back(right);
        return hbox(std::move(shown));
    });
}

Element AppScreen::mainView() {
    Element messages = vbox(log.lines()) | size(WIDTH, EQUAL, logWidth) | hcenter;
    Element commandBox = vbox({
                             text(""),
                             text("Command:"),
                             inputWithHistory->Render(),
                             // An empty error shows nothing, not an empty red bar.
                             errorText.empty() ? text("") : text(errorText) | errorStyle,
                             text(""),
                         }) |
                         size(WIDTH, EQUAL, logWidth) | hcenter;
    // Only the instruments that fit are built: there may be a great many of them. When some do
    // not fit, the last row says how many.
    Element instruments = fitted([this](int, int height) {
        const size_t count = core.sequencer().patternCount();
        const auto fitting = static_cast<size_t>(std::max(height, 0) / 2);
        const size_t shown = count <= fitting ? count : static_cast<size_t>(std::max(height - 1, 0) / 2);
        Elements rows;
        for (const SequencerPattern& pattern : core.sequencer().getPatternCopies(shown)) {
            rows.push_back(instrumentRows(pattern, core.sequencer().getCurrentStep()));
        }
        if (shown < count && height > 0) rows.push_back(moreRow(count - shown));
        return vbox(std::move(rows)) | hcenter;
    });
    return paneFrame(hbox({text("Zaffo"), levelMeter()}), vbox({messages, commandBox, instruments})) | xflex;
}

// The output's peak since the last drawing, set into the top border after the title: a cell for
// every 6 dB above -48 dBFS, and "limit" while the limiter turns the output down.
Element AppScreen::levelMeter() const {
    constexpr int cellCount = 8;
    constexpr double floorDb = -48.0;
    const LevelMeter::Reading level = core.engine().outputMeter().take();
    const double dB = 20.0 * std::log10(std::max(static_cast<double>(level.peak), 1e-9));
    const int cells = std::clamp(static_cast<int>(std::ceil((dB - floorDb) * cellCount / -floorDb)), 0, cellCount);
    Elements parts;
    if (cells > 0) parts.push_back(text(L" " + std::wstring(static_cast<size_t>(cells), L'▮')) | color(Color::Green));
    if (level.limited) parts.push_back(text(" limit") | color(Color::Red) | bold);
    return hbox(std::move(parts));
}

Element AppScreen::instrumentRows(const SequencerPattern& pattern, int currentStep) const {
    const bool basic = basicShown;
    Elements cells;
    for (int i = 0; i < stepsPerPattern; ++i) {
        const Step& step = pattern.steps[i];
        const Color background = pattern.active && i == currentStep ? Color::GrayLight : Color::GrayDark;
        std::wstring label;
        if (basic) {
            label = step.on ? L" # " : L" - ";
        } else {
            label = step.on ? L" #" + pitchLabel(step.pitch) : L" -   ";
        }
        cells.push_back(text(label) | bgcolor(background) | color(Color::White));
    }
    std::wostringstream numbers;
    numbers << std::fixed << std::setprecision(2) << L" " << pattern.volume << L" &" << pattern.rand;
    // A long name is cut so that the whole header fits the width of the log.
    const std::wstring marker = pattern.active ? L"> " : L". ";
    const std::wstring name = toWide(pattern.name);
    const int room = std::max(logWidth - cellsOf(marker) - cellsOf(numbers.str()), 1);
    const int field = std::max(basic ? 14 : 30, std::min(cellsOf(name), room));
    const std::wstring header = marker + fitToWidth(name, std::min(field, room)) + numbers.str();
    return vbox({text(header), hbox(std::move(cells))});
}

Element AppScreen::moreRow(size_t hidden) {
    const std::wstring what = hidden == 1 ? L" more instrument" : L" more instruments";
    return text(L"... " + std::to_wstring(hidden) + what);
}

Element AppScreen::packList() const {
    Elements lines;
    for (const std::wstring& pack : core.packNames()) {
        lines.push_back(text((pack == core.packName() ? L"> " : L"  ") + pack));
    }
    const int count = static_cast<int>(lines.size());
    return vbox(std::move(lines)) | size(WIDTH, EQUAL, listWidth) | size(HEIGHT, EQUAL, count);
}

Element AppScreen::sampleList() const {
    std::vector<std::wstring> names;
    for (const std::string& name : core.samples().names()) names.push_back(toWide(name));
    return vbox(textLines(names)) | size(WIDTH, EQUAL, listWidth);
}

Element AppScreen::partList() const {
    std::vector<std::wstring> names;
    for (const std::string& name : core.sequencer().getPartNames()) names.push_back(toWide(name));
    if (names.empty()) names.push_back(L"None");
    return vbox(textLines(names)) | size(WIDTH, EQUAL, listWidth);
}

void AppScreen::submit() {
    const CommandAnswer answer = commands.run(toUtf8(commandText));
    if (!answer.ok) {
        // The line stays in the input with its error under it; anything it printed before it
        // failed shows in the log at once.
        const bool withError = !answer.lines.empty() && answer.lines.back().style == LineStyle::alert;
        for (size_t i = 0; i + (withError ? 1 : 0) < answer.lines.size(); ++i) log.printNow(answer.lines[i]);
        errorText = withError ? toWide(answer.lines.back().text) : L"";
        errorStyle = bgcolor(Color::Red);
        return;
    }
    log.commitCommand(commandText, answer);
    history.push_back(commandText);
    commandText.clear();
    errorText.clear();
    errorStyle = bgcolor(Color::Default);
    historyIndex = history.size();
}

CommandAnswer AppScreen::runSent(const std::wstring& line) {
    CommandAnswer answer = commands.run(toUtf8(line));
    // A line that is no command has no error text: in the input it turns red itself.
    if (!answer.ok && (answer.lines.empty() || answer.lines.back().style != LineStyle::alert))
        answer.lines.push_back({toUtf8(line), LineStyle::alert});
    log.commitCommand(line, answer);
    // Browsing stays where it is; a fresh line stays fresh.
    if (historyIndex == history.size()) ++historyIndex;
    history.push_back(line);
    return answer;
}

bool AppScreen::historyKeys(const Event& event) {
    if (event == Event::ArrowUp || event == Event::ArrowDown) {
        const size_t n = history.size();
        // Positions 0..n form a ring, n being the fresh empty line.
        historyIndex = event == Event::ArrowUp ? (historyIndex + n) % (n + 1) : (historyIndex + n + 2) % (n + 1);
        commandText = historyIndex == n ? L"" : history[historyIndex];
        inputOption.cursor_position = static_cast<int>(commandText.size());
        return true;
    }
    // With the settings out of sight, Tab and Shift+Tab have nowhere to go but the input.
    if (event == Event::Tab) {
        if (leftShown) playBox->TakeFocus();
        return true;
    }
    if (event == Event::TabReverse) {
        if (leftShown) volumeSlider->TakeFocus();
        return true;
    }
    if (event == Event::Escape) {  // the input clears the line, and its error goes with it
        errorText.clear();
        errorStyle = bgcolor(Color::Default);
        historyIndex = history.size();
    }
    return false;
}

}  // namespace zaffo
