#include "app/MessageLog.h"

#include "text/Utf8.h"

namespace zaffo {
namespace {

ui::Element shown(const AnswerLine& line) {
    ui::Element element = ui::text(toWide(line.text));
    switch (line.style) {
        case LineStyle::plain:
            return element;
        case LineStyle::bold:
            return element | ui::bold;
        case LineStyle::help:
            return element | ui::color(ui::Color::CyanLight);
        case LineStyle::alert:
            return element | ui::color(ui::Color::Red);
    }
    return element;
}

}  // namespace

void MessageLog::showWelcome() {
    std::vector<ui::Element> welcome(maxMessageLines - 2, ui::text(L""));
    welcome.push_back(ui::text(L"type 'tutorial' for tutorial") | ui::bold);
    welcome.push_back(ui::text(L"type 'help' for help") | ui::bold);
    std::lock_guard lock(messageMutex);
    messageLines.insert(messageLines.begin(), welcome.begin(), welcome.end());
    keepNewestLocked();
}

void MessageLog::commitCommand(const std::wstring& line, const CommandAnswer& answer) {
    std::lock_guard lock(messageMutex);
    messageLines.push_back(ui::text(L"> " + line));
    for (const AnswerLine& answerLine : answer.lines) messageLines.push_back(shown(answerLine));
    keepNewestLocked();
}

void MessageLog::printNow(const AnswerLine& line) {
    std::lock_guard lock(messageMutex);
    messageLines.push_back(shown(line));
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
