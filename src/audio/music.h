// Music: 64 slots of standard MIDI files played one at a time through the synthesiser, rotated by a
// service that checks once a second whether anything is still playing.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>
#include <vector>

#include "platform/platform_audio.h"

constexpr int MUSIC_SLOTS = 64;
constexpr size_t MUSIC_MAX_FILE_BYTES = 4u << 20;  // larger MIDI files are refused unread
enum { MUSIC_FREE = 0, MUSIC_LOADED = 1, MUSIC_PLAYING = 2, MUSIC_STOPPED = 3 };

struct MusicSlot {
    std::vector<PlatformMidiEvent> events;  // the file read for the synthesiser; empty when the slot is free
    int32_t number;
    int32_t state;  // MUSIC_ state
    char file[256];
};

struct MusicRecord {
    uint8_t MusicReady = 0;
    MusicSlot MusicSlots[MUSIC_SLOTS];
    int32_t CurrentMusic = -1;  // slot played last, -1 for none
    int32_t MusicServiceOn = 0;
    uint32_t MusicCheckTime = 0;
    int32_t NextMusic = 0;
    // The synthesiser, owned by the main thread once a load is taken up.
    bool DeviceHeld = false;  // a hold on the mixer's output device
    int SynthSlot = -1;       // slot whose events the synthesiser was last given
    float Gain = 1.0f;        // the master volume's gain, kept for a synthesiser still loading
    bool SynthReady = false;  // main thread: the synthesiser exists and may be used
    bool StartNow = false;    // the synthesiser has just become ready: run the rotation without waiting
    // The soundfont load, which may run on a worker thread: it stores its outcome in LoadState (and a
    // failure's line in LoadError); a load still running when the process ends is waited for.
    std::atomic<int> LoadState{0};
    struct LoaderThread {
        std::thread thread;
        ~LoaderThread() {
            if (thread.joinable()) thread.join();
        }
    } Loader;
    char LoadError[512] = "";
    char LoadSoundfont[288] = "";
};
extern MusicRecord Music;

// Start-up, after SoundInit: takes the output device and opens the synthesiser with a soundfont (the
// SOUNDFONT setting, else the system's usual locations). Where the platform loads in the background, the
// soundfont is loaded on a worker thread and this returns 1 at once: every call below works on the slots
// and settings as usual meanwhile, but nothing plays until MusicService finds the synthesiser ready (it
// then applies the volume and starts the rotation at once), or finds the load failed (it then prints the
// line saying which soundfonts were looked for and turns music off). Otherwise the load happens here:
// 1 = ready; 0 = music off, after that line.
int MusicInit();
// Exit: waits for a load still running, stops and unloads everything and closes the synthesiser.
void MusicShutdown();
// Reads a MIDI file into the first free slot, parsed into the synthesiser's events at the device rate;
// nothing plays yet. Slot number, or -1 (no free slot, file missing, too large or not a sane standard MIDI
// file). A file that is not taken prints one console line: "Cannot open music file NAME", or "Music file
// NAME refused: REASON".
int LoadMusic(const char* file);
// Starts the slot's file (stopping the current one). 1 = started; 0 also while the synthesiser is not
// ready yet (nothing changes then).
int PlayMusic(int slot);
// Stops the slot's file now. 1 = stopped.
int StopMusic(int slot);
// 0 not ready, 1 stopped, 2 nothing was playing.
int StopCurrentMusic();
// Frees every slot.
void UnloadAllMusic();
// Asks the synthesiser whether the slot is still playing and records it: the slot's new state.
int RefreshMusicState(int slot);
// Master music volume 0..100 ((100 - v) * -30 hundredths of a decibel). 1 = applied (kept for the
// synthesiser until it is ready).
int SetMusicVolume(int volume);
// Once per frame from the main loop: takes up the synthesiser once its load has finished; every second
// (and at once when the synthesiser has just become ready), starts the next loaded slot when nothing plays.
void MusicService();

// Basic sanity of a standard MIDI file before the synthesiser sees it: header chunk, format 0..2, at
// least one track, non-zero division, and as many non-empty track chunks as the header declares, each
// (and every other chunk before the last of them) inside the bytes. Bytes after the last declared track
// are ignored. 1 = acceptable; 0 = refused, with a short reason such as "track 2 is truncated" written to
// `reason` when one is given. Any bytes are safe.
int MidiLooksSane(const uint8_t* bytes, size_t size, char* reason = nullptr, size_t reasonSize = 0);
// Linear gain of the master volume last set (for tests).
float MusicGain();
