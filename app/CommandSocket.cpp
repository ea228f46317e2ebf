#include "app/CommandSocket.h"

#include "app/AppScreen.h"
#include "app/MessageLog.h"
#include "remote/CommandServer.h"
#include "remote/PrivateFolder.h"
#include "text/Utf8.h"
#include "ui/ScreenInteractive.h"

#include <exception>

namespace zaffo {
namespace {

remote::ReplyStyle replyStyle(LineStyle style) {
    switch (style) {
        case LineStyle::plain:
            return remote::ReplyStyle::plain;
        case LineStyle::bold:
            return remote::ReplyStyle::bold;
        case LineStyle::help:
            return remote::ReplyStyle::help;
        case LineStyle::alert:
            return remote::ReplyStyle::alert;
    }
    return remote::ReplyStyle::plain;
}

}  // namespace

remote::RemoteReply toReply(const CommandAnswer& answer) {
    remote::RemoteReply reply{answer.ok, {}};
    for (const AnswerLine& line : answer.lines) reply.lines.push_back({replyStyle(line.style), line.text});
    return reply;
}

std::wstring sentText(const std::string& bytes) {
    std::wstring text = toWide(bytes);
    if (!text.empty() && text.back() == L'\r') text.pop_back();
    for (wchar_t& c : text)
        if (c < 0x20 || c == 0x7f) c = L' ';
    return text;
}

CommandSocket::CommandSocket(ui::ScreenInteractive& terminal, AppScreen& screen, MessageLog& log) {
    const auto runSent = [this, &terminal, &screen](remote::CommandServer::ClientId client, std::string line) {
        terminal.Post([this, &screen, client, line = std::move(line)] {
            server_->reply(client, remote::encodeReply(toReply(screen.runSent(sentText(line)))));
        });
    };
    try {
        server_ = std::make_unique<remote::CommandServer>(remote::commandFolder(), runSent);
        if (!server_->listening()) {
            server_.reset();
            log.printNow({"Another Zaffo already takes sent commands; this one takes none", LineStyle::plain});
        }
    } catch (const std::exception& error) {
        log.printNow({std::string("Takes no sent commands: ") + error.what(), LineStyle::alert});
    }
}

// The server's thread stops before the screen that it posts to goes.
CommandSocket::~CommandSocket() = default;

}  // namespace zaffo
