// The portable mixer: one voice per sound buffer (8-bit mono samples, rate, volume, pan, looping),
// plus the music synthesiser's output, mixed into 16-bit stereo for the output device.
#pragma once
#include <cstdint>

#include "platform/platform_audio.h"

constexpr int MIXER_VOICES = 256;
constexpr int MIXER_DEFAULT_FREQUENCY = 11025;  // frequency of a voice that was never given one
constexpr int MIXER_VOLUME_MIN = -10000;        // hundredths of a decibel: silence
constexpr int MIXER_PAN_LIMIT = 10000;          // hundredths of a decibel of attenuation of one side
constexpr int MIXER_CEILING = 32000;            // largest sample magnitude the mixer puts out (-0.2 dBFS)

constexpr int MIXER_CHUNK = PLATFORM_MUSIC_MAX_FRAMES;  // frames mixed at a time

struct MixerVoice {
    const uint8_t* samples = nullptr;
    uint32_t length = 0;
    uint64_t position = 0;  // 32.32 fixed point, in samples
    uint64_t step = 0;      // 32.32 fixed point, samples per output frame
    uint32_t frequency = MIXER_DEFAULT_FREQUENCY;
    int volume = 0;  // hundredths of a decibel
    int pan = 0;
    float gainLeft = 1.0f, gainRight = 1.0f;
    bool playing = false;
    bool looping = false;
};
// The limiter's share of the way back to full gain covered per frame at `rate` frames a second.
float MixerReleasePerFrame(int rate);
// The mixer's state; its scratch storage too, so that the render path never allocates.
struct MixerRecord {
    MixerVoice Voices[MIXER_VOICES];
    int DeviceHolds = 0;
    int DeviceRate = 48000;
    bool DeviceOpen = false;
    bool MusicOn = false;
    // The limiter's gain, and the share of the way back to 1 it covers per frame (for the device rate).
    float LimitGain = 1.0f;
    float LimitRelease = MixerReleasePerFrame(48000);
    float MixScratch[MIXER_CHUNK * 2] = {};
    float MusicScratch[MIXER_CHUNK * 2] = {};
};
extern MixerRecord Mixer;

// Takes a hold on the output device, opening it on the first hold. 1 = device open, 0 = none.
int MixerAcquireDevice();
// Drops a hold; the device closes when the last hold goes.
void MixerReleaseDevice();
// Frame rate of the open device (also the rate at which the mixer renders without a device).
int MixerDeviceRate();

// Voice control from the main thread; each takes the audio lock briefly. Voice numbers outside
// 0 .. MIXER_VOICES-1 are ignored. The sample bytes stay owned by the caller and must outlive the voice's
// use of them: detach with MixerSetVoiceData(v, nullptr, 0) before freeing.
void MixerSetVoiceData(int voice, const uint8_t* samples, uint32_t length);  // also stops and rewinds
void MixerSetVolume(int voice, int hundredthsDb);                            // clamped to -10000 .. 0
void MixerSetFrequency(int voice, uint32_t framesPerSecond);                 // 100 .. 200000
void MixerSetPan(int voice, int pan);  // -10000 (left only) .. 0 (centre) .. 10000 (right only)
// Plays from the current position (a stopped voice sits at its start). 0 when the voice has no data.
int MixerPlay(int voice, bool looping);
void MixerStop(int voice);  // stop and rewind
bool MixerIsPlaying(int voice);
bool MixerIsLooping(int voice);
int MixerVolume(int voice);  // hundredths of a decibel last set

// Renders `frames` interleaved stereo frames: every playing voice plus the music, through a peak limiter
// that holds the output at or below MIXER_CEILING (instant attack, release over tens of milliseconds;
// its gain carries over between calls and starts at 1 when the device opens). A mix that stays under
// the ceiling comes out unchanged. Never allocates. This is the device's pull callback body; tests call
// it directly to step the mixer.
void MixerRender(int16_t* out, int frames);
// Music is rendered into the mix only while enabled. Takes the audio lock itself.
void MixerEnableMusic(bool on);
// The frame rate MixerRender assumes when no device is open (tests); ignored while a device is open.
void MixerSetRenderRate(int rate);
