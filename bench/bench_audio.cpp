// Mixing cost: 32 simultaneous voices, with and without music, for one second of output.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "../tests/support/midi.h"
#include "audio/mixer.h"
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
        for (int done = 0; done < rate; done += CALLBACK_FRAMES)
            MixerRender(out, CALLBACK_FRAMES);
        benchmark::DoNotOptimize(out);
    }
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &end);
    double cpu = double(end.tv_sec - begin.tv_sec) + 1e-9 * double(end.tv_nsec - begin.tv_nsec);
    // Each iteration is one second of audio, so CPU seconds per iteration is the share of real time.
    state.counters["cpu_percent_of_real_time"] =
        state.iterations() ? 100.0 * cpu / double(state.iterations()) : 0.0;
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
    PlatformMusicPlay(midi.data(), midi.size());
    MixerEnableMusic(true);
    RenderSecond(state);
    MixerEnableMusic(false);
    PlatformMusicShutdown();
}
BENCHMARK(BM_Mix32VoicesAndMusic)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

} // namespace
