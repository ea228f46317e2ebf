#include "app/SendCommand.h"

#include "remote/CommandClient.h"
#include "remote/PrivateFolder.h"

#include <filesystem>
#include <istream>
#include <ostream>
#include <stdexcept>

namespace zaffo {
namespace {

// The colours the log shows them in: bold results, light cyan help, red errors.
const char* colourOf(remote::ReplyStyle style) {
    switch (style) {
        case remote::ReplyStyle::bold:
            return "\x1b[1m";
        case remote::ReplyStyle::help:
            return "\x1b[96m";
        case remote::ReplyStyle::alert:
            return "\x1b[31m";
        case remote::ReplyStyle::plain:
            break;
    }
    return "";
}

void print(const remote::RemoteReply& reply, std::ostream& out, bool colours) {
    for (const remote::ReplyLine& line : reply.lines) {
        const char* colour = colours ? colourOf(line.style) : "";
        out << colour << line.text << (*colour ? "\x1b[0m" : "") << "\n";
    }
    out.flush();
}

}  // namespace

int sendCommand(const std::vector<std::string>& lines, std::istream& input, std::ostream& out, std::ostream& errors,
                bool colours) {
    const std::string folder = remote::commandFolder();
    try {
        // A folder that someone else could have made holds no socket to trust.
        remote::checkPrivateFolder(folder);
    } catch (const std::exception& error) {
        errors << "zaffo: no running Zaffo to send to";
        if (std::error_code missing; std::filesystem::exists(folder, missing) || missing)
            errors << " (" << error.what() << ")";
        errors << std::endl;
        return 2;
    }
    const std::string socket = remote::commandSocketPath(folder);
    bool allWorked = true;
    std::size_t next = 0;
    std::string line;
    while (lines.empty() ? static_cast<bool>(std::getline(input, line)) : next < lines.size()) {
        if (!lines.empty()) line = lines[next++];
        const auto reply = remote::sendLine(socket, line);
        if (!reply) {
            errors << "zaffo: no running Zaffo to send to" << std::endl;
            return 2;
        }
        print(*reply, out, colours);
        allWorked = allWorked && reply->ok;
    }
    return allWorked ? 0 : 1;
}

}  // namespace zaffo
