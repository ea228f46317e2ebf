#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace zaffo::remote {

// What the socket carries. A request is one line of text ending in "\n". Its reply is a line
// per answer line, a style letter then the text, and a last line "=0" when the command worked
// or "=1" when it failed.
enum class ReplyStyle : char { plain = 'p', bold = 'b', help = 'h', alert = 'a' };

struct ReplyLine {
    ReplyStyle style = ReplyStyle::plain;
    std::string text;
    bool operator==(const ReplyLine&) const = default;
};

struct RemoteReply {
    bool ok = false;
    std::vector<ReplyLine> lines;
    bool operator==(const RemoteReply&) const = default;
};

// A "\n" inside a text becomes a blank, so that each text stays one line.
std::string encodeReply(const RemoteReply& reply);
// A failed reply with one alert line: what the server says when it refuses a client.
std::string refusal(const std::string& why);

// Collects a reply from the bytes as they come.
class ReplyReader {
public:
    // Takes bytes; the reply once its last line has come (the rest of the bytes are kept).
    std::optional<RemoteReply> feed(const char* bytes, std::size_t count);

private:
    std::string pending_;
    RemoteReply reply_;
};

}  // namespace zaffo::remote
