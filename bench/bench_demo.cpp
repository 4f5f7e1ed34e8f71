// Benchmark of what recording a demo adds to a tick: the input snapshot compared and written, the pass
// line, and the world digest every 32 ticks, with a level's worth of objects present.
#include <benchmark/benchmark.h>

#include <cstring>

#include "app/app.h"
#include "demo/demo.h"
#include "game/world.h"
#include "input/input.h"

namespace {

void MakeWorld() {
    ResetWorld();
    for (int i = 0; i < 40; ++i) {
        ObjectRecord& r = World.ObjectTable[i];
        r.state = i == 0 ? 1 : 2;
        r.type = uint8_t(i == 0 ? 0 : 10 + i % 4);
        r.health = 100;
        r.pos[0] = float(i);
        r.pos[2] = float(i) * 0.5f;
    }
}

void BM_RecordTick(benchmark::State& state) {
    MakeWorld();
    DemoRecordStart("/dev/null");
    uint8_t keys[256] = {};
    MouseRecord mouse{};
    uint8_t joy[32] = {};
    uint32_t clock = 10000;
    uint64_t n = 0;
    for (auto _ : state) {
        // A key goes down or up every 50 ticks and the mouse moves every 10, about as a player plays.
        if (n % 50 == 0) keys[0xC8] ^= 0x80;
        mouse.lX = n % 10 == 0 ? 3 : 0;
        DemoRecordInput(keys, mouse, false, 0, 0, 0, joy);
        clock += 6;
        DemoRecordPass(clock, true);
        ++Program.TickCount;
        DemoRecordTick();
        ++n;
    }
    DemoRecordFinish();
}
BENCHMARK(BM_RecordTick);

void BM_WorldDigest(benchmark::State& state) {
    MakeWorld();
    for (auto _ : state) benchmark::DoNotOptimize(WorldDigest());
}
BENCHMARK(BM_WorldDigest);

}  // namespace
