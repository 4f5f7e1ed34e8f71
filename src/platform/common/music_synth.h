// What every backend's General MIDI synthesiser shares: the tuning, the search for a soundfont and the
// playing of a piece's frame-timed events (FluidSynth on the desktop, FluidSynth compiled to wasm in the
// browser).
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/platform_audio.h"

// The synthesiser's level at master volume 1. The bundled pieces, at the default music volume (80,
// -6 dB), come out at about -23 dBFS (the menu's soft pad and vibraphone) to -16 dBFS next to the
// effects; the mixer's limiter keeps peaks of music and effects together under full scale.
constexpr float SYNTH_BASE_GAIN = 1.85f;
// Reverb and chorus stay light so the effects are not drowned.
constexpr double SYNTH_REVERB_ROOM = 0.3, SYNTH_REVERB_LEVEL = 0.25;
constexpr double SYNTH_CHORUS_LEVEL = 0.5, SYNTH_CHORUS_DEPTH = 4.0;
constexpr int SYNTH_POLYPHONY = 96;

// Offers `load` the soundfont files in turn until it takes one: `preferred` when it names a file, then
// the system's usual General MIDI soundfonts, then any .sf3 of the system's folder. False, with one line
// saying what was looked for where in err, when none was taken.
bool FindSoundfont(const char* preferred, bool (*load)(const char* path), char* err, size_t errSize);

// The piece playing: its events (owned by the caller, see PlatformMusicPlay), the next one to send and
// the frames rendered since it started.
struct MidiSequence {
    const PlatformMidiEvent* events = nullptr;
    size_t count = 0, next = 0;
    uint64_t position = 0;

    void Start(const PlatformMidiEvent* e, size_t n) {
        Drop();
        events = e;
        count = n;
    }
    void Drop() {
        events = nullptr;
        count = next = 0;
        position = 0;
    }
    bool Playing() const { return events && next < count; }
    // Renders `frames` interleaved stereo frames into out: up to the next event's frame through
    // render(out, n), then every event due there through send(event), and on.
    template <class Send, class Render>
    void Run(float* out, int frames, Send send, Render render) {
        int done = 0;
        while (done < frames) {
            while (events && next < count && events[next].frame <= position) send(events[next++]);
            int n = frames - done;
            if (events && next < count && events[next].frame - position < uint64_t(n))
                n = int(events[next].frame - position);
            render(out + 2 * done, n);
            done += n;
            position += uint64_t(n);
        }
    }
};
