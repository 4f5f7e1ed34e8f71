// Mixing cost: 32 simultaneous voices, with and without music, for one second of output; and the time a
// large MIDI file takes to start, which the audio callback would have to wait for.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "../tests/support/midi.h"
#include "audio/midi.h"
#include "audio/mixer.h"
#include "audio/resample.h"
#include "platform/platform_audio.h"

namespace {

constexpr int VOICES = 32;
constexpr int CALLBACK_FRAMES = 1024;
std::vector<uint8_t> Samples[VOICES];

// A busy piece: chords of four notes on four channels, a new chord every eighth of a beat, a minute long.
std::vector<uint8_t> BusyMidi() {
    std::vector<uint8_t> t;
    for (int c = 0; c < 4; ++c) {
        PutVlq(t, 0);
        t.insert(t.end(), {uint8_t(0xc0 | c), uint8_t(c * 16)});
    }
    for (int i = 0; i < 960; ++i) {
        for (int c = 0; c < 4; ++c) {
            PutVlq(t, 0);
            t.insert(t.end(), {uint8_t(0x90 | c), uint8_t(48 + (i * 5 + c * 7) % 36), 0x60});
        }
        PutVlq(t, 12);
        for (int c = 0; c < 4; ++c) {
            if (c) PutVlq(t, 0);
            t.insert(t.end(), {uint8_t(0x80 | c), uint8_t(48 + (i * 5 + c * 7) % 36), 0});
        }
    }
    PutVlq(t, 0);
    t.insert(t.end(), {0xff, 0x2f, 0x00});
    return MidiFile(t, 96);
}

// About `bytes` of MIDI: sixteen tracks of notes on their own channels, one event every few ticks.
std::vector<uint8_t> LargeMidi(size_t bytes) {
    constexpr int TRACKS = 16;
    std::vector<uint8_t> v = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, TRACKS, 0, 96};
    for (int k = 0; k < TRACKS; ++k) {
        std::vector<uint8_t> t;
        if (k == 0) t.insert(t.end(), {0, 0xff, 0x51, 0x03, 0x07, 0xa1, 0x20});
        PutVlq(t, 0);
        t.insert(t.end(), {uint8_t(0xc0 | k), uint8_t(k * 8)});
        for (int i = 0; t.size() < bytes / TRACKS; ++i) {
            uint8_t key = uint8_t(36 + (i * 7 + k * 5) % 60);
            PutVlq(t, uint32_t(i % 3));
            t.insert(t.end(), {uint8_t(0x90 | k), key, 0x50});
            PutVlq(t, 6);
            t.insert(t.end(), {uint8_t(0x80 | k), key, 0});
        }
        PutVlq(t, 0);
        t.insert(t.end(), {0xff, 0x2f, 0x00});
        v.insert(v.end(), {'M', 'T', 'r', 'k'});
        uint32_t n = uint32_t(t.size());
        v.insert(v.end(), {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
        v.insert(v.end(), t.begin(), t.end());
    }
    return v;
}

void StartVoices() {
    MixerSetRenderRate(48000);
    for (int v = 0; v < VOICES; ++v) {
        Samples[v].resize(22050);
        for (size_t i = 0; i < Samples[v].size(); ++i)
            Samples[v][i] = uint8_t(128 + lround(40 * std::sin(0.01 * double(i) * (v + 1))));
        MixerSetVoiceData(v, Samples[v].data(), uint32_t(Samples[v].size()));
        MixerSetVolume(v, -600);
        MixerSetFrequency(v, 22000);
        MixerPlay(v, true);
    }
}

// Renders one second of output in device-sized pulls; reports CPU time as a share of that second.
void RenderSecond(benchmark::State& state) {
    static int16_t out[CALLBACK_FRAMES * 2];
    const int rate = MixerDeviceRate();
    timespec begin{}, end{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &begin);
    for (auto _ : state) {
        for (int done = 0; done < rate; done += CALLBACK_FRAMES) MixerRender(out, CALLBACK_FRAMES);
        benchmark::DoNotOptimize(out);
    }
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &end);
    double cpu = double(end.tv_sec - begin.tv_sec) + 1e-9 * double(end.tv_nsec - begin.tv_nsec);
    // Each iteration is one second of audio, so CPU seconds per iteration is the share of real time.
    state.counters["cpu_percent_of_real_time"] = state.iterations() ? 100.0 * cpu / double(state.iterations()) : 0.0;
}

void BM_Mix32Voices(benchmark::State& state) {
    StartVoices();
    MixerEnableMusic(false);
    RenderSecond(state);
}
BENCHMARK(BM_Mix32Voices)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_Mix32VoicesAndMusic(benchmark::State& state) {
    StartVoices();
    char err[400] = "";
    const char* soundfont = std::getenv("ZARVO_SOUNDFONT");
    if (!PlatformMusicInit(MixerDeviceRate(), soundfont ? soundfont : "", err, sizeof err)) {
        state.SkipWithError(err);
        return;
    }
    std::vector<uint8_t> midi = BusyMidi();
    std::vector<PlatformMidiEvent> events;
    ParseMidi(midi.data(), midi.size(), MixerDeviceRate(), events);
    PlatformMusicPlay(events.data(), events.size());
    MixerEnableMusic(true);
    RenderSecond(state);
    MixerEnableMusic(false);
    PlatformMusicShutdown();
}
BENCHMARK(BM_Mix32VoicesAndMusic)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// Starting a 3 MB file: reading it into events happens when it is loaded, on the main thread; starting it
// is all the synthesiser does under the audio lock, which the audio callback has to wait for.
void BM_ReadLargeMidi(benchmark::State& state) {
    std::vector<uint8_t> midi = LargeMidi(3u << 20);
    std::vector<PlatformMidiEvent> events;
    for (auto _ : state) {
        ParseMidi(midi.data(), midi.size(), 48000, events);
        benchmark::DoNotOptimize(events.data());
    }
    state.counters["file_bytes"] = double(midi.size());
    state.counters["events"] = double(events.size());
}
BENCHMARK(BM_ReadLargeMidi)->Unit(benchmark::kMillisecond);

void BM_StartLargeMidi(benchmark::State& state) {
    char err[400] = "";
    const char* soundfont = std::getenv("ZARVO_SOUNDFONT");
    if (!PlatformMusicInit(48000, soundfont ? soundfont : "", err, sizeof err)) {
        state.SkipWithError(err);
        return;
    }
    std::vector<uint8_t> midi = LargeMidi(3u << 20);
    std::vector<PlatformMidiEvent> events;
    ParseMidi(midi.data(), midi.size(), 48000, events);
    for (auto _ : state) {
        benchmark::DoNotOptimize(PlatformMusicPlay(events.data(), events.size()));
    }
    PlatformMusicStop();
    PlatformMusicShutdown();
    state.counters["file_bytes"] = double(midi.size());
}
BENCHMARK(BM_StartLargeMidi)->Unit(benchmark::kMicrosecond);

// SOUNDRATE=FILE: one second of a 44.1 kHz effect (and of a 22 050 Hz one, as the bundled effects are)
// converted to the playback rate when it loads.
void BM_ResampleOneSecond(benchmark::State& state) {
    const int32_t from = int32_t(state.range(0));
    std::vector<uint8_t> in(static_cast<size_t>(from));
    for (size_t i = 0; i < in.size(); ++i) in[i] = uint8_t(128 + 90 * std::sin(double(i) * 0.07));
    for (auto _ : state) benchmark::DoNotOptimize(ResampleU8(in, from, EFFECT_PLAYBACK_RATE).data());
}
BENCHMARK(BM_ResampleOneSecond)->Arg(44100)->Arg(22050)->Unit(benchmark::kMillisecond);

}  // namespace
