// The SDL audio device: 16-bit stereo output whose callback pulls frames from the portable mixer.
#include <SDL.h>

#include <cstdio>

#include "core/bounded.h"
#include "platform/platform_audio.h"

namespace {

SDL_AudioDeviceID Device = 0;
PlatformAudioPull Pull = nullptr;
void* PullUser = nullptr;
bool InitedSubsystem = false;

void Callback(void*, Uint8* stream, int len) { Pull(reinterpret_cast<int16_t*>(stream), len / 4, PullUser); }

}  // namespace

bool PlatformAudioOpen(PlatformAudioPull pull, void* user, int* rate, char* err, size_t errSize) {
    if (Device) return false;
    if (!SDL_WasInit(SDL_INIT_AUDIO)) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            char line[200];
            snprintf(line, sizeof line, "Audio: %s", SDL_GetError());
            CopyBounded(err, errSize, line);
            return false;
        }
        InitedSubsystem = true;
    }
    Pull = pull;
    PullUser = user;
    SDL_AudioSpec want{}, have{};
    want.freq = 48000;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = Callback;
    Device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (!Device) {
        char line[200];
        snprintf(line, sizeof line, "Audio: %s", SDL_GetError());
        CopyBounded(err, errSize, line);
        if (InitedSubsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
        InitedSubsystem = false;
        return false;
    }
    *rate = have.freq;
    SDL_PauseAudioDevice(Device, 0);
    return true;
}

void PlatformAudioClose() {
    if (!Device) return;
    SDL_CloseAudioDevice(Device);
    Device = 0;
    if (InitedSubsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    InitedSubsystem = false;
}

void PlatformAudioLock() {
    if (Device) SDL_LockAudioDevice(Device);
}

void PlatformAudioUnlock() {
    if (Device) SDL_UnlockAudioDevice(Device);
}

void PlatformAudioService() {}

// The game loads the soundfont while its first frames are shown.
bool PlatformMusicLoadsInBackground() { return true; }
