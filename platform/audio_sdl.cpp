// Sound on SDL2's own audio device: 48 kHz interleaved stereo floats in buffers of 512
// frames (about 11 ms), converted by SDL to whatever the device takes. Without a device
// the game plays on silently after one line on stderr.
#include "platform/sdl_platform.h"

#include <cstdio>
#include <cstring>

namespace {

// Frames per device buffer: well within 30 ms of latency at 48 kHz.
constexpr Uint16 audioBufferFrames = 512;

}  // namespace

void SdlEngine::audioCallback(void* self, Uint8* stream, int bytes) {
    auto* engine = static_cast<SdlEngine*>(self);
    std::memset(stream, 0, static_cast<size_t>(bytes));
    const int frames = bytes / static_cast<int>(2 * sizeof(float));
    if (engine->audioFill_)
        engine->audioFill_(engine->audioUser_, reinterpret_cast<float*>(stream), frames);
}

// Starts SDL's audio subsystem and opens its default device, or says on stderr why not.
bool SdlEngine::Audio_Start(AudioFill fill, void* user) {
    Audio_Stop();
    if (fill == nullptr) return false;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "quillfray: no sound: %s\n", SDL_GetError());
        return false;
    }
    audioStarted_ = true;
    audioFill_ = fill;
    audioUser_ = user;
    SDL_AudioSpec wanted{};
    wanted.freq = audioSampleRate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 2;
    wanted.samples = audioBufferFrames;
    wanted.callback = &SdlEngine::audioCallback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to the device's own rate, format and channels.
    audioDevice_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (audioDevice_ == 0) {
        std::fprintf(stderr, "quillfray: no sound: %s\n", SDL_GetError());
        Audio_Stop();
        return false;
    }
    SDL_PauseAudioDevice(audioDevice_, 0);
    return true;
}

// Waits for a running callback and holds the next one back.
void SdlEngine::Audio_Lock() {
    if (audioDevice_ != 0) SDL_LockAudioDevice(audioDevice_);
}

// Lets the callbacks run again.
void SdlEngine::Audio_Unlock() {
    if (audioDevice_ != 0) SDL_UnlockAudioDevice(audioDevice_);
}

// SDL plays silence without calling back while the device is paused.
void SdlEngine::Audio_Pause(bool paused) {
    if (audioDevice_ != 0) SDL_PauseAudioDevice(audioDevice_, paused ? 1 : 0);
}

// Closes the device and the audio subsystem this engine started.
void SdlEngine::Audio_Stop() {
    // Closing waits for a running callback; none follows.
    if (audioDevice_ != 0) SDL_CloseAudioDevice(audioDevice_);
    audioDevice_ = 0;
    if (audioStarted_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    audioStarted_ = false;
    audioFill_ = nullptr;
    audioUser_ = nullptr;
}
