// The terminal side of ScreenInteractive: the only file that talks to ncurses.
#define NCURSES_NOMACROS
#define NCURSES_WIDECHAR 1
#include <ncursesw/curses.h>

#include <langinfo.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "TerminalGlyphs.h"
#include "ui/Elements.h"
#include "ui/ScreenInteractive.h"
#include "ui/Utf8.h"

namespace zaffo::ui {
namespace {

// The terminal and the signal handlers are one per process.
std::atomic<bool> looping{false};

// Signal handlers can reach the looping screen only through these.
volatile sig_atomic_t pendingEnd = 0;
volatile sig_atomic_t pendingResize = 0;
volatile sig_atomic_t wakeFd = -1;

// For the way out when the loop does not answer: when the last end signal came, what gives
// the terminal back (written by the handler, so prepared beforehand), and the terminal's
// settings from before the screen took it.
constexpr int64_t kSecondSignalWindow = 2'000'000'000;  // nanoseconds
std::atomic<int64_t> lastEndSignal{0};
static_assert(std::atomic<int64_t>::is_always_lock_free);
char resetSequence[512];
volatile sig_atomic_t resetLength = 0;
termios shellModes{};
volatile sig_atomic_t haveShellModes = 0;

int64_t monotonicNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);  // safe in a signal handler
    return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

[[noreturn]] void endAtOnce(int signal) {
    for (ssize_t at = 0, n = 0; at < resetLength; at += n) {
        n = write(STDOUT_FILENO, resetSequence + at, static_cast<size_t>(resetLength - at));
        if (n <= 0) break;
    }
    if (haveShellModes) tcsetattr(STDIN_FILENO, TCSANOW, &shellModes);
    _exit(128 + signal);
}

const int endSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previousEnd[3];
struct sigaction previousResize;

void wakeFromSignal() {
    int savedErrno = errno;
    char byte = 's';
    if (wakeFd >= 0) [[maybe_unused]]
        ssize_t written = write(wakeFd, &byte, 1);
    errno = savedErrno;
}

void onEndSignal(int signal) {
    const int64_t now = monotonicNow();
    const int64_t last = lastEndSignal.exchange(now);
    // SIGHUP means the terminal is gone: nobody is there to ask twice.
    if (signal != SIGHUP && last != 0 && now - last <= kSecondSignalWindow) endAtOnce(signal);
    pendingEnd = 1;
    wakeFromSignal();
}

void appendReset(const char* sequence) {
    if (!sequence || sequence == reinterpret_cast<const char*>(-1)) return;
    size_t length = std::strlen(sequence);
    if (resetLength + length >= sizeof resetSequence) return;
    std::memcpy(resetSequence + resetLength, sequence, length);
    resetLength = static_cast<sig_atomic_t>(resetLength + length);
}

void onResizeSignal(int) {
    pendingResize = 1;
    wakeFromSignal();
}

void setHandler(int signal, void (*handler)(int), struct sigaction* previous) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, previous);
}

// Numbers are read and printed with a point whatever the user's locale, so only the
// character type is taken from the environment. Wide characters need UTF-8 inside even where
// the terminal takes ASCII only: true when the user's own locale is UTF-8.
bool useUtf8CharacterType() {
    std::setlocale(LC_CTYPE, "");
    if (std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0) return true;
    std::setlocale(LC_CTYPE, "C.UTF-8");
    return false;
}

// Light backgrounds mark things (the current step, an idle input); where the terminal has no
// colours, reverse video marks them instead.
bool isLight(Color color) { return color == Color::GrayLight || (color >= Color::RedLight && color <= Color::White); }

const char* const kButtonMotion = "\033[?1002h";
const char* const kButtonMotionOff = "\033[?1002l";

}  // namespace

void ScreenInteractive::openTerminal() {
    if (looping.exchange(true)) throw std::logic_error("another screen is looping already");
    // Keys are read with poll, which would spin on a file or a closed pipe.
    if (!isatty(STDIN_FILENO)) {
        looping = false;
        throw std::runtime_error("standard input is not a terminal");
    }
    asciiOnly_ = !useUtf8CharacterType();
    haveShellModes = tcgetattr(STDIN_FILENO, &shellModes) == 0;
    // Installed first, so that the library keeps its own handlers out of the way.
    installSignals();
    terminal_ = newterm(nullptr, stdout, stdin);
    if (!terminal_) {
        restoreSignals();
        looping = false;
        throw std::runtime_error("cannot open the terminal");
    }
    set_term(terminal_);
    raw();
    keepInterruptKey();
    prepareReset();
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    nodelay(stdscr, TRUE);
    set_escdelay(25);
    curs_set(0);
    if (has_colors()) {
        start_color();
        defaultColors_ = use_default_colors() == OK;
    }
    mousemask(ALL_MOUSE_EVENTS | REPORT_MOUSE_POSITION, nullptr);
    mouseinterval(0);
    putp(kButtonMotion);
    colorPairs_.clear();
    grid_ = Screen(0, 0);
}

