#pragma once

#include "core/CommandAnswer.h"
#include "ui/Elements.h"

#include <mutex>
#include <string>
#include <vector>

namespace zaffo {

// The short log above the command input: the echo of each accepted line with its answer, and
// news that no command asked for. Only the newest ten lines stay.
class MessageLog {
public:
    static constexpr size_t maxMessageLines = 10;

    // Ten lines, eight empty ones and the two bold hints, before whatever news came already.
    void showWelcome();
    // The echo of an accepted line, then every line of its answer.
    void commitCommand(const std::wstring& line, const CommandAnswer& answer);
    // A line that no command asked for (news from another thread), shown at once.
    void printNow(const AnswerLine& line);

    std::vector<ui::Element> lines() const;

private:
    void keepNewestLocked();

    mutable std::mutex messageMutex;
    std::vector<ui::Element> messageLines;
};

}  // namespace zaffo
