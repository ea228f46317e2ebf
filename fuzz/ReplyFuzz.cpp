// Any bytes from the command socket, in any pieces: the reader must never crash, hang or
// overflow, and a reply it reads must read back the same once written again.

#include "remote/RemoteReply.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zaffo::remote::ReplyReader reader;
    const char* bytes = reinterpret_cast<const char*>(data);
    // The first byte says how big the pieces are, as a socket may hand them over.
    const std::size_t piece = size ? data[0] % 17 + 1 : 1;
    for (std::size_t at = 0; at < size; at += piece) {
        const std::size_t count = std::min(piece, size - at);
        if (auto reply = reader.feed(bytes + at, count)) {
            zaffo::remote::ReplyReader again;
            const std::string written = zaffo::remote::encodeReply(*reply);
            const auto read = again.feed(written.data(), written.size());
            if (!read || !(*read == *reply)) std::abort();
        }
    }
    return 0;
}
