#pragma once

#include "tests/support/TempFolder.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace zaffo::test {

// One character cell of a captured pane with the attributes tmux reports for it. Colours are
// palette indices, -1 for the terminal's default.
struct Cell {
    std::string glyph = " ";
    int foreground = -1, background = -1;
    bool bold = false, underlined = false, inverted = false;
};

// A pane as `capture-pane -p -e` shows it, split into cells of one code point each: the
// program draws only narrow characters.
class Screen {
public:
    explicit Screen(const std::string& styled = "") {
        Cell style;  // tmux carries attributes over line ends, so the state does too
        cells_.emplace_back();
        for (std::size_t i = 0; i < styled.size();) {
            const unsigned char c = styled[i];
            if (c == '\n') {
                cells_.emplace_back();
                ++i;
            } else if (c == '\x1b') {
                std::size_t end = i + 2;
                while (end < styled.size() && (styled[end] < 0x40 || styled[end] > 0x7e)) ++end;
                if (styled[i + 1] == '[' && end < styled.size() && styled[end] == 'm')
                    applySgr(style, styled.substr(i + 2, end - i - 2));
                i = styled[i + 1] == '[' ? end + 1 : i + 2;
            } else {
                Cell cell = style;
                cell.glyph = styled.substr(i, c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1);
                i += cell.glyph.size();
                cells_.back().push_back(std::move(cell));
            }
        }
        if (cells_.size() > 1 && cells_.back().empty()) cells_.pop_back();
        for (const auto& line : cells_) {
            text_.emplace_back();
            for (const Cell& cell : line) text_.back() += cell.glyph;
        }
    }

    int rows() const { return static_cast<int>(text_.size()); }
    const std::string& row(int row) const { return text_.at(row); }
    std::string text() const {
        std::string all;
        for (const auto& line : text_) all += line + "\n";
        return all;
    }
    bool contains(const std::string& needle) const { return find(needle).first >= 0; }
    // The row and column where the needle first starts, or -1s.
    std::pair<int, int> find(const std::string& needle) const {
        for (int r = 0; r < rows(); ++r) {
            const std::size_t at = text_[r].find(needle);
            if (at == std::string::npos) continue;
            int column = 0;
            for (std::size_t b = 0; b < at; ++b) column += (text_[r][b] & 0xC0) != 0x80;
            return {r, column};
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
        for (char c : parameters) {
            if (c == ';' || c == ':')
                v.push_back(0);
            else
                v.back() = v.back() * 10 + (c - '0');
        }
        for (std::size_t i = 0; i < v.size(); ++i) {
            const int n = v[i];
            if (n == 0)
                style = Cell{};
            else if (n == 1 || n == 22)
                style.bold = n == 1;
            else if (n == 4 || n == 24)
                style.underlined = n == 4;
            else if (n == 7 || n == 27)
                style.inverted = n == 7;
            else if (n >= 30 && n <= 39)
                style.foreground = n == 39 ? -1 : n - 30;
            else if (n >= 40 && n <= 49)
                style.background = n == 49 ? -1 : n - 40;
            else if (n >= 90 && n <= 97)
                style.foreground = n - 82;
            else if (n >= 100 && n <= 107)
                style.background = n - 92;
            if ((n == 38 || n == 48) && i + 2 < v.size() && v[i + 1] == 5) {
                (n == 38 ? style.foreground : style.background) = v[i + 2];
                i += 2;
            }
        }
    }

    std::vector<std::vector<Cell>> cells_;
    std::vector<std::string> text_;
};

// The real zaffo program in a detached tmux session with a server of its own, over a private
// copy of the built program and its samples, so that each test has its own base folder. The
// session and the copy go away with the object, whatever the test's outcome.
class TmuxSession {
public:
    TmuxSession() {
        const std::filesystem::path binary = ZAFFO_BINARY;
        std::filesystem::copy_file(binary, folder() / "zaffo");
        std::filesystem::copy(binary.parent_path() / "samples", folder() / "samples",
                              std::filesystem::copy_options::recursive);
    }
    ~TmuxSession() { tmux("kill-server"); }  // its socket is in the folder, removed next
    TmuxSession(const TmuxSession&) = delete;
    TmuxSession& operator=(const TmuxSession&) = delete;

    static bool available() { return std::system("tmux -V >/dev/null 2>&1") == 0; }
    // The copy's folder: the program's base folder, writable before and after start.
    std::filesystem::path folder() const { return folder_.path(); }

    // Runs the program at 200 x 50 with extra settings ("NAME=value ..."). When it ends, the
    // shell prints "EXIT=<status>" and then runs `afterExit`; the pane stays readable. Ctrl+C
    // signals the shell too, which bash, unlike dash, survives when the program handled it.
    void start(const std::string& environment = "", const std::string& afterExit = "") {
        testing::writeFile(folder_ / "tmux.conf",
                           "set -g remain-on-exit on\nset -g default-shell /bin/bash\n"
                           "set -g default-terminal tmux-256color\nset -g history-limit 0\n");
        const std::string program = "env SDL_AUDIODRIVER=dummy LANG=C.UTF-8 LC_ALL=C.UTF-8 " + environment +
                                    " ./zaffo; echo \"EXIT=$?\"; " + afterExit;
        tmux("-f " + quoted(folder_ / "tmux.conf") + " new-session -d -s e2e -x 200 -y 50 -c " +
             quoted(folder_.path()) + " " + quoted(program));
    }

    void type(const std::string& literal) const { tmux("send-keys -t e2e -l " + quoted(literal)); }
    // tmux key names, blank-separated: Enter, Tab, BTab, Up, Down, Left, Space, C-c...
    void press(const std::string& keys) const { tmux("send-keys -t e2e " + keys); }
    void submit(const std::string& line) const {
        type(line);
        press("Enter");
    }
    void resize(int columns, int rows) const {
        tmux("resize-window -t e2e -x " + std::to_string(columns) + " -y " + std::to_string(rows));
    }
    Screen capture() const { return Screen(tmux("capture-pane -p -e -t e2e")); }

    // Polls the pane until the condition holds or the deadline passes.
    ::testing::AssertionResult waitFor(const std::string& what, const std::function<bool(const Screen&)>& holds,
                                       std::chrono::milliseconds deadline = std::chrono::seconds(10)) {
        const bool held = waitUntil(
            [&] {
                if (holds(screen_ = capture())) return true;
                std::this_thread::sleep_for(std::chrono::milliseconds(40));  // each capture costs a tmux client
                return false;
            },
            deadline);
        if (held) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "timed out waiting for " << what << "; the screen was:\n"
                                             << screen_.text();
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
    // Runs tmux on the private server; started from inside tmux, the client would otherwise
    // talk to the user's server.
    std::string tmux(const std::string& arguments) const {
        const std::string line =
            "env -u TMUX -u TMUX_PANE tmux -S " + quoted(folder_ / "socket") + " " + arguments + " 2>/dev/null";
        FILE* pipe = popen(line.c_str(), "r");
        std::string output;
        for (char buffer[4096]; pipe && std::fgets(buffer, sizeof buffer, pipe);) output += buffer;
        if (pipe) pclose(pipe);
        return output;
    }

    zaffo::testing::TempFolder folder_;
    Screen screen_;
};

}  // namespace zaffo::test
