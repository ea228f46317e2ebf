#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zaffo::test {

// One character cell of a captured pane with the attributes tmux reports for it.
// Colours are palette indices (0 to 255), -1 for the terminal's default.
struct Cell {
    std::string glyph;
    int foreground = -1;
    int background = -1;
    bool bold = false;
    bool dim = false;
    bool underlined = false;
    bool inverted = false;
};

struct Position {
    int row;
    int column;
};

// A pane as `capture-pane -p -e` shows it, split into cells so that text and colours
// can be read at the same place. Columns count cells of one code point each; the panes
// of the program draw only narrow characters.
class Screen {
public:
    Screen() = default;
    explicit Screen(std::string_view styled);

    int rows() const { return static_cast<int>(cells_.size()); }
    const std::string& row(int row) const { return text_.at(row); }
    std::string text() const;
    bool contains(std::string_view needle) const { return find(needle).has_value(); }

    // The first place where the needle starts, searching rows top down.
    std::optional<Position> find(std::string_view needle) const;
    // The first place at or after row `from` (and column `column` exactly, when given).
    std::optional<Position> findFrom(std::string_view needle, int from, std::optional<int> column = {}) const;
    // `width` cells from the given place, trailing blanks removed.
    std::string textAt(int row, int column, int width) const;
    // The cell, or a blank default cell outside the capture.
    Cell cell(int row, int column) const;

private:
    std::vector<std::vector<Cell>> cells_;
    std::vector<std::string> text_;
    std::vector<std::vector<std::size_t>> cellOffsets_;  // byte offset of each cell in text_
};

// Something to wait for on screen, with words for the failure message.
struct Expectation {
    std::string description;
    std::function<bool(const Screen&)> holds;
};

Expectation showing(std::string text);
Expectation notShowing(std::string text);

// The real zaffo program in a detached tmux session on a private server, over a private
// copy of the built program and its samples, so that each test has its own base folder.
// The session and the copy go away with the object, whatever the test's outcome.
class TmuxSession {
public:
    static constexpr int width = 200;
    static constexpr int height = 50;

    TmuxSession();
    ~TmuxSession();
    TmuxSession(const TmuxSession&) = delete;
    TmuxSession& operator=(const TmuxSession&) = delete;

    static bool available();

    // The copy's folder: the program's base folder, writable before and after start.
    const std::filesystem::path& folder() const { return folder_; }

    // Runs the program with extra environment settings ("NAME=value"). When it ends the
    // shell prints "EXIT=<status>" and then runs `afterExit`; the pane stays readable.
    void start(const std::vector<std::string>& environment = {}, const std::string& afterExit = "");

    void type(const std::string& literal) const;
    // tmux key names: Enter, Tab, BTab, Up, Down, Left, Space, C-c...
    void press(const std::vector<std::string>& keys) const;
    void submit(const std::string& line) const;
    void resize(int columns, int rows) const;

    Screen capture() const;
    // Polls the pane until the expectation holds or the deadline passes.
    ::testing::AssertionResult waitFor(const Expectation& expectation,
                                       std::chrono::milliseconds deadline = std::chrono::seconds(10));
    // The capture that the last wait ended on.
    const Screen& screen() const { return screen_; }

private:
    std::string tmux(std::vector<std::string> arguments) const;

    std::string socket_;
    std::filesystem::path folder_;
    bool started_ = false;
    Screen screen_;
};

}  // namespace zaffo::test
