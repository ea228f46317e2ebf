#include "tests/app/TmuxSession.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace zaffo::test {

namespace {

// Length of the UTF-8 sequence that starts with this byte (1 for stray bytes).
std::size_t sequenceLength(unsigned char lead) {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

std::vector<int> sgrParameters(std::string_view text) {
    std::vector<int> values{0};
    for (char c : text) {
        if (c == ';' || c == ':') {
            values.push_back(0);
        } else if (c >= '0' && c <= '9') {
            values.back() = values.back() * 10 + (c - '0');
        }
    }
    return values;
}

void applySgr(Cell& style, const std::vector<int>& values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        const int v = values[i];
        if (v == 0) {
            style = Cell{};
        } else if (v == 1) {
            style.bold = true;
        } else if (v == 2) {
            style.dim = true;
        } else if (v == 4) {
            style.underlined = true;
        } else if (v == 7) {
            style.inverted = true;
        } else if (v == 22) {
            style.bold = style.dim = false;
        } else if (v == 24) {
            style.underlined = false;
        } else if (v == 27) {
            style.inverted = false;
        } else if (v >= 30 && v <= 37) {
            style.foreground = v - 30;
        } else if (v >= 90 && v <= 97) {
            style.foreground = v - 90 + 8;
        } else if (v == 39) {
            style.foreground = -1;
        } else if (v >= 40 && v <= 47) {
            style.background = v - 40;
        } else if (v >= 100 && v <= 107) {
            style.background = v - 100 + 8;
        } else if (v == 49) {
            style.background = -1;
        } else if ((v == 38 || v == 48) && i + 1 < values.size()) {
            int& target = v == 38 ? style.foreground : style.background;
            if (values[i + 1] == 5 && i + 2 < values.size()) {
                target = values[i + 2];
                i += 2;
            } else if (values[i + 1] == 2) {
                target = 256;  // a direct colour: not one of the palette's
                i += 4;
            }
        }
    }
}

std::atomic<int> sessionCounter{0};

}  // namespace

Screen::Screen(std::string_view styled) {
    Cell style;  // tmux carries attributes over line ends, so the state does too
    std::size_t i = 0;
    cells_.emplace_back();
    while (i < styled.size()) {
        const char c = styled[i];
        if (c == '\n') {
            cells_.emplace_back();
            ++i;
        } else if (c == '\x1b' && i + 1 < styled.size() && styled[i + 1] == '[') {
            std::size_t end = i + 2;
            while (end < styled.size() && !(styled[end] >= 0x40 && styled[end] <= 0x7e)) ++end;
            if (end < styled.size() && styled[end] == 'm') {
                applySgr(style, sgrParameters(styled.substr(i + 2, end - i - 2)));
            }
            i = end + 1;
        } else if (c == '\x1b') {
            i += 2;  // a lone escape pair, nothing the panes draw
        } else {
            const std::size_t length = std::min(sequenceLength(static_cast<unsigned char>(c)), styled.size() - i);
            Cell cell = style;
            cell.glyph = std::string(styled.substr(i, length));
            cells_.back().push_back(std::move(cell));
            i += length;
        }
    }
    if (cells_.size() > 1 && cells_.back().empty()) cells_.pop_back();
    for (const auto& line : cells_) {
        std::string text;
        std::vector<std::size_t> offsets;
        for (const Cell& cell : line) {
            offsets.push_back(text.size());
            text += cell.glyph;
        }
        text_.push_back(std::move(text));
        cellOffsets_.push_back(std::move(offsets));
    }
}

std::string Screen::text() const {
    std::string all;
    for (const auto& line : text_) all += line + "\n";
    return all;
}

std::optional<Position> Screen::find(std::string_view needle) const { return findFrom(needle, 0); }

std::optional<Position> Screen::findFrom(std::string_view needle, int from, std::optional<int> column) const {
    for (int r = std::max(from, 0); r < rows(); ++r) {
        const auto& offsets = cellOffsets_[r];
        for (std::size_t at = text_[r].find(needle); at != std::string::npos; at = text_[r].find(needle, at + 1)) {
            const auto cellIt = std::lower_bound(offsets.begin(), offsets.end(), at);
            if (cellIt == offsets.end() || *cellIt != at) continue;
            const int c = static_cast<int>(cellIt - offsets.begin());
            if (!column || *column == c) return Position{r, c};
        }
    }
    return std::nullopt;
}

