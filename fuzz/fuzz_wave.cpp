// Fuzz target for the WAV reader: any bytes must be refused or converted without a fault.
#include <cstddef>
#include <cstdint>

#include "audio/wave.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WaveSamples wave;
    if (ParseWave(data, size, &wave)) {
        // Whatever was accepted is a playable voice: samples exist and fit inside the input.
        if (wave.samples.empty() || wave.samples.size() > size) __builtin_trap();
    }
    return 0;
}
