#include "audio/AudioBuffer.h"

#include <utility>

namespace zaffo {

AudioBuffer::AudioBuffer(std::vector<float> samples) : samples_(std::move(samples)) {}

}  // namespace zaffo
