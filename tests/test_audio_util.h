// Helpers for the audio tests: WAV and MIDI files built in memory, a scratch folder, console capture.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "console/console.h"

namespace audiotest {

inline void PutLe(std::vector<uint8_t>& v, uint32_t x, int bytes) {
    for (int i = 0; i < bytes; ++i)
        v.push_back(uint8_t(x >> (8 * i)));
}
inline void PutBe(std::vector<uint8_t>& v, uint32_t x, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        v.push_back(uint8_t(x >> (8 * i)));
}
inline void PutId(std::vector<uint8_t>& v, const char* id) {
    for (int i = 0; i < 4; ++i)
        v.push_back(uint8_t(id[i]));
}

struct WavSpec {
    int rate = 11025, channels = 1, bits = 8, tag = 1;
    int fmtSize = 16;       // 16, 18 with the extra-size word, 40 with the extensible format's extension
    int validBits = 0;      // extensible: valid bits of each container (0: all of them)
    uint32_t subFormat = 1; // extensible: first field of the sub-format GUID (1 with the rest: PCM)
};

// RIFF/WAVE bytes: "fmt " at offset 12 (size at 16), "data" at 36 (size at 40) for a 16-byte format.
inline std::vector<uint8_t> MakeWav(const std::vector<uint8_t>& data, WavSpec s = {}) {
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

// n 8-bit samples: `cycles` whole periods of a sine with peak `amp` (0..127).
inline std::vector<uint8_t> Sine8(size_t n, double cycles, int amp) {
    std::vector<uint8_t> d(n);
    for (size_t i = 0; i < n; ++i)
        d[i] = uint8_t(128 + lround(amp * sin(2 * M_PI * cycles * double(i) / double(n))));
    return d;
}

inline bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

// A definition file with CR LF line ends.
inline bool WriteDefinition(const std::string& path, const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines)
        text += l + "\r\n";
    return WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

// A fresh folder under the temporary folder, one per test program run.
inline const std::string& ScratchDir() {
    static std::string dir = [] {
        const char* base = getenv("TMPDIR");
        std::string t = std::string(base && base[0] ? base : "/tmp") + "/zarvo_audio_XXXXXX";
        std::vector<char> buf(t.begin(), t.end());
        buf.push_back(0);
        const char* made = mkdtemp(buf.data());
        return std::string(made ? made : "/tmp");
    }();
    return dir;
}
inline std::string Scratch(const std::string& name) {
    return ScratchDir() + "/" + name;
}

// A format-0 MIDI file at 120 beats a minute, 96 ticks a beat: `notes` piano notes of `ticksEach`.
inline std::vector<uint8_t> MakeMidi(int notes, int ticksEach) {
    std::vector<uint8_t> t = {0, 0xff, 0x51, 0x03, 0x07, 0xa1, 0x20, 0, 0xc0, 0x00};
    for (int i = 0; i < notes; ++i) {
        uint8_t key = uint8_t(60 + (i * 4) % 24);
        t.insert(t.end(), {0, 0x90, key, 0x70});
        if (ticksEach >= 128) t.push_back(uint8_t(0x80 | (ticksEach >> 7)));
        t.insert(t.end(), {uint8_t(ticksEach & 0x7f), 0x80, key, 0});
    }
    t.insert(t.end(), {0, 0xff, 0x2f, 0x00});
    std::vector<uint8_t> v;
    PutId(v, "MThd");
    PutBe(v, 6, 4);
    PutBe(v, 0, 2);
    PutBe(v, 1, 2);
    PutBe(v, 96, 2);
    PutId(v, "MTrk");
    PutBe(v, uint32_t(t.size()), 4);
    v.insert(v.end(), t.begin(), t.end());
    return v;
}

// Console lines printed after the most recent `marker` line, oldest first.
inline std::vector<std::string> LinesAfter(const char* marker) {
    std::vector<std::string> lines;
    for (int slot = CONSOLE_INPUT_SLOT - 1; slot >= 0; --slot) {
        std::string text(reinterpret_cast<const char*>(Console.ConsoleBuffer[slot]) + 4);
        if (text == marker) break;
        lines.insert(lines.begin(), text);
    }
    return lines;
}

// Root mean square of one channel (0 left, 1 right) of interleaved stereo; peak of all from `from`.
inline double Rms(const std::vector<int16_t>& s, int channel) {
    double sum = 0;
    size_t n = 0;
    for (size_t i = size_t(channel); i < s.size(); i += 2, ++n)
        sum += double(s[i]) * double(s[i]);
    return n ? std::sqrt(sum / double(n)) : 0.0;
}
inline int Peak(const std::vector<int16_t>& s, size_t from = 0) {
    int p = 0;
    for (size_t i = from; i < s.size(); ++i)
        p = std::max(p, std::abs(int(s[i])));
    return p;
}

// The small General MIDI soundfont when present keeps the music tests quick.
inline const char* TestSoundfont() {
    for (const char* c : {"/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/sounds/sf2/default-GM.sf2"})
        if (FILE* f = fopen(c, "rb")) {
            fclose(f);
            return c;
        }
    return "";
}

} // namespace audiotest
