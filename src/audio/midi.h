// Standard MIDI files read into the synthesiser's event list: the file is parsed once, when it is loaded,
// so that starting it later is a pointer handed over and the audio thread never reads a file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/platform_audio.h"

// Reads the standard MIDI file in `bytes` into `events`: every channel message of every track, timed in
// output frames at `rate` frames per second from the start of the piece, in time order (events at the
// same moment keep their order within a track, and a lower track's come first), followed by one end event
// (status 0) at the end of the longest track. Tempo changes (from any track) and the SMPTE division are
// honoured; system exclusive and other meta events are passed over. Up to `tracks` track chunks are read,
// other chunks between them passed over. A track ends at its end-of-track event, at the end of its chunk,
// or at the first event that cannot be read (running status with no status before it, a cut-off event, a
// system message that has no place in a file); what came before is kept. Times past the range of a frame
// count are held at its largest value. Any bytes are safe. False, with `events` empty, when the header is
// not a usable MIDI header or the rate is not positive.
bool ParseMidi(const uint8_t* bytes, size_t size, int rate, std::vector<PlatformMidiEvent>& events);
