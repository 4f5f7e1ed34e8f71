// RIFF/WAVE reader: a bounds-checked chunk walker and the conversion of PCM frames to 8-bit mono.
#include "audio/wave.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/files.h"
#include "core/print.h"
#include "platform/system.h"

namespace {

uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

constexpr uint16_t TAG_PCM = 1;
constexpr uint16_t TAG_EXTENSIBLE = 0xfffe;
// KSDATAFORMAT_SUBTYPE_PCM, 00000001-0000-0010-8000-00aa00389b71, as the GUID is stored in a file.
constexpr uint8_t SUBTYPE_PCM[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                     0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};

// One sample of `bytesPerSample` little-endian bytes as a signed value scaled to -32768 .. 32767.
int SampleToS16(const uint8_t* p, int bytesPerSample) {
    if (bytesPerSample == 1) return (int(p[0]) - 128) * 256;
    // Wider samples are signed; the two most significant bytes carry everything an 8-bit voice keeps.
    // Extensible files hold fewer valid bits than the container at its top, so the same holds there.
    const uint8_t* top = p + bytesPerSample - 2;
    return int(int16_t(uint16_t(top[0] | top[1] << 8)));
}

}  // namespace

int ParseWave(const uint8_t* bytes, size_t size, WaveSamples* out, char* reason, size_t reasonSize) {
    out->samples.clear();
    if (!bytes || size < 12 || memcmp(bytes, "RIFF", 4) != 0 || memcmp(bytes + 8, "WAVE", 4) != 0)
        return AudioRefuse(reason, reasonSize, "not a RIFF/WAVE file");
    // The RIFF size is often wrong in the wild, too large or too small: the chunks are walked to the end
    // of the bytes actually present, and each one must lie inside them.
    const size_t end = size;
    bool haveFormat = false, dataFirst = false;
    int channels = 0, bits = 0;
    uint32_t rate = 0;
    size_t pos = 12;
    while (end - pos >= 8) {
        const uint8_t* head = bytes + pos;
        uint32_t chunkSize = Le32(head + 4);
        size_t body = pos + 8;
        if (chunkSize > end - body) {
            // A recorder streaming to a pipe writes its data chunk's size before it knows it (0x80000000,
            // 0xFFFFFFFF): a data chunk after the format runs to the end of the file, which ends it.
            if (memcmp(head, "data", 4) != 0 || !haveFormat)
                return AudioRefuse(reason, reasonSize, "chunk runs past the end of the file");
            chunkSize = uint32_t(end - body);
        }
        if (memcmp(head, "fmt ", 4) == 0 && !haveFormat) {
            if (chunkSize < 16) return AudioRefuse(reason, reasonSize, "format chunk is too short");
            const uint8_t* f = bytes + body;
            unsigned tag = Le16(f);
            if (tag == TAG_EXTENSIBLE) {
                // The extension: size word, valid bits, channel mask, then the sub-format GUID.
                if (chunkSize < 40 || Le16(f + 16) < 22)
                    return AudioRefuse(reason, reasonSize, "extensible format chunk is too short");
                if (memcmp(f + 24, SUBTYPE_PCM, sizeof SUBTYPE_PCM) != 0)
                    return AudioRefuse(reason, reasonSize, "extensible sub-format is not PCM");
            } else if (tag != TAG_PCM) {
                return AudioRefuse(reason, reasonSize, "format tag %u is not PCM", tag);
            }
            channels = Le16(f + 2);
            rate = Le32(f + 4);
            bits = Le16(f + 14);  // the container size, which steps the samples
            if (channels < 1 || channels > 8)
                return AudioRefuse(reason, reasonSize, "%d channels is not 1 to 8", channels);
            if (bits < 1 || bits > 32) return AudioRefuse(reason, reasonSize, "%d bits a sample is not 1 to 32", bits);
            if (rate == 0 || rate > 1000000)
                return AudioRefuse(reason, reasonSize, "sample rate %u is not 1 to 1000000", unsigned(rate));
            haveFormat = true;
        } else if (memcmp(head, "data", 4) == 0) {
            if (!haveFormat) {
                dataFirst = true;
            } else {
                const int bytesPerSample = (bits + 7) / 8;
                const size_t frameBytes = size_t(bytesPerSample) * size_t(channels);
                const size_t frames = chunkSize / frameBytes;
                if (frames == 0) return AudioRefuse(reason, reasonSize, "data chunk holds no whole frame");
                out->samples.resize(frames);  // bounded by the chunk, which lies inside the file
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
        }
        // Chunks are padded to an even length; a missing pad byte at the very end is tolerated.
        size_t next = body + chunkSize + (chunkSize & 1);
        if (next > end) break;
        pos = next;
    }
    if (!haveFormat) return AudioRefuse(reason, reasonSize, "no format chunk");
    return AudioRefuse(reason, reasonSize, dataFirst ? "data chunk comes before the format chunk" : "no data chunk");
}

int ReadWaveFile(const char* file, WaveSamples* out, char* reason, size_t reasonSize) {
    out->samples.clear();
    std::vector<uint8_t> bytes;
    int read = ReadAudioFile(file, WAVE_MAX_FILE_BYTES, bytes, reason, reasonSize);
    if (read != 1) return read;
    return ParseWave(bytes.data(), bytes.size(), out, reason, reasonSize);
}

int AudioRefuse(char* reason, size_t reasonSize, const char* format, ...) {
    if (reason && reasonSize) {
        va_list args;
        va_start(args, format);
        vsnprintf(reason, reasonSize, format, args);
        va_end(args);
    }
    return 0;
}

int ReadAudioFile(const char* file, size_t maxBytes, std::vector<uint8_t>& out, char* reason, size_t reasonSize) {
    out.clear();
    // Only regular files are opened: a folder cannot be read and a named pipe would wait for a writer.
    uint64_t size = 0;
    if (!file || !file[0] || !PlatformFileSize(file, &size)) return -1;
    if (size > maxBytes) return AudioRefuse(reason, reasonSize, "larger than %zu MiB", maxBytes >> 20);
    return ReadFileBounded(file, maxBytes, out) ? 1 : -1;
}

void SayAudioRefused(const char* kind, const char* file, int read, const char* reason) {
    char line[512];
    if (read < 0)
        snprintf(line, sizeof line, "Cannot open %s file %s", kind, file ? file : "");
    else
        snprintf(line, sizeof line, "%c%s file %s refused: %s", kind[0] - 'a' + 'A', kind + 1, file, reason);
    Print(line);
}
