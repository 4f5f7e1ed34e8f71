// The standard MIDI file reader: tracks into per-track event lists in ticks, merged in time order, then
// timed in output frames through the tempo map.
#include "audio/midi.h"

#include <cmath>
#include <cstring>
#include <queue>

namespace {

enum Kind : uint8_t { CHANNEL, TEMPO, END };

// One event of a track in ticks: a channel message (status, data bytes in `value`), a tempo change
// (microseconds a beat in `value`) or the track's end.
struct TrackEvent {
    uint64_t tick;
    uint32_t value;
    Kind kind;
};

uint32_t Be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint16_t Be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }

// A variable-length quantity of at most four bytes at t[p]; false when it is cut off or longer.
bool ReadVlq(const uint8_t* t, size_t len, size_t& p, uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (p >= len) return false;
        uint8_t b = t[p++];
        value = value << 7 | (b & 0x7f);
        if (!(b & 0x80)) return true;
    }
    return false;
}

// Reads one track chunk's events; always ends the list with the track's END.
void ReadTrack(const uint8_t* t, size_t len, std::vector<TrackEvent>& out) {
    uint64_t tick = 0;
    size_t p = 0;
    uint8_t running = 0;
    while (p < len) {
        uint32_t delta;
        if (!ReadVlq(t, len, p, delta) || p >= len) break;
        tick += delta;
        uint8_t status = t[p];
        if (status & 0x80) {
            ++p;
        } else if (running) {
            status = running;  // running status: the data bytes follow at once
        } else {
            break;
        }
        if (status == 0xff) {
            running = 0;
            uint32_t length;
            if (p >= len) break;
            uint8_t type = t[p++];
            if (!ReadVlq(t, len, p, length) || length > len - p) break;
            if (type == 0x2f) break;
            if (type == 0x51 && length >= 3) {
                uint32_t tempo = uint32_t(t[p]) << 16 | uint32_t(t[p + 1]) << 8 | t[p + 2];
                if (tempo > 0) out.push_back({tick, tempo, TEMPO});
            }
            p += length;
            continue;
        }
        if (status == 0xf0 || status == 0xf7) {
            running = 0;
            uint32_t length;
            if (!ReadVlq(t, len, p, length) || length > len - p) break;
            p += length;
            continue;
        }
        if (status >= 0xf0) break;
        running = status;
        const size_t dataBytes = (status & 0xe0) == 0xc0 ? 1 : 2;  // program change and channel pressure: 1
        if (len - p < dataBytes) break;
        uint8_t d1 = t[p], d2 = dataBytes == 2 ? t[p + 1] : 0;
        if ((d1 | d2) & 0x80) break;
        p += dataBytes;
        out.push_back({tick, uint32_t(status) | uint32_t(d1) << 8 | uint32_t(d2) << 16, CHANNEL});
    }
    out.push_back({tick, 0, END});
}

}  // namespace

bool ParseMidi(const uint8_t* bytes, size_t size, int rate, std::vector<PlatformMidiEvent>& events) {
    events.clear();
    if (!bytes || size < 14 || rate <= 0 || memcmp(bytes, "MThd", 4) != 0) return false;
    const uint32_t headerLength = Be32(bytes + 4);
    if (headerLength < 6 || headerLength > size - 8) return false;
    const unsigned tracks = Be16(bytes + 10), division = Be16(bytes + 12);
    if (tracks == 0 || division == 0) return false;
    // Microseconds a tick: the tempo over the ticks a beat, or fixed by an SMPTE frame rate.
    double smpteUsPerTick = 0;
    if (division & 0x8000) {
        const int fps = -int(int8_t(division >> 8)), ticksPerFrame = division & 0xff;
        if (ticksPerFrame == 0) return false;
        smpteUsPerTick = 1e6 / ((fps == 29 ? 29.97 : double(fps)) * ticksPerFrame);
    }

    std::vector<std::vector<TrackEvent>> lists;
    size_t pos = 8 + size_t(headerLength);
    while (lists.size() < tracks && size - pos >= 8) {
        const uint32_t length = Be32(bytes + pos + 4);
        if (length > size - pos - 8) break;
        if (memcmp(bytes + pos, "MTrk", 4) == 0) {
            lists.emplace_back();
            ReadTrack(bytes + pos + 8, length, lists.back());
        }
        pos += 8 + size_t(length);
    }

    // Merge in time order; at equal ticks the lower track first, and each track's own order kept.
    struct Head {
        uint64_t tick;
        size_t track, index;
        bool operator>(const Head& o) const { return tick != o.tick ? tick > o.tick : track > o.track; }
    };
    std::priority_queue<Head, std::vector<Head>, std::greater<Head>> heads;
    size_t channelEvents = 0;
    for (size_t k = 0; k < lists.size(); ++k) {
        heads.push({lists[k][0].tick, k, 0});
        for (const TrackEvent& e : lists[k]) channelEvents += e.kind == CHANNEL;
    }
    events.reserve(channelEvents + 1);
    double us = 0, usPerTick = smpteUsPerTick > 0 ? smpteUsPerTick : 500000.0 / double(division);
    uint64_t lastTick = 0;
    uint32_t frame = 0;
    const double framesPerUs = double(rate) / 1e6, maxFrame = double(UINT32_MAX);
    while (!heads.empty()) {
        Head h = heads.top();
        heads.pop();
        const TrackEvent& e = lists[h.track][h.index];
        us += double(e.tick - lastTick) * usPerTick;
        lastTick = e.tick;
        const double f = std::floor(us * framesPerUs + 0.5);
        frame = f < maxFrame ? uint32_t(f) : UINT32_MAX;
        if (e.kind == CHANNEL)
            events.push_back({frame, uint8_t(e.value), uint8_t(e.value >> 8), uint8_t(e.value >> 16)});
        else if (e.kind == TEMPO && smpteUsPerTick == 0)
            usPerTick = double(e.value) / double(division);
        if (h.index + 1 < lists[h.track].size()) heads.push({lists[h.track][h.index + 1].tick, h.track, h.index + 1});
    }
    events.push_back({frame, 0, 0, 0});
    return true;
}