std::string Screen::textAt(int row, int column, int width) const {
    std::string text;
    for (int c = column; c < column + width; ++c) text += cell(row, c).glyph;
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

Cell Screen::cell(int row, int column) const {
    if (row < 0 || row >= rows() || column < 0 || column >= static_cast<int>(cells_[row].size())) {
        return Cell{" "};
    }
    return cells_[row][column];
}

Expectation showing(std::string text) {
    return {"the screen to show \"" + text + "\"",
            [text](const Screen& screen) { return screen.contains(text); }};
}

Expectation notShowing(std::string text) {
    return {"the screen to stop showing \"" + text + "\"",
            [text](const Screen& screen) { return !screen.contains(text); }};
}

TmuxSession::TmuxSession()
    : socket_("zaffo-e2e-" + std::to_string(getpid()) + "-" + std::to_string(sessionCounter++)) {
    std::string pattern = (std::filesystem::temp_directory_path() / "zaffo-e2e-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    folder_ = pattern;
    const std::filesystem::path binary = ZAFFO_BINARY;
    std::filesystem::copy_file(binary, folder_ / "zaffo");
    std::filesystem::copy(binary.parent_path() / "samples", folder_ / "samples",
                          std::filesystem::copy_options::recursive);
}

TmuxSession::~TmuxSession() {
    std::error_code ignored;
    if (started_) {
        // The server leaves its socket behind; it is ours to remove.
        const std::string socketPath = tmux({"display-message", "-p", "-t", "e2e", "#{socket_path}"});
        tmux({"kill-server"});
        if (socketPath.size() > 1) std::filesystem::remove(socketPath.substr(0, socketPath.size() - 1), ignored);
    }
    std::filesystem::remove_all(folder_, ignored);
}

bool TmuxSession::available() { return std::system("tmux -V >/dev/null 2>&1") == 0; }

void TmuxSession::start(const std::vector<std::string>& environment, const std::string& afterExit) {
    // A configuration of our own: nothing of the user's, and the pane outlives the program.
    // Ctrl+C signals the whole foreground group, the shell around the program too; bash, unlike
    // dash, goes on when the program itself handled the signal.
    const auto config = folder_ / "tmux.conf";
    std::ofstream(config) << "set -g remain-on-exit on\n"
                          << "set -g default-shell /bin/bash\n"
                          << "set -g default-terminal tmux-256color\n"
                          << "set -g history-limit 0\n";
    std::vector<std::string> arguments{"-f", config.string(), "new-session", "-d", "-s", "e2e",
                                       "-x", std::to_string(width), "-y", std::to_string(height),
                                       "-c", folder_.string()};
    std::vector<std::string> settings = environment;
    for (std::string fallback : {"SDL_AUDIODRIVER=dummy", "LANG=C.UTF-8", "LC_ALL=C.UTF-8"}) {
        const std::string name = fallback.substr(0, fallback.find('=') + 1);
        const bool given = std::any_of(environment.begin(), environment.end(),
                                       [&](const std::string& setting) { return setting.starts_with(name); });
        if (!given) settings.push_back(fallback);
    }
    for (const auto& setting : settings) {
        arguments.push_back("-e");
        arguments.push_back(setting);
    }
    arguments.push_back("'" + (folder_ / "zaffo").string() + "'; echo \"EXIT=$?\"; " + afterExit);
    started_ = true;
    tmux(arguments);
}

void TmuxSession::type(const std::string& literal) const { tmux({"send-keys", "-t", "e2e", "-l", literal}); }

void TmuxSession::press(const std::vector<std::string>& keys) const {
    std::vector<std::string> arguments{"send-keys", "-t", "e2e"};
    arguments.insert(arguments.end(), keys.begin(), keys.end());
    tmux(arguments);
}

void TmuxSession::submit(const std::string& line) const {
    type(line);
    press({"Enter"});
}

void TmuxSession::resize(int columns, int rows) const {
    tmux({"resize-window", "-t", "e2e", "-x", std::to_string(columns), "-y", std::to_string(rows)});
}

Screen TmuxSession::capture() const { return Screen(tmux({"capture-pane", "-p", "-e", "-t", "e2e"})); }

::testing::AssertionResult TmuxSession::waitFor(const Expectation& expectation, std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        screen_ = capture();
        if (expectation.holds(screen_)) return ::testing::AssertionSuccess();
        if (std::chrono::steady_clock::now() >= end) {
            return ::testing::AssertionFailure() << "timed out waiting for " << expectation.description
                                                 << "; the screen was:\n"
                                                 << screen_.text();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

// Runs tmux on our private server without a shell in between and returns its output.
std::string TmuxSession::tmux(std::vector<std::string> arguments) const {
    arguments.insert(arguments.begin(), {"tmux", "-L", socket_});
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    // Started from inside tmux, the client would otherwise talk to the user's server.
    std::vector<char*> envp;
    for (char** e = environ; *e; ++e) {
        if (std::strncmp(*e, "TMUX=", 5) != 0 && std::strncmp(*e, "TMUX_PANE=", 10) != 0) envp.push_back(*e);
    }
    envp.push_back(nullptr);

    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, "tmux", &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    std::string output;
    if (failed == 0) {
        char buffer[4096];
        for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) != 0;) {
            if (n > 0) output.append(buffer, static_cast<std::size_t>(n));
            else if (errno != EINTR) break;
        }
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    close(pipeEnds[0]);
    return output;
}

}  // namespace zaffo::test
