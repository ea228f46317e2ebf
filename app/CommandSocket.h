#pragma once

#include "core/CommandAnswer.h"
#include "remote/RemoteReply.h"

#include <memory>
#include <string>

namespace zaffo {

class AppScreen;
class MessageLog;
namespace remote {
class CommandServer;
}
namespace ui {
class ScreenInteractive;
}

// Lines sent with `zaffo send` while the screen runs. Each one is run on the screen's thread,
// one at a time in the order they came, as if typed: echoed in the log with its answer and kept
// in the history. Says in the log when another Zaffo already takes the lines.
class CommandSocket {
public:
    CommandSocket(ui::ScreenInteractive& terminal, AppScreen& screen, MessageLog& log);
    ~CommandSocket();
    CommandSocket(const CommandSocket&) = delete;
    CommandSocket& operator=(const CommandSocket&) = delete;

private:
    std::unique_ptr<remote::CommandServer> server_;
};

remote::RemoteReply toReply(const CommandAnswer& answer);
// Sent bytes as the command input would hold them: invalid UTF-8 becomes U+FFFD, control
// characters (a tab from an editor) blanks, and a line end's "\r" goes.
std::wstring sentText(const std::string& bytes);

}  // namespace zaffo
