#include "library/PathParts.h"

#include <algorithm>

namespace zaffo {

PathParts splitPath(const std::string& path) {
    std::string normalised = path;
    std::replace(normalised.begin(), normalised.end(), '\\', '/');

    PathParts parts;
    std::string fileName = normalised;
    if (auto slash = normalised.rfind('/'); slash != std::string::npos) {
        parts.dir = normalised.substr(0, slash);
        fileName = normalised.substr(slash + 1);
    }
    if (auto dot = fileName.rfind('.'); dot != std::string::npos) {
        parts.name = fileName.substr(0, dot);
        parts.ext = fileName.substr(dot + 1);
    } else {
        parts.name = fileName;
    }
    return parts;
}

bool isSampleFile(const PathParts& parts) {
    if (parts.name.starts_with("recording_")) {
        return false;
    }
    return parts.ext == "mp3" || parts.ext == "wav";
}

bool isPackName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string::npos;
}

}  // namespace zaffo
