#include "remote/RemoteReply.h"

#include <algorithm>

namespace zaffo::remote {

std::string encodeReply(const RemoteReply& reply) {
    std::string bytes;
    for (const ReplyLine& line : reply.lines) {
        std::string text = line.text;
        std::replace(text.begin(), text.end(), '\n', ' ');
        bytes += static_cast<char>(line.style) + text + "\n";
    }
    return bytes + (reply.ok ? "=0\n" : "=1\n");
}

std::string refusal(const std::string& why) { return encodeReply({false, {{ReplyStyle::alert, "zaffo: " + why}}}); }

std::optional<RemoteReply> ReplyReader::feed(const char* bytes, std::size_t count) {
    pending_.append(bytes, count);
    std::size_t start = 0;
    for (std::size_t end; (end = pending_.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = pending_.substr(start, end - start);
        if (line == "=0" || line == "=1") {
            RemoteReply done = std::move(reply_);
            done.ok = line == "=0";
            reply_ = {};
            pending_.erase(0, end + 1);
            return done;
        }
        const char tag = line.empty() ? 'p' : line[0];
        const bool known = tag == 'p' || tag == 'b' || tag == 'h' || tag == 'a';
        reply_.lines.push_back(
            {known ? static_cast<ReplyStyle>(tag) : ReplyStyle::plain, line.empty() ? "" : line.substr(known ? 1 : 0)});
    }
    pending_.erase(0, start);
    return std::nullopt;
}

}  // namespace zaffo::remote
