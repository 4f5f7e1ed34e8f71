// The portable mixer: resamples 8-bit voices with linear interpolation, applies volume and pan, adds
// the music, and brings the sum into 16-bit stereo through a peak limiter. All scratch storage lives in the
// mixer's record: the render path never allocates.
#include "audio/mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/print.h"
#include "platform/platform_audio.h"

namespace {

constexpr int CHUNK = MIXER_CHUNK;

// The limiter: both channels share one gain, so the stereo image stays put. A frame whose louder side
// would pass the ceiling pulls the gain down at once (no frame is ever clipped); afterwards the gain
// recovers towards 1 with a time constant of LIMIT_RELEASE_S and snaps to exactly 1 once it is within
// LIMIT_SNAP, so that a mix which stays under the ceiling comes out as plain rounding of the sum.
constexpr float LIMIT_CEILING = float(MIXER_CEILING);
constexpr double LIMIT_RELEASE_S = 0.04;
constexpr float LIMIT_SNAP = 2e-4f;

}  // namespace

float MixerReleasePerFrame(int rate) {
    return float(1.0 - std::exp(-1.0 / (LIMIT_RELEASE_S * double(rate > 0 ? rate : 48000))));
}

MixerRecord Mixer;

namespace {

struct AudioLock {
    AudioLock() { PlatformAudioLock(); }
    ~AudioLock() { PlatformAudioUnlock(); }
};

float DbToGain(int hundredthsDb) {
    if (hundredthsDb <= MIXER_VOLUME_MIN) return 0.0f;
    return std::pow(10.0f, float(hundredthsDb) / 2000.0f);
}

void UpdateGains(MixerVoice& v) {
    float g = DbToGain(v.volume);
    // Pan attenuates the far side only, as a mixer's pan control in decibels does.
    float left = v.pan > 0 ? DbToGain(-v.pan) : 1.0f;
    float right = v.pan < 0 ? DbToGain(v.pan) : 1.0f;
    v.gainLeft = g * left;
    v.gainRight = g * right;
}

void UpdateStep(MixerVoice& v) {
    v.step = (uint64_t(v.frequency) << 32) / uint64_t(Mixer.DeviceRate > 0 ? Mixer.DeviceRate : 48000);
}

void UpdateRate() {
    for (MixerVoice& v : Mixer.Voices) UpdateStep(v);
    Mixer.LimitRelease = MixerReleasePerFrame(Mixer.DeviceRate);
}

// Scales the frame (left, right, in sample units) by the limiter's gain and moves the gain on.
inline void Limit(float& left, float& right) {
    float peak = std::max(std::fabs(left), std::fabs(right));
    float target = peak > LIMIT_CEILING ? LIMIT_CEILING / peak : 1.0f;
    if (target < Mixer.LimitGain) {
        Mixer.LimitGain = target;
    } else if (Mixer.LimitGain < 1.0f) {
        Mixer.LimitGain += (target - Mixer.LimitGain) * Mixer.LimitRelease;
        if (target == 1.0f && Mixer.LimitGain > 1.0f - LIMIT_SNAP) Mixer.LimitGain = 1.0f;
    }
    if (Mixer.LimitGain < 1.0f) {
        left *= Mixer.LimitGain;
        right *= Mixer.LimitGain;
    }
}

int16_t ToSample(float x) { return int16_t(std::lrintf(std::clamp(x, -32767.0f, 32767.0f))); }

bool ValidVoice(int voice) { return voice >= 0 && voice < MIXER_VOICES; }

void MixerPull(int16_t* out, int frames, void*) { MixerRender(out, frames); }

// Adds one voice into the chunk; stops it when a one-shot voice runs off its end.
void MixVoice(MixerVoice& v, float* mix, int frames) {
    const uint8_t* s = v.samples;
    const uint32_t len = v.length;
    const uint64_t end = uint64_t(len) << 32;
    const float gl = v.gainLeft * (1.0f / 128.0f), gr = v.gainRight * (1.0f / 128.0f);
    uint64_t pos = v.position;
    for (int i = 0; i < frames; ++i) {
        if (pos >= end) {
            if (!v.looping) {
                v.playing = false;
                pos = 0;
                break;
            }
            pos %= end;
        }
        uint32_t idx = uint32_t(pos >> 32);
        int s0 = int(s[idx]) - 128;
        int s1 = idx + 1 < len ? int(s[idx + 1]) - 128 : (v.looping ? int(s[0]) - 128 : s0);
        float frac = float(uint32_t(pos)) * (1.0f / 4294967296.0f);
        float x = float(s0) + float(s1 - s0) * frac;
        mix[2 * i] += x * gl;
        mix[2 * i + 1] += x * gr;
        pos += v.step;
    }
    v.position = pos;
}

}  // namespace

