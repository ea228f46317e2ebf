#pragma once

#include <sndfile.h>

#include <string>

namespace zaffo {

// libsndfile keeps what went wrong in a failed open in global buffers, written during the open
// and read by sf_strerror(nullptr). Opens on several threads at once (the decoders of a pack,
// the recorder) would race on them, so every open goes through here, one at a time. When the
// open fails and error is given, it receives libsndfile's reason.
SNDFILE* openSndFile(int descriptor, int mode, SF_INFO* info, std::string* error = nullptr);

}  // namespace zaffo
