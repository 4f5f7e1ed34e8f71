// Music slots and their rotation; the synthesiser behind the platform boundary renders the sound. The
// soundfont may load on a worker thread: that thread only creates the synthesiser and reports through
// Music.LoadState, and the main thread touches the synthesiser only after it has taken up a finished load.
#include "audio/music.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <thread>

#include "audio/midi.h"
#include "audio/mixer.h"
#include "audio/sound.h"
#include "audio/wave.h"
#include "core/bounded.h"
#include "core/print.h"
#include "core/program.h"
#include "core/settings.h"
#include "platform/platform.h"
#include "platform/platform_audio.h"

MusicRecord Music;

namespace {

// The soundfont load: the worker stores LOAD_READY or LOAD_FAILED (with Music.LoadError) when it is done.
enum { LOAD_NONE, LOAD_RUNNING, LOAD_READY, LOAD_FAILED };

uint32_t Be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint16_t Be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }

bool ValidSlot(int slot) { return slot >= 0 && slot < MUSIC_SLOTS; }

void ClearSlot(int slot) {
    MusicSlot& s = Music.MusicSlots[slot];
    std::vector<PlatformMidiEvent>().swap(s.events);
    s.number = slot;
    s.state = MUSIC_FREE;
    s.file[0] = 0;
}

void LoadSynth(int rate) {
    Music.LoadError[0] = 0;
    bool ok = PlatformMusicInit(rate, Music.LoadSoundfont, Music.LoadError, sizeof Music.LoadError);
    Music.LoadState.store(ok ? LOAD_READY : LOAD_FAILED, std::memory_order_release);
}

// Waits for the worker, if one runs; Music.LoadState then says how the load ended.
void WaitForLoad() {
    if (Music.Loader.thread.joinable()) Music.Loader.thread.join();
}

// Stops music rendering and the synthesiser itself; the slots are left as they are.
void CloseSynth() {
    WaitForLoad();
    bool exists = Music.SynthReady || Music.LoadState.load(std::memory_order_acquire) == LOAD_READY;
    Music.LoadState.store(LOAD_NONE, std::memory_order_relaxed);
    MixerEnableMusic(false);
    if (exists) {
        PlatformAudioLock();
        PlatformMusicShutdown(Program.Ending);
        PlatformAudioUnlock();
    }
    Music.SynthReady = false;
    Music.SynthSlot = -1;
}

void ReleaseDevice() {
    if (Music.DeviceHeld) MixerReleaseDevice();
    Music.DeviceHeld = false;
}

// Takes up a finished load: music on at the volume set meanwhile, or off after the failure's line.
void TakeUpLoad() {
    int state = Music.LoadState.load(std::memory_order_acquire);
    if (state != LOAD_READY && state != LOAD_FAILED) return;
    WaitForLoad();
    Music.LoadState.store(LOAD_NONE, std::memory_order_relaxed);
    if (state == LOAD_FAILED) {
        if (Music.LoadError[0]) Print(Music.LoadError);
        for (int s = 0; s < MUSIC_SLOTS; ++s) ClearSlot(s);
        Music.CurrentMusic = -1;
        Music.MusicServiceOn = 0;
        Music.MusicReady = 0;
        ReleaseDevice();
        return;
    }
    Music.SynthReady = true;
    PlatformMusicSetGain(Music.Gain);
    MixerEnableMusic(true);
    Music.StartNow = true;
}

}  // namespace

