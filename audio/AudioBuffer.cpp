#include "audio/AudioBuffer.h"

#include "RateConverter.h"

#include <utility>

namespace zaffo {

AudioBuffer::AudioBuffer(std::vector<float> samples) : samples_(std::move(samples)) {
    const std::vector<float>* previous = &samples_;
    for (std::vector<float>& copy : copies_) {
        copy = halfRate(*previous);
        previous = &copy;
    }
}

}  // namespace zaffo
