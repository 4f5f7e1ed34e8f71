// The audio boundary: one output device that pulls mixed frames, and the MIDI music synthesiser.
// The portable mixer (audio/mixer.h) does all the mixing; backends only move frames and render music.
#pragma once
#include <cstddef>
#include <cstdint>

// ---- output device -----------------------------------------------------------------------------------
// Fills `frames` interleaved stereo frames (left, right) of signed 16-bit samples. Runs on the audio
// thread in the real backend: it must not allocate, block on files, or take locks held during loads.
using PlatformAudioPull = void (*)(int16_t* out, int frames, void* user);

// Opens the default output device (stereo, 16-bit) and starts pulling from `pull`. On success writes the
// device's frame rate into *rate and returns true. On failure writes a reason into err.
bool PlatformAudioOpen(PlatformAudioPull pull, void* user, int* rate, char* err, size_t errSize);
// Stops pulling and closes the device. Safe when it is not open.
void PlatformAudioClose();
// Excludes the pull callback while the main thread changes what it reads. Hold only briefly: never
// while reading files. Not recursive.
void PlatformAudioLock();
void PlatformAudioUnlock();
// Called once per frame from the main loop's music service. The real device ignores it; the null
// device pulls as many frames as the clock says have passed, so that voices end and music advances.
void PlatformAudioService();

// ---- music synthesiser -------------------------------------------------------------------------------
// Whether the music subsystem should load the soundfont on a worker thread (the real game, so that
// start-up does not wait for it) or at once in MusicInit (the null device: deterministic for tests).
bool PlatformMusicLoadsInBackground();
// Starts the General MIDI synthesiser at `rate` frames per second. The soundfont is `preferred` when
// that names a usable soundfont file, else the first usable one of the system's usual locations.
// On failure writes one line saying what was looked for where into err and returns false. May run on a
// worker thread, while no other thread touches the synthesiser.
bool PlatformMusicInit(int rate, const char* preferred, char* err, size_t errSize);
// With `processEnding` the synthesiser is silenced and let go without freeing its soundfont piece by piece:
// the end of the process returns that memory at once, where freeing a large soundfont takes a tenth of a
// second of the player's quit.
void PlatformMusicShutdown(bool processEnding = false);
// Path of the soundfont in use (empty when not started).
const char* PlatformMusicSoundfont();

// One MIDI channel message (status 0x80 .. 0xEF with its data bytes) at its time in output frames from
// the start of the piece; status 0 marks the end of the piece and sends nothing.
struct PlatformMidiEvent {
    uint32_t frame;
    uint8_t status, data1, data2;
};
// Starts a piece from its beginning, replacing whatever played before: `events` in time order, the last
// one the end. The synthesiser keeps the pointer and reads the events as it renders: they must stay
// unchanged and alive until the next PlatformMusicPlay, PlatformMusicStop or PlatformMusicShutdown. Call
// under PlatformAudioLock; it only swaps the pointer and silences and resets the channels. False when it
// cannot start (no synthesiser, no events).
bool PlatformMusicPlay(const PlatformMidiEvent* events, size_t count);
// Stops playback now, silences every sounding note and lets go of the events. Call under PlatformAudioLock.
void PlatformMusicStop();
// True while the piece started last has events still to send (false after its end or a stop).
bool PlatformMusicIsPlaying();
// Linear master gain of the music (1 = full level).
void PlatformMusicSetGain(float gain);
// Renders `frames` interleaved stereo float frames into out (overwriting it), sending each event of the
// piece at its frame; silence when nothing plays. Called from the pull callback only, with
// frames <= PLATFORM_MUSIC_MAX_FRAMES.
constexpr int PLATFORM_MUSIC_MAX_FRAMES = 1024;
void PlatformMusicRender(float* out, int frames);