int MidiLooksSane(const uint8_t* bytes, size_t size, char* reason, size_t reasonSize) {
    if (!bytes || size < 8 || memcmp(bytes, "MThd", 4) != 0)
        return AudioRefuse(reason, reasonSize, "not a standard MIDI file");
    uint32_t headerLength = Be32(bytes + 4);
    if (headerLength < 6) return AudioRefuse(reason, reasonSize, "header chunk is too short");
    if (headerLength > size - 8) return AudioRefuse(reason, reasonSize, "header runs past the end of the file");
    unsigned format = Be16(bytes + 8), tracks = Be16(bytes + 10), division = Be16(bytes + 12);
    if (format > 2) return AudioRefuse(reason, reasonSize, "format %u is not 0, 1 or 2", format);
    if (tracks == 0) return AudioRefuse(reason, reasonSize, "no tracks");
    if (division == 0) return AudioRefuse(reason, reasonSize, "division is 0");
    if ((division & 0x8000) && (division & 0xff) == 0)
        return AudioRefuse(reason, reasonSize, "SMPTE division has no ticks per frame");
    // The synthesiser reads as many track chunks as the header declares, passing over other chunks on the
    // way, and ignores whatever follows the last one (tags, padding, appended text); so does this walk.
    size_t pos = 8 + size_t(headerLength);
    unsigned found = 0;
    while (found < tracks) {
        const unsigned track = found + 1;
        if (size - pos < 8)
            return AudioRefuse(reason, reasonSize, pos == size ? "track %u is missing" : "track %u is truncated",
                               track);
        uint32_t length = Be32(bytes + pos + 4);
        bool isTrack = memcmp(bytes + pos, "MTrk", 4) == 0;
        if (length > size - pos - 8) {
            if (isTrack) return AudioRefuse(reason, reasonSize, "track %u runs past the end of the file", track);
            return AudioRefuse(reason, reasonSize, "chunk runs past the end of the file");
        }
        if (isTrack) {
            if (length == 0) return AudioRefuse(reason, reasonSize, "track %u is empty", track);
            ++found;
        }
        pos += 8 + size_t(length);
    }
    return 1;
}

int MusicInit() {
    Music.MusicReady = 0;
    CloseSynth();  // a synthesiser of an earlier start, or its load
    if (!Music.DeviceHeld) {
        if (!MixerAcquireDevice()) return 0;
        Music.DeviceHeld = true;
    }
    for (int s = 0; s < MUSIC_SLOTS; ++s) ClearSlot(s);
    Music.CurrentMusic = -1;
    Music.StartNow = false;
    CopyBounded(Music.LoadSoundfont, Settings.SoundFont);
    const int rate = MixerDeviceRate();
    Music.LoadState.store(LOAD_RUNNING, std::memory_order_relaxed);
    bool background = PlatformMusicLoadsInBackground();
    if (background) {
        try {
            Music.Loader.thread = std::thread(LoadSynth, rate);
        } catch (const std::system_error&) {
            background = false;  // no thread to be had: load here instead
        }
    }
    if (!background) {
        LoadSynth(rate);
        if (Music.LoadState.load(std::memory_order_relaxed) == LOAD_FAILED) {
            Music.LoadState.store(LOAD_NONE, std::memory_order_relaxed);
            if (Music.LoadError[0]) Print(Music.LoadError);
            ReleaseDevice();
            return 0;
        }
    }
    Music.MusicServiceOn = 1;
    Music.MusicReady = 1;
    if (!background) {
        TakeUpLoad();
        Music.StartNow = false;  // loaded within start-up: the rotation keeps its usual once-a-second pace
    }
    return 1;
}

void MusicShutdown() {
    if (!Music.MusicReady) return;
    WaitForLoad();
    UnloadAllMusic();
    CloseSynth();
    ReleaseDevice();
    Music.CurrentMusic = -1;
    Music.MusicServiceOn = 0;
    Music.MusicReady = 0;
}

int LoadMusic(const char* file) {
    if (!Music.MusicReady) return 0;
    int slot = -1;
    for (int s = 0; s < MUSIC_SLOTS; ++s)
        if (Music.MusicSlots[s].state == MUSIC_FREE) {
            slot = s;
            break;
        }
    if (slot < 0) return -1;
    std::vector<uint8_t> bytes;
    char reason[96] = "";
    int read = ReadAudioFile(file, MUSIC_MAX_FILE_BYTES, bytes, reason, sizeof reason);
    if (read == 1 && MidiLooksSane(bytes.data(), bytes.size(), reason, sizeof reason)) read = 2;
    std::vector<PlatformMidiEvent> events;
    if (read == 2 && !ParseMidi(bytes.data(), bytes.size(), MixerDeviceRate(), events)) {
        CopyBounded(reason, "not a standard MIDI file");
        read = 1;
    }
    if (read != 2) {
        SayAudioRefused("music", file, read, reason);
        return -1;
    }
    MusicSlot& s = Music.MusicSlots[slot];
    s.events = std::move(events);
    s.number = slot;
    s.state = MUSIC_LOADED;
    CopyBounded(s.file, file);
    return slot;
}

