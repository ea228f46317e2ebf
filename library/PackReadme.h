#pragma once

#include <string>
#include <vector>

namespace zaffo {

// The lines of packPath/readme.txt up to its first empty line (which is not included), decoded
// leniently. A readme written with CRLF line ends reads the same. No readme, one that is not a
// regular file, or no pack path gives no lines.
std::vector<std::wstring> readPackReadme(const std::string& packPath);

}  // namespace zaffo
