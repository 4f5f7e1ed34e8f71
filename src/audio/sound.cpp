// Sound effects: buffer records backed by mixer voices, sound lists, plays, and the audio state dump.
#include "audio/sound.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "audio/mixer.h"
#include "audio/music.h"
#include "audio/resample.h"
#include "audio/wave.h"
#include "core/bounded.h"
#include "core/files.h"
#include "core/print.h"
#include "core/settings.h"

SoundRecord Sound;

namespace {

bool HasBuffer(int n) { return n >= 0 && n < SOUND_BUFFERS && Sound.SoundBuffers[n].samples; }

void ClearRecord(int n) {
    SoundBufferRecord& r = Sound.SoundBuffers[n];
    MixerSetVoiceData(n, nullptr, 0);
    r.samples.reset();
    r.loaded = 0;
    r.fileRate = 0;
    r.size = 0;
    r.number = n;
    r.file[0] = 0;
}

void RecordPlay(int buffer, int volume, int frequency, int pan) {
    int slot;
    if (Sound.PlayLogCount < SOUND_PLAY_LOG) {
        slot = (Sound.PlayLogStart + Sound.PlayLogCount++) % SOUND_PLAY_LOG;
    } else {  // full: the oldest entry gives way
        slot = Sound.PlayLogStart;
        Sound.PlayLogStart = (Sound.PlayLogStart + 1) % SOUND_PLAY_LOG;
    }
    Sound.PlayLog[slot] = {buffer, volume, frequency, pan};
}

}  // namespace

int VolumeToHundredthsDb(int volume) { return (100 - volume) * -30; }

int SoundInit() {
    Sound.SoundReady = 0;
    Sound.ListFile[0] = 0;
    // A slot no sound list names plays nothing (buffer 0 is a real sound, the player's pain).
    for (auto& row : Sound.SoundTable)
        for (int32_t& entry : row) entry = -1;
    if (!Sound.DeviceHeld) {
        for (int n = 0; n < SOUND_BUFFERS; ++n) ClearRecord(n);
        if (!MixerAcquireDevice()) return 0;
        Sound.DeviceHeld = true;
    }
    for (int n = 0; n < SOUND_BUFFERS; ++n) {
        MixerStop(n);
        ClearRecord(n);
    }
    Sound.SoundReady = 1;
    return 1;
}

void SoundShutdown() {
    if (!Sound.SoundReady) return;
    StopAllBuffers();
    for (int n = 0; n < SOUND_BUFFERS; ++n) ClearRecord(n);
    if (Sound.DeviceHeld) MixerReleaseDevice();
    Sound.DeviceHeld = false;
    Sound.SoundReady = 0;
}

int LoadWave(int n, const char* file) {
    if (!Sound.SoundReady) return 0;
    if (n < 0 || n >= SOUND_BUFFERS) return -1;
    WaveSamples wave;
    char reason[96] = "";
    int read = ReadWaveFile(file, &wave, reason, sizeof reason);
    if (read != 1) {
        SayAudioRefused("sound", file, read, reason);
        return -1;
    }
    // Played at one rate whatever the file says; with SOUNDRATE=FILE an effect recorded at another rate is
    // converted once here, so that it sounds as recorded.
    if (Settings.SOUNDRATE && wave.fileRate != EFFECT_PLAYBACK_RATE)
        wave.samples = ResampleU8(wave.samples, wave.fileRate, EFFECT_PLAYBACK_RATE);
    size_t length = wave.samples.size();
    std::unique_ptr<uint8_t[]> samples(new uint8_t[length]);
    memcpy(samples.get(), wave.samples.data(), length);
    // Detach the voice before the old samples go; a fresh buffer is full volume, centred, at the
    // shared default rate.
    SoundBufferRecord& r = Sound.SoundBuffers[n];
    MixerSetVoiceData(n, nullptr, 0);
    r.samples = std::move(samples);
    r.loaded = 1;
    r.fileRate = wave.fileRate;
    r.size = int32_t(length);
    r.number = n;
    CopyBounded(r.file, file);
    MixerSetVolume(n, 0);
    MixerSetFrequency(n, MIXER_DEFAULT_FREQUENCY);
    MixerSetPan(n, 0);
    MixerSetVoiceData(n, r.samples.get(), uint32_t(length));
    return n;
}

int PlayBuffer(int n, int flags, int volume, int frequency, int pan) {
    if (!Sound.SoundReady) return 0;
    if (!HasBuffer(n)) return 1;
    // A request nobody can hear (out of hearing range, or SOUNDVOL 0) is logged and nothing more: stopping
    // or re-voluming the voice would cut off an audible play of the same sound, such as the player's own
    // shot when a far monster fires the same weapon.
    if (volume <= 0) {
        RecordPlay(n, 0, frequency, pan);
        return 1;
    }
    if (volume > 100) volume = 100;
    MixerStop(n);
    MixerSetVolume(n, VolumeToHundredthsDb(volume));
    if (frequency > 0) MixerSetFrequency(n, uint32_t(frequency));
    MixerSetPan(n, pan);
    int ok = MixerPlay(n, (flags & SB_PLAY_LOOPING) != 0);
    RecordPlay(n, volume, frequency, pan);
    return ok;
}

int BufferStatus(int n) {
    if (!Sound.SoundReady) return 0;
    if (!HasBuffer(n)) return -1;
    int status = 0;
    if (MixerIsPlaying(n)) status |= SB_PLAYING;
    if (MixerIsLooping(n)) status |= SB_LOOPING;
    return status;
}

void StopBuffer(int n) {
    if (!Sound.SoundReady || n < 0 || n >= SOUND_BUFFERS) return;
    MixerStop(n);
}

void StopAllBuffers() {
    if (!Sound.SoundReady) return;
    for (int n = 0; n < SOUND_BUFFERS; ++n) MixerStop(n);
}

void ReleaseBuffer(int n) {
    if (!Sound.SoundReady || n < 0 || n >= SOUND_BUFFERS) return;
    StopBuffer(n);
    ClearRecord(n);
}

void ReleaseAllBuffers() {
    if (!Sound.SoundReady) return;
    for (int n = 0; n < SOUND_BUFFERS; ++n) ReleaseBuffer(n);
}

int SoundPlayCount() { return Sound.PlayLogCount; }

const SoundPlayRecord* SoundPlayAt(int i) {
    if (i < 0 || i >= Sound.PlayLogCount) return nullptr;
    return &Sound.PlayLog[(Sound.PlayLogStart + i) % SOUND_PLAY_LOG];
}

void SoundClearPlays() { Sound.PlayLogStart = Sound.PlayLogCount = 0; }