// Raw keys, except that Ctrl+C still sends SIGINT: the terminal delivers it even while the
// loop is stuck, so that a second one can end the process. Ctrl+\ and Ctrl+Z stay plain keys.
void ScreenInteractive::keepInterruptKey() {
    termios modes{};
    if (tcgetattr(STDIN_FILENO, &modes) != 0) return;
    modes.c_lflag |= ISIG;
    modes.c_cc[VQUIT] = _POSIX_VDISABLE;
    modes.c_cc[VSUSP] = _POSIX_VDISABLE;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &modes) == 0) def_prog_mode();
}

// What endwin would write, gathered now for a signal handler that cannot call the library.
void ScreenInteractive::prepareReset() {
    resetLength = 0;
    appendReset(kButtonMotionOff);
    appendReset("\033[?1000l\033[?1003l\033[?1006l");  // every mouse mode the library may set
    appendReset(tigetstr(const_cast<char*>("sgr0")));
    appendReset(tigetstr(const_cast<char*>("cnorm")));
    appendReset(tigetstr(const_cast<char*>("rmkx")));
    appendReset(tigetstr(const_cast<char*>("rmcup")));
}

void ScreenInteractive::closeTerminal() {
    restoreSignals();
    putp(kButtonMotionOff);
    mousemask(0, nullptr);
    curs_set(1);
    endwin();
    delscreen(terminal_);
    terminal_ = nullptr;
    looping = false;
}

void ScreenInteractive::installSignals() {
    pendingEnd = 0;
    lastEndSignal = 0;
    pendingResize = 0;
    wakeFd = wakeWrite_;
    for (int i = 0; i < 3; ++i) setHandler(endSignals[i], onEndSignal, &previousEnd[i]);
    // Our own resize handler wakes the loop; the library's would only flag the next read.
    setHandler(SIGWINCH, onResizeSignal, &previousResize);
}

void ScreenInteractive::restoreSignals() {
    for (int i = 0; i < 3; ++i) sigaction(endSignals[i], &previousEnd[i], nullptr);
    sigaction(SIGWINCH, &previousResize, nullptr);
    wakeFd = -1;
}

bool ScreenInteractive::takeSignals(ComponentBase& root) {
    if (pendingResize) {
        pendingResize = 0;
        resizeTerminal();
        dispatch(root, Event::Resize);
    }
    return pendingEnd != 0;
}

void ScreenInteractive::resizeTerminal() {
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_row > 0 && size.ws_col > 0)
        resizeterm(size.ws_row, size.ws_col);
    clearok(curscr, TRUE);
}

void ScreenInteractive::readInput(ComponentBase& root) {
    for (int key = wgetch(stdscr); key != ERR && !quit_; key = wgetch(stdscr)) {
        if (key > 0xFF) {
            dispatchTyped(root, typed_.flush());
            if (auto event = translateKey(key)) dispatch(root, *event);
        } else {
            dispatchTyped(root, typed_.push(std::string(1, static_cast<char>(key))));
        }
    }
}

void ScreenInteractive::dispatchTyped(ComponentBase& root, const std::u32string& typed) {
    for (char32_t c : typed) {
        if (quit_) return;
        switch (c) {
            case 3:
                quit_ = true;
                return;  // Ctrl+C, should the terminal hand it over as a byte
            case '\t':
                dispatch(root, Event::Tab);
                break;
            case '\r':
            case '\n':
                dispatch(root, Event::Return);
                break;
            case 127:
            case '\b':
                dispatch(root, Event::Backspace);
                break;
            case 27:
                dispatch(root, Event::Escape);
                break;
            default:
                if (c >= 0x20) {
                    dispatch(root, Event::Character(c));
                } else if (c >= 1 && c <= 26) {
                    dispatch(root, Event::Control(static_cast<char>('a' + c - 1)));
                }
        }
    }
}

std::optional<Event> ScreenInteractive::translateKey(int key) {
    switch (key) {
        case KEY_LEFT:
            return Event::ArrowLeft;
        case KEY_RIGHT:
            return Event::ArrowRight;
        case KEY_UP:
            return Event::ArrowUp;
        case KEY_DOWN:
            return Event::ArrowDown;
        case KEY_BTAB:
            return Event::TabReverse;
        case KEY_ENTER:
            return Event::Return;
        case KEY_BACKSPACE:
            return Event::Backspace;
        case KEY_DC:
            return Event::Delete;
        case KEY_HOME:
            return Event::Home;
        case KEY_END:
            return Event::End;
        case KEY_PPAGE:
            return Event::PageUp;
        case KEY_NPAGE:
            return Event::PageDown;
        case KEY_MOUSE:
            return readMouse();
        default:
            return std::nullopt;  // KEY_RESIZE among others: the redraw follows anyway
    }
}

