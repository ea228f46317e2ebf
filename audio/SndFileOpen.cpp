#include "SndFileOpen.h"

#include <mutex>

namespace zaffo {

SNDFILE* openSndFile(int descriptor, int mode, SF_INFO* info, std::string* error) {
    static std::mutex openMutex;
    std::lock_guard lock(openMutex);
    SNDFILE* file = sf_open_fd(descriptor, mode, info, SF_FALSE);
    if (!file && error) *error = sf_strerror(nullptr);
    return file;
}

}  // namespace zaffo
