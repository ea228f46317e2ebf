#include "library/PackReadme.h"

#include "library/Utf8Text.h"

#include <fstream>

namespace zaffo {

std::vector<std::wstring> readPackReadme(const std::string& packPath) {
    std::vector<std::wstring> lines;
    std::ifstream readme(packPath + "/readme.txt", std::ios::binary);
    std::string line;
    while (std::getline(readme, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty()) {
            break;
        }
        lines.push_back(decodeUtf8(line));
    }
    return lines;
}

}  // namespace zaffo
