#include "audio/OfflineDevice.h"

#include <algorithm>
#include <cstddef>

#include "audio/AudioBuffer.h"

namespace zaffo {

OfflineDevice::StartResult OfflineDevice::start(Render render, void* user) {
    render_ = render;
    user_ = user;
    return StartResult::started;
}

void OfflineDevice::stop() {
    render_ = nullptr;
    user_ = nullptr;
}

void OfflineDevice::pull(float* out, std::uint32_t frameCount) {
    if (render_)
        render_(user_, out, frameCount);
    else
        std::fill(out, out + std::size_t{frameCount} * AudioBuffer::channels, 0.0f);
}

}  // namespace zaffo
