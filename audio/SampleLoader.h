#pragma once

#include <memory>
#include <string>
#include <vector>

#include "audio/AudioBuffer.h"

namespace zaffo {

// Decodes a whole sound file (WAV, MP3 and whatever else libsndfile reads) into the
// engine's format: mono is copied to both sides, a file with more channels keeps its
// first two, any other rate is converted to engineSampleRate with a sinc converter.
// Returns an empty pointer for a missing, unreadable, unrecognised or empty file and
// prints nothing. Touches no shared state, so any thread may call it.
std::shared_ptr<AudioBuffer> loadSample(std::string path);

// loadSample for every path, decoded side by side on the machine's cores; the buffers come
// back in the order of the paths.
std::vector<std::shared_ptr<AudioBuffer>> loadSamples(const std::vector<std::string>& paths);

}  // namespace zaffo
