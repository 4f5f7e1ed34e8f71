// Standard MIDI files built in memory for the unit suites and the benchmarks.
#pragma once
#include <cstdint>
#include <vector>

#include "bytes.h"

// A variable-length quantity, as MIDI writes delta times: seven bits a byte, the high bit on all but the last.
inline void PutVlq(std::vector<uint8_t>& v, uint32_t x) {
    uint8_t b[5];
    int n = 0;
    b[n++] = uint8_t(x & 0x7f);
    while (x >>= 7) b[n++] = uint8_t(0x80 | (x & 0x7f));
    while (n) v.push_back(b[--n]);
}

// A format-0 file of one track: `track` holds its events, end-of-track included; `division` ticks a beat.
inline std::vector<uint8_t> MidiFile(const std::vector<uint8_t>& track, int division = 96) {
    std::vector<uint8_t> v;
    PutId(v, "MThd");
    PutBe(v, 6, 4);
    PutBe(v, 0, 2);
    PutBe(v, 1, 2);
    PutBe(v, uint32_t(division), 2);
    PutId(v, "MTrk");
    PutBe(v, uint32_t(track.size()), 4);
    v.insert(v.end(), track.begin(), track.end());
    return v;
}
