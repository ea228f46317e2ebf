#pragma once

#include "tests/support/Shell.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace zaffo::test {

// A cell of a captured pane as tmux reports it; colours are palette indices, -1 for the terminal's default.
struct Cell {
    std::string glyph = " ";
    int foreground = -1, background = -1;
    bool inverted = false;
};

// A pane as `capture-pane -p -e` shows it, split into cells of one code point each, a wide character too.
class Screen {
public:
    explicit Screen(const std::string& styled = "") : cells_(1) {
        Cell style;  // tmux carries attributes over line ends, so the state does too
        for (std::size_t i = 0; i < styled.size();) {
            const unsigned char c = styled[i];
            if (c == '\n') {
                cells_.emplace_back();
                ++i;
            } else if (c == '\x1b') {  // tmux shows only attributes and colours: ESC [ ... m
                const std::size_t end = std::min(styled.find('m', i), styled.size());
                applySgr(style, styled.substr(i + 2, end - i - 2));
                i = end + 1;
            } else {
                cells_.back().push_back(style);
                cells_.back().back().glyph = styled.substr(i, c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1);
                i += cells_.back().back().glyph.size();
            }
        }
        if (cells_.size() > 1 && cells_.back().empty()) cells_.pop_back();
    }

    int rows() const { return static_cast<int>(cells_.size()); }
    std::string row(int row) const { return textAt(row, 0, 1000); }
    std::string text() const {
        std::string all;
        for (int r = 0; r < rows(); ++r) all += row(r) + "\n";
        return all;
    }
    bool contains(const std::string& needle) const { return find(needle).first >= 0; }
    // The row and column where the needle first starts, or -1s.
    std::pair<int, int> find(const std::string& needle) const {
        for (int r = 0; r < rows(); ++r) {
            const std::string line = row(r);
            const std::size_t at = line.find(needle);
            if (at != std::string::npos)
                return {r, static_cast<int>(std::count_if(line.begin(), line.begin() + at,
                                                          [](char c) { return (c & 0xC0) != 0x80; }))};
        }
        return {-1, -1};
    }
    // `width` cells from the given place, trailing blanks removed.
    std::string textAt(int row, int column, int width) const {
        std::string text;
        for (int c = column; c < column + width; ++c) text += cell(row, c).glyph;
        return text.erase(text.find_last_not_of(' ') + 1);
    }
    // The cell, or a blank one outside the capture.
    Cell cell(int row, int column) const {
        if (row < 0 || row >= rows() || column < 0 || column >= static_cast<int>(cells_[row].size())) return Cell{};
        return cells_[row][column];
    }

private:
    static void applySgr(Cell& style, const std::string& parameters) {
        std::vector<int> v{0};
        for (char c : parameters) c == ';' || c == ':' ? v.push_back(0) : void(v.back() = v.back() * 10 + c - '0');
        for (std::size_t i = 0; i < v.size(); ++i) {
            const int n = v[i];
            if (n == 0) style = Cell{};
            if (n == 7 || n == 27) style.inverted = n == 7;
            if (n / 10 == 3 || n / 10 == 9) style.foreground = n == 39 ? -1 : n % 10 + (n >= 90 ? 8 : 0);
            if (n / 10 == 4 || n / 10 == 10) style.background = n == 49 ? -1 : n % 10 + (n >= 100 ? 8 : 0);
            if ((n == 38 || n == 48) && i + 2 < v.size() && v[i + 1] == 5) {
                (n == 38 ? style.foreground : style.background) = v[i + 2];
                i += 2;
            }
        }
    }

    std::vector<std::vector<Cell>> cells_;
};

// A detached tmux session on a server and in a folder of its own, both gone with the object whatever the outcome.
class TmuxSession {
public:
    ~TmuxSession() { tmux("kill-server"); }

    // Free for the test's own files; the socket is there too.
    std::filesystem::path folder() const { return folder_.path(); }

    // Runs the command line under bash in the folder, in place of what ran before; its pane stays readable after it.
    void start(const std::string& command, int columns = 200, int rows = 50) {
        tmux("kill-session -t t");
        testing::writeFile(folder_ / "tmux.conf",
                           "set -g remain-on-exit on\nset -g default-shell /bin/bash\n"
                           "set -g default-terminal tmux-256color\nset -g history-limit 0\n");
        tmux("-f " + quoted(folder_ / "tmux.conf") + " new-session -d -s t -x " + std::to_string(columns) + " -y " +
             std::to_string(rows) + " -c " + quoted(folder_.path()) + " " + quoted(command));
    }

    // tmux key names, blank-separated: Enter, Tab, BTab, Up, Down, Left, Space, C-c...
    void press(const std::string& keys) const { tmux("send-keys -t t " + keys); }
    void submit(const std::string& line) const { tmux("send-keys -t t -l " + quoted(line + "\r")); }
    void resize(int columns, int rows) const {
        tmux("resize-window -t t -x " + std::to_string(columns) + " -y " + std::to_string(rows));
    }
    // Sends the signal ("TERM", "HUP"...) to what the pane's shell runs.
    void signalCommand(const std::string& signal) const {
        runShell("pkill -" + signal + " -P " + std::to_string(std::stoi(tmux("display -p -t t '#{pane_pid}'"))));
    }

    // Polls the pane, pausing between captures as each costs a tmux client, until the condition holds or 10 s pass.
    ::testing::AssertionResult waitFor(const std::string& what, const std::function<bool(const Screen&)>& holds) {
        using std::chrono_literals::operator""ms;
        if (waitUntil([&] { return holds(screen_ = Screen(tmux("capture-pane -p -e -t t"))); },
                      std::chrono::seconds(10), 40ms))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "timed out waiting for " << what << "; the screen:\n" << screen_.text();
    }
    ::testing::AssertionResult waitFor(const std::string& text) {
        return waitFor("\"" + text + "\"", [text](const Screen& screen) { return screen.contains(text); });
    }
    // The capture that the last wait ended on.
    const Screen& screen() const { return screen_; }

private:
    static std::string quoted(const std::string& text) {
        std::string quoted = "'";
        for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return quoted + "'";
    }
    // Runs tmux on the private server; started from inside tmux, the client would otherwise talk to the user's server.
    std::string tmux(const std::string& arguments) const {
        const std::string line =
            "env -u TMUX -u TMUX_PANE tmux -S " + quoted(folder_ / "socket") + " " + arguments + " 2>/dev/null";
        return runShell(line).first;
    }

    zaffo::testing::TempFolder folder_;
    Screen screen_;
};

}  // namespace zaffo::test
