// Benchmarks of the main loop's idle pass, a console-only frame at 1024 x 768, and a console print with
// its forced frame.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "app/app.h"
#include "app/frame.h"
#include "app/settings.h"
#include "console/console.h"
#include "core/print.h"
#include "defs/menu.h"
#include "platform/headless/headless.h"
#include "render/video.h"

namespace {

void SetUp1024() {
    static bool ready = false;
    if (ready) return;
    Settings.SCREENX = 1024;
    Settings.SCREENY = 768;
    ConsoleInit();
    InstallConsolePrinting();
    InitVideo();
    RegisterGameFont();
    Menu = MenuRecord{};
    for (int i = 0; i < 60; ++i) Print("A line of console history, as start-up and level loads print them");
    Console.ConsoleState = CON_OPEN;
    Console.ConsoleHeight = 384;
    Program.GameState = GS_MENU;
    ready = true;
}

// A pass in which neither a tick nor a frame is due: the loop spins on this.
void BM_RunTimersIdle(benchmark::State& state) {
    SetUp1024();
    ResetTimers();
    RunTimers();
    for (auto _ : state) benchmark::DoNotOptimize(RunTimers());
}
BENCHMARK(BM_RunTimersIdle);

void BM_RenderFrameConsole1024(benchmark::State& state) {
    SetUp1024();
    for (auto _ : state) benchmark::DoNotOptimize(RenderFrame());
}
BENCHMARK(BM_RenderFrameConsole1024)->Unit(benchmark::kMicrosecond);

void BM_ConsolePrint(benchmark::State& state) {
    SetUp1024();
    int i = 0;
    char line[64];
    for (auto _ : state) {
        snprintf(line, sizeof line, "Picked up a health pack %d", i++ & 7);
        Print(line);
    }
}
BENCHMARK(BM_ConsolePrint)->Unit(benchmark::kMicrosecond);

}  // namespace
