// Fuzz target for the audio file checks: any bytes must be refused or accepted without a fault, by the
// WAV reader and by the MIDI sanity check alike.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "audio/music.h"
#include "audio/wave.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WaveSamples wave;
    char reason[96];
    if (ParseWave(data, size, &wave, reason, sizeof reason)) {
        // Whatever was accepted is a playable voice: samples exist and fit inside the input after the
        // smallest header (RIFF, format and data chunk heads, 44 bytes), also when a streamed data chunk
        // was read to the end.
        if (wave.samples.empty() || wave.samples.size() + 44 > size) __builtin_trap();
    } else if (!memchr(reason, 0, sizeof reason)) {
        __builtin_trap();  // every refusal leaves a terminated reason
    }
    // An accepted MIDI file holds at least its header and one non-empty track chunk.
    if (MidiLooksSane(data, size, reason, sizeof reason) && (size < 23 || memcmp(data, "MThd", 4) != 0))
        __builtin_trap();
    return 0;
}
