#pragma once

#include "ui/Elements.h"

#include <mutex>
#include <string>
#include <vector>

namespace zaffo {

// The short log above the command input. What a command's handlers print waits in the pending
// list, and shows, after the echo of the command, when the command is committed.
class MessageLog {
public:
    static constexpr size_t maxMessageLines = 10;
    static constexpr size_t rowWidth = 48;

    // Ten lines: eight empty ones and the two bold hints.
    void showWelcome();
    // A title, then the items packed into bold rows of at most 48 characters.
    void printMessage(const std::wstring& title, const std::vector<std::wstring>& items);
    // One pending line per entry, each decorated.
    void printLines(const std::vector<std::wstring>& lines, const ui::Decorator& style);
    // The echo of an accepted line, what its handlers printed, then its result, one bold line
    // per non-empty line of `message`; only the newest ten lines stay.
    void commitCommand(const std::wstring& line, const std::string& message);
    // A line that no command asked for (news from another thread), shown at once.
    void printNow(const std::wstring& line, const ui::Decorator& style);

    std::vector<ui::Element> lines() const;

private:
    void keepNewestLocked();

    mutable std::mutex messageMutex;
    std::vector<ui::Element> messageLines;
    std::vector<ui::Element> pendingMessages;
};

}  // namespace zaffo