int StopMusic(int slot) {
    if (!Music.MusicReady || !ValidSlot(slot)) return 0;
    MusicSlot& s = Music.MusicSlots[slot];
    if (s.events.empty() || s.state == MUSIC_FREE) return 0;
    if (Music.SynthSlot == slot) {
        PlatformAudioLock();
        PlatformMusicStop();
        PlatformAudioUnlock();
        Music.SynthSlot = -1;
    }
    s.state = MUSIC_STOPPED;
    Music.CurrentMusic = -1;
    return 1;
}

int PlayMusic(int slot) {
    if (!Music.MusicReady || !Music.SynthReady || !ValidSlot(slot)) return 0;
    MusicSlot& s = Music.MusicSlots[slot];
    if (s.events.empty() || s.state == MUSIC_FREE) return 0;
    if (Music.CurrentMusic != -1) StopMusic(Music.CurrentMusic);
    // The events were read when the file was loaded: under the lock the synthesiser only takes the pointer.
    PlatformAudioLock();
    bool started = PlatformMusicPlay(s.events.data(), s.events.size());
    PlatformAudioUnlock();
    Music.SynthSlot = started ? slot : -1;
    s.state = started ? MUSIC_PLAYING : MUSIC_STOPPED;
    Music.CurrentMusic = slot;
    return started ? 1 : 0;
}

int StopCurrentMusic() {
    if (!Music.MusicReady) return 0;
    if (Music.CurrentMusic == -1) return 2;
    return StopMusic(Music.CurrentMusic) ? 1 : 0;
}

void UnloadAllMusic() {
    if (!Music.MusicReady) return;
    // The synthesiser lets go of the events under the lock; they are freed after it.
    if (Music.SynthSlot != -1) {
        PlatformAudioLock();
        PlatformMusicStop();
        PlatformAudioUnlock();
        Music.SynthSlot = -1;
    }
    for (int s = 0; s < MUSIC_SLOTS; ++s)
        if (!Music.MusicSlots[s].events.empty() || Music.MusicSlots[s].state != MUSIC_FREE) ClearSlot(s);
    Music.CurrentMusic = -1;
}

int RefreshMusicState(int slot) {
    if (!Music.MusicReady || !ValidSlot(slot)) return 0;
    MusicSlot& s = Music.MusicSlots[slot];
    if (s.events.empty() || s.state == MUSIC_FREE) return 0;
    bool playing = false;
    if (Music.SynthSlot == slot) {
        PlatformAudioLock();
        playing = PlatformMusicIsPlaying();
        PlatformAudioUnlock();
    }
    s.state = playing ? MUSIC_PLAYING : MUSIC_STOPPED;
    return s.state;
}

int SetMusicVolume(int volume) {
    if (!Music.MusicReady) return 0;
    if (volume < 0) volume = 0;
    if (volume > 100) volume = 100;
    Music.Gain = std::pow(10.0f, float(VolumeToHundredthsDb(volume)) / 2000.0f);
    if (Music.SynthReady) PlatformMusicSetGain(Music.Gain);
    return 1;
}

float MusicGain() { return Music.Gain; }

void MusicService() {
    PlatformAudioService();
    if (!Music.MusicReady || !Music.MusicServiceOn) return;
    if (!Music.SynthReady) {
        TakeUpLoad();
        if (!Music.SynthReady) return;
    }
    uint32_t now = PlatformTicksMs();
    if (!Music.StartNow && int32_t(now - Music.MusicCheckTime) <= 1000) return;
    Music.StartNow = false;
    Music.MusicCheckTime = now;
    for (int s = 0; s < MUSIC_SLOTS; ++s)
        if (RefreshMusicState(s) == MUSIC_PLAYING) return;
    bool anyLoaded = false;
    for (const MusicSlot& s : Music.MusicSlots)
        if (s.state != MUSIC_FREE) anyLoaded = true;
    if (!anyLoaded) return;
    for (int step = 0; step < MUSIC_SLOTS; ++step) {
        Music.NextMusic = Music.NextMusic >= MUSIC_SLOTS - 1 ? 0 : Music.NextMusic + 1;
        if (Music.MusicSlots[Music.NextMusic].state != MUSIC_FREE) {
            PlayMusic(Music.NextMusic);
            return;
        }
    }
}
