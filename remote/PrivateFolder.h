#pragma once

#include <string>

namespace zaffo::remote {

// Where the command socket lives: $XDG_RUNTIME_DIR/zaffo when that is set to an absolute path,
// otherwise /tmp/zaffo-UID.
std::string commandFolder();
std::string commandSocketPath(const std::string& folder);

// Creates the folder with mode 0700 when it is missing, then checks it as checkPrivateFolder does.
// Throws std::runtime_error saying what is wrong.
void makePrivateFolder(const std::string& folder);
// A folder that only this user reaches: a real folder (not a link), owned by this user, with
// no permission for group or others. Throws std::runtime_error saying what is wrong.
void checkPrivateFolder(const std::string& folder);

}  // namespace zaffo::remote
