#include "audio/AudioBuffer.h"

#include "RateConverter.h"

#include <algorithm>
#include <utility>

namespace zaffo {

AudioBuffer::AudioBuffer(std::vector<float> samples, int sourceRate)
    : samples_(std::move(samples)), bandwidth_(std::min(sourceRate, engineSampleRate) / 2.0) {
    const std::vector<float>* previous = &samples_;
    for (std::vector<float>& copy : copies_) {
        copy = halfRate(*previous);
        previous = &copy;
    }
}

}  // namespace zaffo
