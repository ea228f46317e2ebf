#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zaffo {

// How a line of output is meant to be shown.
enum class LineStyle : std::uint8_t {
    plain,
    bold,   // a command's result, a list, a pack's readme
    help,   // help and tutorial pages
    alert,  // an error, or news that something went wrong
};

struct AnswerLine {
    std::string text;  // UTF-8, one line
    LineStyle style = LineStyle::plain;
    bool operator==(const AnswerLine&) const = default;
};

// Everything that running one command line produced: whether it worked, and every line it gave,
// in order: what its handlers printed, then its result (bold lines when it worked, one alert line
// with the error when it failed). The screen shows exactly these lines, and so does anyone else
// who runs a line.
struct CommandAnswer {
    bool ok = false;
    std::vector<AnswerLine> lines;

    // The lines' texts joined by "\n".
    std::string text() const;
};

// The answer of a line whose handlers printed `printed` and whose result was `ok` and `message`:
// when it worked, one bold line for each line of the message but the empty ones; when it failed,
// the message as one alert line, if there is one.
CommandAnswer makeAnswer(std::vector<AnswerLine> printed, bool ok, const std::string& message);

// What a command's handlers print while it runs, waiting to become part of its answer. Belongs
// to the thread that runs commands.
class CommandOutput {
public:
    // Items are packed into rows of at most this many characters.
    static constexpr std::size_t rowWidth = 48;

    // A title, then the items packed into bold rows: each item followed by a blank.
    void printMessage(const std::wstring& title, const std::vector<std::wstring>& items);
    void printLines(const std::vector<std::string>& lines, LineStyle style);
    // What was printed since the last take, which empties the list.
    std::vector<AnswerLine> take();

private:
    std::vector<AnswerLine> pendingMessages;
};

}  // namespace zaffo
