#include "app/MessageLog.h"

#include "text/Utf8.h"

namespace zaffo {

void MessageLog::showWelcome() {
    std::lock_guard lock(messageMutex);
    messageLines.assign(maxMessageLines - 2, ui::text(L""));
    messageLines.push_back(ui::text(L"type 'tutorial' for tutorial") | ui::bold);
    messageLines.push_back(ui::text(L"type 'help' for help") | ui::bold);
}

void MessageLog::printMessage(const std::wstring& title, const std::vector<std::wstring>& items) {
    std::lock_guard lock(messageMutex);
    pendingMessages.push_back(ui::text(title));
    std::wstring row;
    size_t width = 0;
    for (const std::wstring& item : items) {
        const size_t itemWidth = item.size() + 1;
        // A first item longer than a row still ends the (empty) row before it.
        if (width + itemWidth > rowWidth) {
            pendingMessages.push_back(ui::text(row) | ui::bold);
            row.clear();
            width = 0;
        }
        width += itemWidth;
        row += item + L" ";
    }
    if (!row.empty()) {
        pendingMessages.push_back(ui::text(row) | ui::bold);
    }
}

void MessageLog::printLines(const std::vector<std::wstring>& lines, const ui::Decorator& style) {
    std::lock_guard lock(messageMutex);
    for (const std::wstring& line : lines) {
        pendingMessages.push_back(ui::text(line) | style);
    }
}

void MessageLog::commitCommand(const std::wstring& line, const std::string& message) {
    std::lock_guard lock(messageMutex);
    messageLines.push_back(ui::text(L"> " + line));
    messageLines.insert(messageLines.end(), pendingMessages.begin(), pendingMessages.end());
    pendingMessages.clear();
    size_t start = 0;
    while (start <= message.size()) {
        size_t end = message.find('\n', start);
        if (end == std::string::npos) end = message.size();
        if (end > start) {
            messageLines.push_back(ui::text(toWide(message.substr(start, end - start))) | ui::bold);
        }
        start = end + 1;
    }
    keepNewestLocked();
}

void MessageLog::printNow(const std::wstring& line, const ui::Decorator& style) {
    std::lock_guard lock(messageMutex);
    messageLines.push_back(ui::text(line) | style);
    keepNewestLocked();
}

void MessageLog::keepNewestLocked() {
    if (messageLines.size() > maxMessageLines) {
        messageLines.erase(messageLines.begin(), messageLines.end() - maxMessageLines);
    }
}

std::vector<ui::Element> MessageLog::lines() const {
    std::lock_guard lock(messageMutex);
    return messageLines;
}

}  // namespace zaffo
