// RIFF/WAVE files built in memory for the unit suites.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

#include "bytes.h"

struct WavFormat {
    int rate = 11025, channels = 1, bits = 8, tag = 1;
    int fmtSize = 16;        // 16, 18 with the extra-size word, 40 with the extensible format's extension
    int validBits = 0;       // extensible: valid bits of each container (0: all of them)
    uint32_t subFormat = 1;  // extensible: first field of the sub-format GUID (1 with the rest: PCM)
};

// RIFF/WAVE bytes: "fmt " at offset 12 (size at 16), "data" at 36 (size at 40) for a 16-byte format.
inline std::vector<uint8_t> MakeWav(const std::vector<uint8_t>& data, WavFormat s = {}) {
    std::vector<uint8_t> v;
    int blockAlign = s.channels * ((s.bits + 7) / 8);
    PutId(v, "RIFF");
    PutLe(v, 0, 4);
    PutId(v, "WAVE");
    PutId(v, "fmt ");
    PutLe(v, uint32_t(s.fmtSize), 4);
    PutLe(v, uint32_t(s.tag), 2);
    PutLe(v, uint32_t(s.channels), 2);
    PutLe(v, uint32_t(s.rate), 4);
    PutLe(v, uint32_t(s.rate * blockAlign), 4);
    PutLe(v, uint32_t(blockAlign), 2);
    PutLe(v, uint32_t(s.bits), 2);
    if (s.fmtSize >= 18) PutLe(v, uint32_t(s.fmtSize - 18), 2);
    if (s.tag == 0xfffe && s.fmtSize >= 40) {
        // Valid bits, channel mask, and the sub-format GUID xxxxxxxx-0000-0010-8000-00aa00389b71.
        PutLe(v, uint32_t(s.validBits ? s.validBits : s.bits), 2);
        PutLe(v, (1u << s.channels) - 1, 4);
        PutLe(v, s.subFormat, 4);
        v.insert(v.end(), {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71});
    }
    v.resize(size_t(20 + s.fmtSize), 0);
    PutId(v, "data");
    PutLe(v, uint32_t(data.size()), 4);
    v.insert(v.end(), data.begin(), data.end());
    if (data.size() & 1) v.push_back(0);
    uint32_t riff = uint32_t(v.size() - 8);
    memcpy(&v[4], &riff, 4);
    return v;
}

// n samples of 8-bit silence at `rate`, 8-bit mono PCM.
inline std::vector<uint8_t> SilentWav(size_t n, int rate) {
    WavFormat format;
    format.rate = rate;
    return MakeWav(std::vector<uint8_t>(n, 0x80), format);
}
