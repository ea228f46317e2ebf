#pragma once

#include "core/CommandAnswer.h"
#include "ui/Components.h"
#include "ui/InputOption.h"

#include <functional>
#include <string>
#include <vector>

namespace zaffo {

class CommandRunner;
class Core;
class MessageLog;
struct SequencerPattern;

// The full-screen interface: settings and parts on the left, the log, the command input and
// the instruments in the middle, the packs and samples on the right. Lives while it is shown.
class AppScreen {
public:
    AppScreen(Core& core, MessageLog& log, CommandRunner& commands);

    // The root of the component tree.
    ui::Component root() const { return rootComponent; }
    ui::Component commandInput() const { return input; }
    // Runs a finished line: its answer is committed to the log when it succeeds; when it fails,
    // the line stays in the input with its error under it.
    void submit();
    // Runs a line sent from elsewhere: echoed with its whole answer in the log (a failure's
    // error too, in red, as the input is the musician's own) and kept in the history.
    CommandAnswer runSent(const std::wstring& line);
    // History browsing and Tab and Shift+Tab out of the command input.
    bool historyKeys(const ui::Event& event);

    std::wstring commandText;
    std::wstring errorText;

private:
    ui::Component buildTree();
    // The columns that fit the terminal, or a notice when not even the main view fits.
    ui::Element screenLayout();
    void keepFocusShown();
    ui::Component settingsPane();
    // A check box showing a state that is kept elsewhere: read again before each drawing, and
    // changed only through onToggle.
    static ui::Component stateBox(std::string label, bool* shown, std::function<bool()> state,
                                  std::function<void()> onToggle);
    static ui::Component withNumber(ui::Component slider, std::function<std::wstring()> number);
    ui::Element mainView();
    static ui::Element moreRow(size_t hidden);
    ui::Element levelMeter() const;
    ui::Element instrumentRows(const SequencerPattern& pattern, int currentStep) const;
    ui::Element packList() const;
    ui::Element sampleList() const;
    ui::Element partList() const;
    std::wstring peersLabel() const;

    Core& core;
    MessageLog& log;
    CommandRunner& commands;
    ui::Decorator errorStyle;
    std::vector<std::wstring> history;
    size_t historyIndex = 0;
    ui::InputOption inputOption;
    ui::Component input;
    ui::Component inputWithHistory;
    bool playShown = true;
    bool recordShown = false;
    bool basicShown = true;
    bool linkShown = false;
    ui::Component playBox;
    ui::Component volumeSlider;
    ui::Component leftColumn;
    ui::Component mainColumn;
    ui::Component rightColumn;
    ui::Component columns;
    // Set by the last layout: whether the side columns had room.
    bool leftShown = true;
    bool rightShown = true;
    int selectedPane = 0;
    ui::Component rootComponent;
};

}  // namespace zaffo