int MixerAcquireDevice() {
    if (Mixer.DeviceHolds > 0) {
        ++Mixer.DeviceHolds;
        return 1;
    }
    char err[160] = "";
    int rate = 0;
    if (!PlatformAudioOpen(MixerPull, nullptr, &rate, err, sizeof err)) {
        if (err[0]) Print(err);
        return 0;
    }
    {
        AudioLock lock;
        Mixer.DeviceRate = rate > 0 ? rate : 48000;
        UpdateRate();
        Mixer.LimitGain = 1.0f;
        Mixer.DeviceOpen = true;
    }
    Mixer.DeviceHolds = 1;
    return 1;
}

void MixerReleaseDevice() {
    if (Mixer.DeviceHolds <= 0) return;
    if (--Mixer.DeviceHolds > 0) return;
    PlatformAudioClose();
    Mixer.DeviceOpen = false;
    Mixer.MusicOn = false;
}

int MixerDeviceRate() { return Mixer.DeviceRate; }

void MixerSetRenderRate(int rate) {
    if (Mixer.DeviceOpen || rate < 1000 || rate > 384000) return;
    Mixer.DeviceRate = rate;
    UpdateRate();
}

void MixerSetVoiceData(int voice, const uint8_t* samples, uint32_t length) {
    if (!ValidVoice(voice)) return;
    AudioLock lock;
    MixerVoice& v = Mixer.Voices[voice];
    v.samples = length ? samples : nullptr;
    v.length = samples ? length : 0;
    v.position = 0;
    v.playing = false;
    v.looping = false;
}

void MixerSetVolume(int voice, int hundredthsDb) {
    if (!ValidVoice(voice)) return;
    hundredthsDb = std::clamp(hundredthsDb, MIXER_VOLUME_MIN, 0);
    AudioLock lock;
    Mixer.Voices[voice].volume = hundredthsDb;
    UpdateGains(Mixer.Voices[voice]);
}

void MixerSetFrequency(int voice, uint32_t framesPerSecond) {
    if (!ValidVoice(voice)) return;
    framesPerSecond = std::clamp<uint32_t>(framesPerSecond, 100, 200000);
    AudioLock lock;
    Mixer.Voices[voice].frequency = framesPerSecond;
    UpdateStep(Mixer.Voices[voice]);
}

void MixerSetPan(int voice, int pan) {
    if (!ValidVoice(voice)) return;
    pan = std::clamp(pan, -MIXER_PAN_LIMIT, MIXER_PAN_LIMIT);
    AudioLock lock;
    Mixer.Voices[voice].pan = pan;
    UpdateGains(Mixer.Voices[voice]);
}

int MixerPlay(int voice, bool looping) {
    if (!ValidVoice(voice)) return 0;
    AudioLock lock;
    MixerVoice& v = Mixer.Voices[voice];
    if (!v.samples || v.length == 0) return 0;
    if (v.position >= (uint64_t(v.length) << 32)) v.position = 0;
    v.looping = looping;
    v.playing = true;
    return 1;
}

void MixerStop(int voice) {
    if (!ValidVoice(voice)) return;
    AudioLock lock;
    Mixer.Voices[voice].playing = false;
    Mixer.Voices[voice].position = 0;
}

bool MixerIsPlaying(int voice) {
    if (!ValidVoice(voice)) return false;
    AudioLock lock;
    return Mixer.Voices[voice].playing;
}

bool MixerIsLooping(int voice) {
    if (!ValidVoice(voice)) return false;
    AudioLock lock;
    return Mixer.Voices[voice].playing && Mixer.Voices[voice].looping;
}

int MixerVolume(int voice) {
    if (!ValidVoice(voice)) return 0;
    AudioLock lock;
    return Mixer.Voices[voice].volume;
}

void MixerEnableMusic(bool on) {
    AudioLock lock;
    Mixer.MusicOn = on;
}

void MixerRender(int16_t* out, int frames) {
    while (frames > 0) {
        int n = std::min(frames, CHUNK);
        std::memset(Mixer.MixScratch, 0, sizeof(float) * 2 * size_t(n));
        for (MixerVoice& v : Mixer.Voices)
            if (v.playing && v.samples) MixVoice(v, Mixer.MixScratch, n);
        if (Mixer.MusicOn) {
            PlatformMusicRender(Mixer.MusicScratch, n);
            for (int i = 0; i < 2 * n; ++i) Mixer.MixScratch[i] += Mixer.MusicScratch[i];
        }
        for (int i = 0; i < n; ++i) {
            float left = Mixer.MixScratch[2 * i] * 32767.0f, right = Mixer.MixScratch[2 * i + 1] * 32767.0f;
            Limit(left, right);
            out[2 * i] = ToSample(left);
            out[2 * i + 1] = ToSample(right);
        }
        out += 2 * n;
        frames -= n;
    }
}
