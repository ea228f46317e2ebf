#include "app/SendCommand.h"

#include "remote/CommandClient.h"
#include "remote/PrivateFolder.h"

#include <algorithm>
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

// The text's lines; a last empty one (after a final line end) is no line.
std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
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
    std::vector<std::string> argumentLines;  // an argument may hold several: an editor's selection
    for (const std::string& argument : lines)
        for (std::string& line : linesOf(argument)) argumentLines.push_back(std::move(line));
    std::size_t next = 0;
    // Standard input is read a line at a time, so that each line goes as soon as it is typed.
    const auto nextLine = [&](std::string& line) {
        if (lines.empty()) return static_cast<bool>(std::getline(input, line));
        if (next == argumentLines.size()) return false;
        line = argumentLines[next++];
        return true;
    };
    for (std::string line; nextLine(line);) {
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;  // as if Enter was not pressed
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
