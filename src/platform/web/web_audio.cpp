// The browser's audio: SDL's output device (the page's AudioContext; its callback runs on the page's one
// thread, between the animation frames), and the music synthesiser of the page (web_library.js), which
// renders the frame-timed events as the desktop's FluidSynth does.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/bounded.h"
#include "platform/common/music_synth.h"
#include "platform/platform_audio.h"
#include "platform/web/web.h"

namespace {

struct WebAudio {
    SDL_AudioDeviceID device = 0;
    PlatformAudioPull pull = nullptr;
    void* user = nullptr;
    bool initedSubsystem = false;
};
WebAudio A;

struct WebSynth {
    bool started = false;
    char soundfont[512] = "";
    float gain = 1.0f;
    MidiSequence piece;
};
WebSynth S;

void Callback(void*, Uint8* stream, int len) {
    int16_t* out = reinterpret_cast<int16_t*>(stream);
    const int frames = len / 4;
    A.pull(out, frames, A.user);
    int peak = 0;
    for (int i = 0; i < 2 * frames; ++i) peak = std::max(peak, std::abs(int(out[i])));
    zarvo_web_audio_pulled(frames, peak);
}

void AudioError(char* err, size_t errSize) {
    char line[200];
    snprintf(line, sizeof line, "Audio: %s", SDL_GetError());
    CopyBounded(err, errSize, line);
}

// A soundfont file begins "RIFF", its size, then "sfbk".
bool LoadSoundfont(const char* path) {
    char head[12] = {};
    FILE* f = fopen(path, "rb");
    if (!f) return false;
    const bool riff =
        fread(head, 1, sizeof head, f) == sizeof head && !memcmp(head, "RIFF", 4) && !memcmp(head + 8, "sfbk", 4);
    fclose(f);
    if (!riff || !zarvo_synth_load(path)) return false;
    CopyBounded(S.soundfont, path);
    return true;
}

}  // namespace

bool PlatformAudioOpen(PlatformAudioPull pull, void* user, int* rate, char* err, size_t errSize) {
    if (A.device) return false;
    if (!SDL_WasInit(SDL_INIT_AUDIO)) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            AudioError(err, errSize);
            return false;
        }
        A.initedSubsystem = true;
    }
    A.pull = pull;
    A.user = user;
    SDL_AudioSpec want{}, have{};
    want.freq = 48000;  // the page's AudioContext has a rate of its own, which SDL takes
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    // The callback shares the page's thread with the frames: a longer buffer than the desktop's rides
    // out a frame that takes long.
    want.samples = 2048;
    want.callback = Callback;
    A.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (!A.device) {
        AudioError(err, errSize);
        if (A.initedSubsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
        A.initedSubsystem = false;
        return false;
    }
    *rate = have.freq;
    SDL_PauseAudioDevice(A.device, 0);
    return true;
}

void PlatformAudioClose() {
    if (!A.device) return;
    SDL_CloseAudioDevice(A.device);
    A.device = 0;
    if (A.initedSubsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    A.initedSubsystem = false;
}

// The callback never runs while the main loop does (one thread): nothing to exclude.
void PlatformAudioLock() {}
void PlatformAudioUnlock() {}
void PlatformAudioService() {}

// No threads in the page: the soundfont loads in MusicInit.
bool PlatformMusicLoadsInBackground() { return false; }

bool PlatformMusicInit(int rate, const char* preferred, char* err, size_t errSize) {
    PlatformMusicShutdown();
    if (!zarvo_synth_start(rate, SYNTH_REVERB_ROOM, SYNTH_REVERB_LEVEL, SYNTH_CHORUS_LEVEL, SYNTH_CHORUS_DEPTH,
                           SYNTH_POLYPHONY)) {
        CopyBounded(err, errSize, "Music: the page has no synthesiser (js-synthesizer)");
        return false;
    }
    S.started = true;
    zarvo_synth_gain(SYNTH_BASE_GAIN * S.gain);
    if (!FindSoundfont(preferred, LoadSoundfont, err, errSize)) {
        PlatformMusicShutdown();
        return false;
    }
    return true;
}

void PlatformMusicShutdown(bool) {
    S.piece.Drop();
    if (S.started) zarvo_synth_stop();
    S.started = false;
    S.soundfont[0] = 0;
}

const char* PlatformMusicSoundfont() { return S.soundfont; }

bool PlatformMusicPlay(const PlatformMidiEvent* events, size_t count) {
    if (!S.started) return false;
    S.piece.Drop();
    zarvo_synth_silence(1);
    if (!events || count == 0) return false;
    S.piece.Start(events, count);
    return true;
}

void PlatformMusicStop() {
    if (!S.started) return;
    S.piece.Drop();
    zarvo_synth_silence(0);
}

bool PlatformMusicIsPlaying() { return S.piece.Playing(); }

void PlatformMusicSetGain(float gain) {
    S.gain = gain;
    if (S.started) zarvo_synth_gain(SYNTH_BASE_GAIN * gain);
}

void PlatformMusicRender(float* out, int frames) {
    if (frames <= 0) return;
    if (!S.started) {
        std::fill(out, out + 2 * frames, 0.0f);
        return;
    }
    S.piece.Run(
        out, frames, [](const PlatformMidiEvent& e) { zarvo_synth_send(e.status, e.data1, e.data2); },
        [](float* at, int n) { zarvo_synth_render(at, n); });
}
