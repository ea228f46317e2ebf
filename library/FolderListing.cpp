#include "FolderListing.h"

#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace zaffo {

std::vector<FolderEntry> listFolder(const std::string& path) {
    namespace fs = std::filesystem;
    std::vector<FolderEntry> entries;
    std::error_code error;
    fs::directory_iterator it(path, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        FolderEntry entry;
        entry.name = it->path().filename().string();
        std::error_code typeError;
        entry.isFolder = it->is_directory(typeError);
        entry.isRegularFile = it->is_regular_file(typeError);
        entry.isReadable = ::access(it->path().c_str(), R_OK) == 0;
        entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace zaffo
