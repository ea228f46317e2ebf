#include "audio/SdlDevice.h"

#include <SDL.h>

#include <string>

#include "audio/AudioBuffer.h"

namespace zaffo {

SdlDevice::~SdlDevice() { stop(); }

SdlDevice::StartResult SdlDevice::start(Render render, void* user) {
    stop();
    // Ctrl+C and the termination signals belong to the terminal interface.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        explainFailure();
        return StartResult::openFailed;
    }
    render_ = render;
    user_ = user;
    SDL_AudioSpec wanted{};
    wanted.freq = engineSampleRate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = AudioBuffer::channels;
    wanted.samples = requestedPeriodFrames;
    wanted.callback = &SdlDevice::callback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    id_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (id_ == 0) {
        explainFailure();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return StartResult::openFailed;
    }
    latencyFrames_ = obtained.samples * buffersHeld(SDL_GetCurrentAudioDriver());
    SDL_PauseAudioDevice(id_, 0);
    if (SDL_GetAudioDeviceStatus(id_) != SDL_AUDIO_PLAYING) {
        stop();
        return StartResult::startFailed;
    }
    return StartResult::started;
}

void SdlDevice::stop() {
    if (id_ == 0) return;
    SDL_CloseAudioDevice(id_);
    id_ = 0;
    latencyFrames_ = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

// SDL takes the driver that SDL_AUDIODRIVER names, or else tries its drivers in order until one initialises, leaving
// out those that play nowhere (disk, dummy).
void SdlDevice::explainFailure() {
    if (!failure_) return;
    std::string tried;
    if (const char* asked = SDL_getenv("SDL_AUDIODRIVER"); asked && *asked) {
        tried = asked;
    } else {
        const char* current = SDL_GetCurrentAudioDriver();
        for (int i = 0; i < SDL_GetNumAudioDrivers(); ++i) {
            const std::string name = SDL_GetAudioDriver(i);
            if (!current && (name == "disk" || name == "dummy")) continue;
            tried += (tried.empty() ? "" : ", ") + name;
            if (current && name == current) break;
        }
    }
    *failure_ = "SDL tried " + tried + ": " + SDL_GetError();
}

std::uint32_t SdlDevice::buffersHeld(const char* driver) {
    // The dummy and disk drivers play nothing: a buffer is done with once the callback has filled it. The backends
    // that play ask their server or hardware for a buffer of two periods (ALSA) or keep one buffer queued behind the
    // one being filled (PulseAudio, PipeWire).
    const std::string name = driver ? driver : "";
    return name == "dummy" || name == "disk" ? 1 : 2;
}

void SdlDevice::callback(void* self, std::uint8_t* stream, int length) {
    auto* device = static_cast<SdlDevice*>(self);
    const auto frames = static_cast<std::uint32_t>(length) / (sizeof(float) * AudioBuffer::channels);
    device->render_(device->user_, reinterpret_cast<float*>(stream), frames);
}

}  // namespace zaffo
