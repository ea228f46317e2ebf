#include "library/PackReadme.h"

#include "files/RegularFile.h"
#include "text/Utf8.h"

#include <sstream>

namespace zaffo {
namespace {

// Far more than the log can show; a huge file named readme.txt is not read to its end.
constexpr std::size_t readmeLimit = 64 * 1024;

}  // namespace

std::vector<std::wstring> readPackReadme(const std::string& packPath) {
    std::vector<std::wstring> lines;
    if (packPath.empty()) {
        return lines;
    }
    std::istringstream readme(readRegularFile(packPath + "/readme.txt", readmeLimit).value_or(""));
    std::string line;
    while (std::getline(readme, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty()) {
            break;
        }
        lines.push_back(toWide(line));
    }
    return lines;
}

}  // namespace zaffo
