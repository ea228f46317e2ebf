#pragma once

#include "remote/RemoteReply.h"

#include <optional>
#include <string>

namespace zaffo::remote {

// Sends one line to the server on the socket and waits for its reply: nothing when no server
// listens there or it went away before replying. Each line has a connection of its own, so a
// line typed long after the last is no idle client.
std::optional<RemoteReply> sendLine(const std::string& socketPath, const std::string& line);

}  // namespace zaffo::remote
