// Music slots and their rotation; the synthesiser behind the platform boundary renders the sound.
#include "audio/music.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "audio/mixer.h"
#include "audio/sound.h"
#include "audio/wave.h"
#include "core/bounded.h"
#include "core/print.h"
#include "core/settings.h"
#include "platform/platform.h"
#include "platform/platform_audio.h"

MusicRecord Music;

namespace {

bool DeviceHeld = false;
int SynthSlot = -1;  // slot whose file the synthesiser was last given
float Gain = 1.0f;

uint32_t Be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint16_t Be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }

bool ValidSlot(int slot) { return slot >= 0 && slot < MUSIC_SLOTS; }

void ClearSlot(int slot) {
    MusicSlot& s = Music.MusicSlots[slot];
    std::vector<uint8_t>().swap(s.midi);
    s.number = slot;
    s.state = MUSIC_FREE;
    s.file[0] = 0;
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
    if (!DeviceHeld) {
        if (!MixerAcquireDevice()) return 0;
        DeviceHeld = true;
    }
    char err[512] = "";
    if (!PlatformMusicInit(MixerDeviceRate(), Settings.SoundFont, err, sizeof err)) {
        if (err[0]) Print(err);
        MixerReleaseDevice();
        DeviceHeld = false;
        return 0;
    }
    PlatformMusicSetGain(Gain);
    MixerEnableMusic(true);
    for (int s = 0; s < MUSIC_SLOTS; ++s) ClearSlot(s);
    Music.CurrentMusic = -1;
    SynthSlot = -1;
    Music.MusicServiceOn = 1;
    Music.MusicReady = 1;
    return 1;
}

void MusicShutdown() {
    if (!Music.MusicReady) return;
    PlatformAudioLock();
    PlatformMusicStop();
    PlatformAudioUnlock();
    UnloadAllMusic();
    MixerEnableMusic(false);
    PlatformAudioLock();
    PlatformMusicShutdown();
    PlatformAudioUnlock();
    if (DeviceHeld) MixerReleaseDevice();
    DeviceHeld = false;
    Music.CurrentMusic = -1;
    SynthSlot = -1;
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
    if (read != 2) {
        SayAudioRefused("music", file, read, reason);
        return -1;
    }
    MusicSlot& s = Music.MusicSlots[slot];
    s.midi = std::move(bytes);
    s.number = slot;
    s.state = MUSIC_LOADED;
    CopyBounded(s.file, file);
    return slot;
}

int StopMusic(int slot) {
    if (!Music.MusicReady || !ValidSlot(slot)) return 0;
    MusicSlot& s = Music.MusicSlots[slot];
    if (s.midi.empty() || s.state == MUSIC_FREE) return 0;
    if (SynthSlot == slot) {
        PlatformAudioLock();
        PlatformMusicStop();
        PlatformAudioUnlock();
        SynthSlot = -1;
    }
    s.state = MUSIC_STOPPED;
    Music.CurrentMusic = -1;
    return 1;
}

int PlayMusic(int slot) {
    if (!Music.MusicReady || !ValidSlot(slot)) return 0;
    MusicSlot& s = Music.MusicSlots[slot];
    if (s.midi.empty() || s.state == MUSIC_FREE) return 0;
    if (Music.CurrentMusic != -1) StopMusic(Music.CurrentMusic);
    PlatformAudioLock();
    bool started = PlatformMusicPlay(s.midi.data(), s.midi.size());
    PlatformAudioUnlock();
    SynthSlot = started ? slot : -1;
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
    if (SynthSlot != -1) {
        PlatformAudioLock();
        PlatformMusicStop();
        PlatformAudioUnlock();
        SynthSlot = -1;
    }
    for (int s = 0; s < MUSIC_SLOTS; ++s)
        if (!Music.MusicSlots[s].midi.empty() || Music.MusicSlots[s].state != MUSIC_FREE) ClearSlot(s);
    Music.CurrentMusic = -1;
}

int RefreshMusicState(int slot) {
    if (!Music.MusicReady || !ValidSlot(slot)) return 0;
    MusicSlot& s = Music.MusicSlots[slot];
    if (s.midi.empty() || s.state == MUSIC_FREE) return 0;
    PlatformAudioLock();
    bool playing = SynthSlot == slot && PlatformMusicIsPlaying();
    PlatformAudioUnlock();
    s.state = playing ? MUSIC_PLAYING : MUSIC_STOPPED;
    return s.state;
}

int SetMusicVolume(int volume) {
    if (!Music.MusicReady) return 0;
    if (volume < 0) volume = 0;
    if (volume > 100) volume = 100;
    Gain = std::pow(10.0f, float(VolumeToHundredthsDb(volume)) / 2000.0f);
    PlatformMusicSetGain(Gain);
    return 1;
}

float MusicGain() { return Gain; }

void MusicService() {
    PlatformAudioService();
    if (!Music.MusicReady || !Music.MusicServiceOn) return;
    uint32_t now = PlatformTicksMs();
    if (int32_t(now - Music.MusicCheckTime) <= 1000) return;
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
