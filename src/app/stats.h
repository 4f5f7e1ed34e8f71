// How fast the game runs: ticks and frames per second, the cost of a frame, the process's CPU time.
// Shown by the console command FPS as a counter at the top right, and printed once a second with --stats.
#pragma once
#include <cstdint>

struct StatsRecord {
    bool printing = false;
    bool counterShown = false;
    bool firstFrameSaid = false;
    uint32_t secondStart = 0;
    bool started = false;
    int ticks = 0, frames = 0;                    // in the second being counted
    int ticksPerSecond = 0, framesPerSecond = 0;  // of the last whole second
    double lastFrameMs = 0;
    double frameMsSum = 0;  // this second's frames
    double cpuAtSecondStart = 0;
};
extern StatsRecord Stats;

// A logic tick ran.
void StatsTick();
// The main loop composed and presented a frame that took `ms` milliseconds.
void StatsFrame(double ms);
// Every main-loop pass, with the program's clock: closes a second when one has gone by.
void StatsPass(uint32_t nowMs);
// --stats: a line "ticks=N frames=N frame_ms=X cpu=P" every second on standard output, and once
// "first_frame_ms=N" after the first frame the main loop presents.
void StatsEnablePrinting();
// The console command FPS: the counter on and off.
void StatsToggleCounter();
// Draws the counter over the frame when it is on (called last by the frame composition).
void StatsDrawCounter();
