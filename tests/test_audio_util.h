// Helpers for the audio tests: test waveforms and MIDI songs built in memory, measures of the mixer's
// output, the test soundfont. Files, WAV and MIDI writing come from support/, console capture from
// test_util.h.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/midi.h"
#include "support/scratch.h"
#include "support/wav.h"
#include "test_util.h"

namespace audiotest {

// n 8-bit samples: `cycles` whole periods of a sine with peak `amp` (0..127).
inline std::vector<uint8_t> Sine8(size_t n, double cycles, int amp) {
    std::vector<uint8_t> d(n);
    for (size_t i = 0; i < n; ++i) d[i] = uint8_t(128 + lround(amp * sin(2 * M_PI * cycles * double(i) / double(n))));
    return d;
}

// A format-0 MIDI file at 120 beats a minute, 96 ticks a beat: `notes` piano notes of `ticksEach`.
inline std::vector<uint8_t> MakeMidi(int notes, int ticksEach) {
    std::vector<uint8_t> t = {0, 0xff, 0x51, 0x03, 0x07, 0xa1, 0x20, 0, 0xc0, 0x00};
    for (int i = 0; i < notes; ++i) {
        uint8_t key = uint8_t(60 + (i * 4) % 24);
        t.insert(t.end(), {0, 0x90, key, 0x70});
        PutVlq(t, uint32_t(ticksEach));
        t.insert(t.end(), {0x80, key, 0});
    }
    t.insert(t.end(), {0, 0xff, 0x2f, 0x00});
    return MidiFile(t, 96);
}

// Root mean square of one channel (0 left, 1 right) of interleaved stereo; peak of all from `from`.
inline double Rms(const std::vector<int16_t>& s, int channel) {
    double sum = 0;
    size_t n = 0;
    for (size_t i = size_t(channel); i < s.size(); i += 2, ++n) sum += double(s[i]) * double(s[i]);
    return n ? std::sqrt(sum / double(n)) : 0.0;
}
inline int Peak(const std::vector<int16_t>& s, size_t from = 0) {
    int p = 0;
    for (size_t i = from; i < s.size(); ++i) p = std::max(p, std::abs(int(s[i])));
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

}  // namespace audiotest
