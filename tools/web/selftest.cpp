// The browser toolchain's self-test: an SDL2 + SDL2_ttf program built to WebAssembly against the
// libraries scripts/web.sh builds from Debian's sources. From a main loop driven by
// emscripten_set_main_loop it draws a rectangle and a line of text into the page's canvas, plays a short
// phrase through the page's synthesiser (js-synthesizer) from SDL's audio callback, counts its runs in a
// file under $HOME kept in the browser's storage (IDBFS), and publishes what it saw on window.selftest
// for the browser test driver. Enter changes the rectangle's colour; Escape leaves the main loop.
#include <SDL.h>
#include <SDL_ttf.h>
#include <emscripten.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/web/web.h"

namespace {

// ---- what the page sees -----------------------------------------------------------------------------

EM_JS(void, Report, (const char* key, double value), {
    const report = (globalThis.selftest = globalThis.selftest || {});
    report[UTF8ToString(key)] = value;
});

EM_JS(void, ReportText, (const char* key, const char* value), {
    const report = (globalThis.selftest = globalThis.selftest || {});
    report[UTF8ToString(key)] = UTF8ToString(value);
});

// ---- the page's synthesiser ---------------------------------------------------------------------------
// js-synthesizer runs FluidSynth in a wasm module of its own (libfluidsynth-*.js, loaded by the page). The
// game's browser backend reaches it synchronously through its JavaScript library (platform/web/web.h),
// linked in here too: the soundfont is handed over once, then each audio callback sends the MIDI events
// that are due and renders the frames between them, as the desktop synthesiser does.

// ---- the phrase ---------------------------------------------------------------------------------------

struct MidiEvent {
    uint32_t frame;  // from the start of the phrase, in output frames
    uint8_t status, data1, data2;
};
constexpr int MAX_EVENTS = 32;
MidiEvent Phrase[MAX_EVENTS];
int PhraseLength = 0;
uint32_t PhraseFrames = 0;

void AddEvent(uint32_t frame, uint8_t status, uint8_t data1, uint8_t data2) {
    if (PhraseLength < MAX_EVENTS) Phrase[PhraseLength++] = {frame, status, data1, data2};
}

// A rising triad on the piano and a held fifth on strings, repeated every two seconds.
void MakePhrase(int rate) {
    const uint32_t beat = uint32_t(rate) / 4;
    AddEvent(0, 0xc0, 0, 0);
    AddEvent(0, 0xc1, 48, 0);
    AddEvent(0, 0x91, 48, 70);
    AddEvent(0, 0x91, 55, 70);
    const uint8_t notes[3] = {60, 64, 67};
    for (int i = 0; i < 3; ++i) {
        AddEvent(beat * uint32_t(i), 0x90, notes[i], 100);
        AddEvent(beat * uint32_t(i + 1), 0x80, notes[i], 0);
    }
    AddEvent(beat * 6, 0x81, 48, 0);
    AddEvent(beat * 6, 0x81, 55, 0);
    PhraseFrames = beat * 8;
}

// ---- audio: the callback mixes the synthesiser's music with a soft tone -------------------------------

struct Audio {
    SDL_AudioDeviceID device = 0;
    int rate = 0;
    bool synth = false;
    uint32_t position = 0;  // frames into the phrase
    int next = 0;           // next event of the phrase
    double tonePhase = 0;
    // What the page reads: callbacks so far and the loudest sample, in 16-bit units.
    int callbacks = 0;
    int peak = 0;
} A;

float Music[2 * 4096];

void RenderMusic(int frames) {
    int done = 0;
    while (done < frames) {
        while (A.next < PhraseLength && Phrase[A.next].frame <= A.position) {
            const MidiEvent& e = Phrase[A.next++];
            zarvo_synth_send(e.status, e.data1, e.data2);
        }
        int n = frames - done < 1024 ? frames - done : 1024;  // at most 1024 frames a render
        if (A.next < PhraseLength && Phrase[A.next].frame - A.position < uint32_t(n))
            n = int(Phrase[A.next].frame - A.position);
        if (A.position + uint32_t(n) > PhraseFrames) n = int(PhraseFrames - A.position);
        if (n > 0) zarvo_synth_render(Music + 2 * done, n);
        done += n;
        A.position += uint32_t(n);
        if (A.position >= PhraseFrames) {
            A.position = 0;
            A.next = 0;
        }
    }
}

void AudioCallback(void*, Uint8* stream, int len) {
    int16_t* out = reinterpret_cast<int16_t*>(stream);
    int frames = len / 4;
    if (frames > 4096) frames = 4096;
    if (A.synth) RenderMusic(frames);
    int peak = A.peak;
    for (int i = 0; i < frames; ++i) {
        const float tone = 0.05f * float(std::sin(A.tonePhase));
        A.tonePhase += 2 * M_PI * 220.0 / A.rate;
        if (A.tonePhase > 2 * M_PI) A.tonePhase -= 2 * M_PI;
        for (int c = 0; c < 2; ++c) {
            float v = (A.synth ? Music[2 * i + c] : 0.0f) + tone;
            v = v < -1.0f ? -1.0f : v > 1.0f ? 1.0f : v;
            const int16_t s = int16_t(std::lrint(v * 32767.0f));
            out[2 * i + c] = s;
            if (std::abs(int(s)) > peak) peak = std::abs(int(s));
        }
    }
    A.peak = peak;
    ++A.callbacks;
}

void OpenAudio() {
    SDL_AudioSpec want{}, have{};
    want.freq = 48000;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = AudioCallback;
    A.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (!A.device) {
        ReportText("audioError", SDL_GetError());
        return;
    }
    A.rate = have.freq;
    Report("audioRate", have.freq);
    Report("audioSamples", have.samples);
    MakePhrase(have.freq);
    A.synth = zarvo_synth_start(have.freq, 0.3, 0.25, 0.5, 4.0, 96) != 0;
    Report("synth", A.synth ? 1 : 0);
    A.synth = A.synth && zarvo_synth_load("/sf/TimGM6mb.sf2") != 0;
    Report("soundfont", A.synth ? 1 : 0);
    SDL_PauseAudioDevice(A.device, 0);
}

// ---- storage: a run counter under $HOME, which the page keeps in IndexedDB ----------------------------

void CountRun() {
    const char* home = getenv("HOME");
    char dir[256], path[300];
    snprintf(dir, sizeof dir, "%s/.config", home ? home : "");
    mkdir(dir, 0755);
    snprintf(dir, sizeof dir, "%s/.config/zarvo-selftest", home ? home : "");
    mkdir(dir, 0755);
    snprintf(path, sizeof path, "%s/runs.txt", dir);
    ReportText("storedAt", path);
    int runs = 0;
    if (FILE* f = fopen(path, "r")) {
        if (fscanf(f, "%d", &runs) != 1 || runs < 0 || runs > 1000000) runs = 0;
        fclose(f);
    }
    ++runs;
    if (FILE* f = fopen(path, "w")) {
        fprintf(f, "%d\n", runs);
        fclose(f);
    }
    Report("runs", runs);
    // Writes the changed files back to IndexedDB; the page knows when they are there.
    EM_ASM({
        FS.syncfs(
            false, function(err) {
                if (err)
                    console.warn("self-test: storing the run counter failed: " + err);
                else
                    globalThis.selftest.stored = 1;
            });
    });
}

// ---- video ----------------------------------------------------------------------------------------------

struct View {
    SDL_Window* window = nullptr;
    TTF_Font* font = nullptr;
    SDL_Surface* text = nullptr;
    bool alternate = false;
    int frames = 0;
    uint32_t startMs = 0;
} V;

void Draw() {
    SDL_Surface* s = SDL_GetWindowSurface(V.window);
    if (!s) return;
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, 10, 12, 40));
    const SDL_Rect box = {40, 40, 260, 160};
    const Uint32 colour = V.alternate ? SDL_MapRGB(s->format, 40, 200, 90) : SDL_MapRGB(s->format, 220, 60, 40);
    SDL_FillRect(s, &box, colour);
    if (V.text) {
        SDL_Rect at = {40, 240, V.text->w, V.text->h};
        SDL_BlitSurface(V.text, nullptr, s, &at);
    }
    SDL_UpdateWindowSurface(V.window);
}

