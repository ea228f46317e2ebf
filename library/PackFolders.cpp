#include "library/PackFolders.h"

#include "FolderListing.h"
#include "library/PathParts.h"
#include "text/Utf8.h"

#include <algorithm>

namespace zaffo {

std::vector<std::wstring> listPacks(const std::string& samplesPath) {
    std::vector<std::wstring> packs;
    for (const auto& entry : listFolder(samplesPath)) {
        if (entry.isFolder) packs.push_back(toWide(entry.name));
    }
    std::sort(packs.begin(), packs.end());
    return packs;
}

std::vector<std::string> listSamplePaths(const std::string& packPath) {
    std::vector<std::string> paths;
    for (const auto& entry : listFolder(packPath)) {
        if (isSampleFile(splitPath(entry.name))) paths.push_back(packPath + "/" + entry.name);
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::vector<std::wstring> listCompositionNames(const std::string& folder) {
    std::vector<std::wstring> names;
    for (const auto& entry : listFolder(folder)) {
        const PathParts parts = splitPath(entry.name);
        if (entry.isRegularFile && entry.isReadable && parts.ext == "json") names.push_back(toWide(parts.name));
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace zaffo
