#include "core/CommandAnswer.h"

#include "text/Utf8.h"

#include <utility>

namespace zaffo {

std::string CommandAnswer::text() const {
    std::string joined;
    for (size_t i = 0; i < lines.size(); ++i) joined += (i ? "\n" : "") + lines[i].text;
    return joined;
}

CommandAnswer makeAnswer(std::vector<AnswerLine> printed, bool ok, const std::string& message) {
    CommandAnswer answer{ok, std::move(printed)};
    if (!ok) {
        if (!message.empty()) answer.lines.push_back({message, LineStyle::alert});
        return answer;
    }
    for (size_t start = 0; start <= message.size();) {
        size_t end = message.find('\n', start);
        if (end == std::string::npos) end = message.size();
        if (end > start) answer.lines.push_back({message.substr(start, end - start), LineStyle::bold});
        start = end + 1;
    }
    return answer;
}

void CommandOutput::printMessage(const std::wstring& title, const std::vector<std::wstring>& items) {
    pendingMessages.push_back({toUtf8(title), LineStyle::plain});
    std::wstring row;
    size_t width = 0;
    for (const std::wstring& item : items) {
        const size_t itemWidth = item.size() + 1;
        // A first item longer than a row still ends the (empty) row before it.
        if (width + itemWidth > rowWidth) {
            pendingMessages.push_back({toUtf8(row), LineStyle::bold});
            row.clear();
            width = 0;
        }
        width += itemWidth;
        row += item + L" ";
    }
    if (!row.empty()) {
        pendingMessages.push_back({toUtf8(row), LineStyle::bold});
    }
}

void CommandOutput::printLines(const std::vector<std::string>& lines, LineStyle style) {
    for (const std::string& line : lines) pendingMessages.push_back({line, style});
}

std::vector<AnswerLine> CommandOutput::take() { return std::exchange(pendingMessages, {}); }

}  // namespace zaffo
