#include "remote/PrivateFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace zaffo::remote {

std::string commandFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/') return std::string(runtime) + "/zaffo";
    return "/tmp/zaffo-" + std::to_string(geteuid());
}

std::string commandSocketPath(const std::string& folder) { return folder + "/commands.sock"; }

void makePrivateFolder(const std::string& folder) {
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        throw std::runtime_error("cannot make " + folder + ": " + std::strerror(errno));
    checkPrivateFolder(folder);
}

void checkPrivateFolder(const std::string& folder) {
    struct stat status {};
    // lstat: a link planted in place of the folder is refused, not followed.
    if (lstat(folder.c_str(), &status) != 0) throw std::runtime_error(folder + ": " + std::strerror(errno));
    if (S_ISLNK(status.st_mode)) throw std::runtime_error(folder + " is a link, not a folder");
    if (!S_ISDIR(status.st_mode)) throw std::runtime_error(folder + " is not a folder");
    if (status.st_uid != geteuid()) throw std::runtime_error(folder + " belongs to another user");
    if ((status.st_mode & 077) != 0) throw std::runtime_error(folder + " is open to other users (mode not 0700)");
}

}  // namespace zaffo::remote
