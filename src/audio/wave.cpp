// RIFF/WAVE reader: a bounds-checked chunk walker and the conversion of PCM frames to 8-bit mono.
#include "audio/wave.h"

#include "app/files.h"

#include <cstdio>
#include <cstring>

namespace {

uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t Le16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}

// One sample of `bytesPerSample` little-endian bytes as a signed value scaled to -32768 .. 32767.
int SampleToS16(const uint8_t* p, int bytesPerSample) {
    if (bytesPerSample == 1) return (int(p[0]) - 128) * 256;
    // Wider samples are signed; the two most significant bytes carry everything an 8-bit voice keeps.
    const uint8_t* top = p + bytesPerSample - 2;
    return int(int16_t(uint16_t(top[0] | top[1] << 8)));
}

} // namespace

int ParseWave(const uint8_t* bytes, size_t size, WaveSamples* out) {
    out->samples.clear();
    if (!bytes || size < 12) return 0;
    if (memcmp(bytes, "RIFF", 4) != 0 || memcmp(bytes + 8, "WAVE", 4) != 0) return 0;
    // The RIFF size is often wrong in the wild; never trust it beyond the bytes actually present.
    size_t end = size;
    uint64_t riffEnd = uint64_t(Le32(bytes + 4)) + 8;
    if (riffEnd >= 12 && riffEnd < end) end = size_t(riffEnd);

    bool haveFormat = false;
    int channels = 0, bits = 0;
    uint32_t rate = 0;
    size_t pos = 12;
    while (end - pos >= 8) {
        const uint8_t* head = bytes + pos;
        uint32_t chunkSize = Le32(head + 4);
        size_t body = pos + 8;
        if (chunkSize > end - body) return 0; // chunk runs past the file
        if (memcmp(head, "fmt ", 4) == 0 && !haveFormat) {
            if (chunkSize < 16) return 0;
            const uint8_t* f = bytes + body;
            if (Le16(f) != 1) return 0; // PCM only
            channels = Le16(f + 2);
            rate = Le32(f + 4);
            bits = Le16(f + 14);
            if (channels < 1 || channels > 8) return 0;
            if (bits < 1 || bits > 32) return 0;
            if (rate == 0 || rate > 1000000) return 0;
            haveFormat = true;
        } else if (memcmp(head, "data", 4) == 0 && haveFormat) {
            const int bytesPerSample = (bits + 7) / 8;
            const size_t frameBytes = size_t(bytesPerSample) * size_t(channels);
            const size_t frames = chunkSize / frameBytes;
            if (frames == 0) return 0;
            out->samples.resize(frames); // bounded by the chunk, which lies inside the file
            const uint8_t* d = bytes + body;
            for (size_t i = 0; i < frames; ++i, d += frameBytes) {
                int sum = 0;
                for (int c = 0; c < channels; ++c)
                    sum += SampleToS16(d + size_t(c) * size_t(bytesPerSample), bytesPerSample);
                int mono = sum / channels;
                out->samples[i] = uint8_t((mono >> 8) + 128);
            }
            out->fileRate = int32_t(rate);
            out->channels = channels;
            out->bits = bits;
            return 1;
        }
        // Chunks are padded to an even length; a missing pad byte at the very end is tolerated.
        size_t next = body + chunkSize + (chunkSize & 1);
        if (next > end) break;
        pos = next;
    }
    return 0;
}

int ReadWaveFile(const char* file, WaveSamples* out) {
    out->samples.clear();
    std::vector<uint8_t> bytes;
    if (!ReadFileBounded(file, WAVE_MAX_FILE_BYTES, bytes)) return 0;
    return ParseWave(bytes.data(), bytes.size(), out);
}
