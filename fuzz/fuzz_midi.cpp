// Fuzz target for the MIDI reader: any bytes are refused or read into a well-formed event list without a
// fault, and whatever the sanity check accepts is read.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/midi.h"
#include "audio/music.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<PlatformMidiEvent> events;
    bool read = ParseMidi(data, size, 48000, events);
    if (MidiLooksSane(data, size) && !read) __builtin_trap();
    if (!read) {
        if (!events.empty()) __builtin_trap();
        return 0;
    }
    // Channel messages with 7-bit data in time order, then the end; never more events than bytes.
    if (events.empty() || events.size() > size || events.back().status != 0) __builtin_trap();
    for (size_t i = 0; i + 1 < events.size(); ++i) {
        const PlatformMidiEvent& e = events[i];
        if (e.status < 0x80 || e.status >= 0xf0 || (e.data1 | e.data2) & 0x80) __builtin_trap();
        if (e.frame > events[i + 1].frame) __builtin_trap();
    }
    return 0;
}
