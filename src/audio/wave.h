// The RIFF/WAVE reader: PCM sample data of any common layout, converted to 8-bit unsigned mono.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Largest WAV file read at all; larger files are refused before anything is allocated.
constexpr size_t WAVE_MAX_FILE_BYTES = 32u << 20;

struct WaveSamples {
    std::vector<uint8_t> samples; // 8-bit unsigned mono, 128 = silence
    int32_t fileRate = 0;         // samples per second named by the file's format chunk
    int32_t channels = 0;         // as found in the file
    int32_t bits = 0;             // as found in the file
};

// Walks the RIFF chunks of `bytes`: the format chunk (tag 1, at least 16 bytes) must come before the
// data chunk, and every chunk must lie inside the bytes. 8/16/24/32-bit PCM with 1..8 channels is
// converted to 8-bit mono. 1 = out filled; 0 = refused (out's samples left empty). Any bytes are safe.
int ParseWave(const uint8_t* bytes, size_t size, WaveSamples* out);
// Reads a whole file (at most WAVE_MAX_FILE_BYTES) and parses it. 1 = loaded, 0 = missing or refused.
int ReadWaveFile(const char* file, WaveSamples* out);
