// The RIFF/WAVE reader: PCM sample data of any common layout, converted to 8-bit unsigned mono.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Largest WAV file read at all; larger files are refused before anything is allocated.
constexpr size_t WAVE_MAX_FILE_BYTES = 32u << 20;

struct WaveSamples {
    std::vector<uint8_t> samples;  // 8-bit unsigned mono, 128 = silence
    int32_t fileRate = 0;          // samples per second named by the file's format chunk
    int32_t channels = 0;          // as found in the file
    int32_t bits = 0;              // container bits per sample, as found in the file
};

// Walks the RIFF chunks of `bytes` up to their real end (the RIFF size field is not trusted): the format
// chunk must come before the data chunk, and every chunk must lie inside the bytes. PCM of 1..32 bits
// and 1..8 channels, plain (format tag 1) or WAVE_FORMAT_EXTENSIBLE with the PCM sub-format, is converted
// to 8-bit mono. 1 = out filled; 0 = refused (out's samples left empty, and a short reason such as
// "format tag 3 is not PCM" written to `reason` when one is given). Any bytes are safe.
int ParseWave(const uint8_t* bytes, size_t size, WaveSamples* out, char* reason = nullptr, size_t reasonSize = 0);
// Reads a whole file (at most WAVE_MAX_FILE_BYTES) and parses it. 1 = loaded; 0 = refused, with the
// reason as ParseWave gives it (or "larger than 32 MiB"); -1 = the file cannot be opened or read.
int ReadWaveFile(const char* file, WaveSamples* out, char* reason = nullptr, size_t reasonSize = 0);

// Shared by the WAV and MIDI loaders. Writes a refusal reason into `reason` (when given; bounded by
// reasonSize) and returns 0.
__attribute__((format(printf, 3, 4))) int AudioRefuse(char* reason, size_t reasonSize, const char* format, ...);
// The one console line for an audio file that cannot be used: "Cannot open KIND file NAME" when it could
// not be read (read < 0), else "Kind file NAME refused: REASON" (kind "sound" or "music").
void SayAudioRefused(const char* kind, const char* file, int read, const char* reason);
// Reads a whole regular file of at most maxBytes into out. 1 = read; 0 = refused unread as "larger than
// N MiB"; -1 = missing, not a regular file, or unreadable.
int ReadAudioFile(const char* file, size_t maxBytes, std::vector<uint8_t>& out, char* reason, size_t reasonSize);
