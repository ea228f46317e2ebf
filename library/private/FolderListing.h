#pragma once

#include <string>
#include <vector>

namespace zaffo {

struct FolderEntry {
    std::string name;
    bool isFolder = false;
    bool isRegularFile = false;
    bool isReadable = false;
};

// The entries directly inside `path` ("." and ".." excluded), in no particular order.
// A folder that cannot be read gives an empty list. Symbolic links count as what they point to.
std::vector<FolderEntry> listFolder(const std::string& path);

}  // namespace zaffo