std::optional<Event> ScreenInteractive::readMouse() {
    MEVENT report{};
    if (getmouse(&report) != OK) return std::nullopt;
    mmask_t state = report.bstate;
    Mouse mouse;
    mouse.x = report.x;
    mouse.y = report.y;
    mouse.shift = state & BUTTON_SHIFT;
    mouse.control = state & BUTTON_CTRL;
    mouse.meta = state & BUTTON_ALT;
    const bool releasedUnpressed = (state & BUTTON1_RELEASED) && !leftButtonDown_;
    if (state & (BUTTON1_PRESSED | BUTTON1_CLICKED) || releasedUnpressed) {
        mouse.button = Mouse::Left;
        leftButtonDown_ = true;
        // A press and a release read together become one click, or the release alone when more
        // input follows, even with click resolution off: the press is handled now and the
        // release read next.
        if (!(state & BUTTON1_PRESSED)) {
            MEVENT release = report;
            release.bstate = BUTTON1_RELEASED | (state & (BUTTON_SHIFT | BUTTON_CTRL | BUTTON_ALT));
            ungetmouse(&release);
        }
    } else if (state & BUTTON1_RELEASED) {
        mouse.button = Mouse::Left;
        mouse.motion = Mouse::Released;
        leftButtonDown_ = false;
    } else if (state & BUTTON2_PRESSED) {
        mouse.button = Mouse::Middle;
    } else if (state & BUTTON3_PRESSED) {
        mouse.button = Mouse::Right;
    } else if (state & BUTTON4_PRESSED) {
        mouse.button = Mouse::WheelUp;
    } else if (state & BUTTON5_PRESSED) {
        mouse.button = Mouse::WheelDown;
    } else if (state & REPORT_MOUSE_POSITION) {
        mouse.button = leftButtonDown_ ? Mouse::Left : Mouse::None;
        mouse.motion = Mouse::Moved;
    } else {
        return std::nullopt;
    }
    return Event::MouseEvent(mouse, mouseCapture_);
}

void ScreenInteractive::draw(ComponentBase& root) {
    int width = getmaxx(stdscr), height = getmaxy(stdscr);
    if (grid_.width() != width || grid_.height() != height)
        grid_ = Screen(width, height);
    else
        grid_.clear();
    Render(grid_, root.Render());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) drawCell(x, y);
    const auto now = std::chrono::steady_clock::now();
    if (now - lastRepaint_ >= repaintEvery) {
        redrawwin(stdscr);  // every row is sent again, whatever the terminal holds now
        lastRepaint_ = now;
    }
    wnoutrefresh(stdscr);
    doupdate();
}

void ScreenInteractive::drawCell(int x, int y) {
    std::string glyph = grid_.visibleGlyph(x, y);
    if (glyph.empty() && !asciiOnly_) return;  // the right half of a wide character drawn just before
    if (asciiOnly_) glyph = asciiGlyph(glyph);
    const Cell& cell = grid_.at(x, y);
    std::u32string code = toUtf32(glyph);
    wchar_t wide[CCHARW_MAX + 1] = {};
    for (size_t i = 0; i < code.size() && i + 1 < CCHARW_MAX; ++i) wide[i] = static_cast<wchar_t>(code[i]);
    attr_t attributes = A_NORMAL;
    if (cell.bold) attributes |= A_BOLD;
    if (cell.dim) attributes |= A_DIM;
    if (cell.inverted != (!has_colors() && isLight(cell.background))) attributes |= A_REVERSE;
    if (cell.underlined) attributes |= A_UNDERLINE;
    cchar_t character{};
    setcchar(&character, wide, attributes, colorPair(cell.foreground, cell.background), nullptr);
    // The bottom-right cell reports an error for the cursor it cannot advance; it is drawn.
    mvwadd_wch(stdscr, y, x, &character);
}

short ScreenInteractive::colorPair(Color foreground, Color background) {
    if (!has_colors() || (foreground == Color::Default && background == Color::Default)) return 0;
    auto number = [this](Color c, int fallback) {
        if (c == Color::Default) return defaultColors_ ? -1 : fallback;
        int index = static_cast<int>(c);
        return COLORS >= 16 ? index : index % 8;
    };
    std::pair<int, int> key{number(foreground, COLOR_WHITE), number(background, COLOR_BLACK)};
    // With eight colours a light and a dark shade may fall together: the text must not vanish.
    if (key.first == key.second && key.first >= 0) key.first = key.second == COLOR_BLACK ? COLOR_WHITE : COLOR_BLACK;
    auto found = colorPairs_.find(key);
    if (found != colorPairs_.end()) return found->second;
    int next = static_cast<int>(colorPairs_.size()) + 1;
    if (next >= COLOR_PAIRS || next > 32767) return 0;
    init_pair(static_cast<short>(next), static_cast<short>(key.first), static_cast<short>(key.second));
    colorPairs_.emplace(key, static_cast<short>(next));
    return static_cast<short>(next);
}

}  // namespace zaffo::ui