void Finish() {
    emscripten_cancel_main_loop();
    if (A.device) SDL_CloseAudioDevice(A.device);
    Report("callbacks", A.callbacks);
    Report("peak", A.peak);
    Report("done", 1);
}

void Frame() {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        if (e.type == SDL_KEYDOWN && !e.key.repeat) {
            if (e.key.keysym.sym == SDLK_RETURN) {
                V.alternate = !V.alternate;
                Report("enter", V.alternate ? 1 : 0);
            } else if (e.key.keysym.sym == SDLK_ESCAPE) {
                Finish();
                return;
            }
        }
    }
    Draw();
    ++V.frames;
    if (V.frames == 1) Report("firstFrameMs", emscripten_get_now());
    Report("frames", V.frames);
    Report("elapsedMs", SDL_GetTicks() - V.startMs);
    Report("callbacks", A.callbacks);
    Report("peak", A.peak);
}

}  // namespace

int main() {
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO) != 0) {
        ReportText("error", SDL_GetError());
        return 1;
    }
    V.window = SDL_CreateWindow("Zarvo web self-test", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 640, 360, 0);
    if (!V.window || TTF_Init() != 0) {
        ReportText("error", SDL_GetError());
        return 1;
    }
    V.font = TTF_OpenFont("/fonts/DejaVuSans.ttf", 28);
    if (V.font) {
        const SDL_Color white = {255, 255, 255, 255};
        V.text = TTF_RenderUTF8_Blended(V.font, "Zarvo web self-test", white);
    }
    Report("textWidth", V.text ? V.text->w : 0);
    CountRun();
    OpenAudio();
    V.startMs = SDL_GetTicks();
    emscripten_set_main_loop(Frame, 0, 1);
    return 0;
}
