// The program's own state: the game state, activation, the tick and frame counters, the window title,
// the request to quit, the main loop's timers and the program-wide random generator.
#pragma once
#include <cstdint>

enum { GS_MENU = 0, GS_PLAYING = 1, GS_PAUSED = 2, GS_LEVEL_DONE = 4, GS_WON = 6 };

struct ProgramRecord {
    int32_t GameState = GS_MENU;
    uint8_t AppActive = 1;
    uint64_t TickCount = 0;   // logic ticks run since start
    uint64_t FrameCount = 0;  // frames presented since start
    char WindowTitle[52] = "";
    bool QuitRequested = false;
    int QuitCode = 0;
    // The main loop's timers: the clock of the last logic tick and of the last frame, set on the first pass.
    uint32_t LastTickTime = 0, LastFrameTime = 0;
    bool TimersStarted = false;
    // With FRAMERATE, frames are due on a schedule of their own, every 1000 / FRAMERATE ms (seldom a whole
    // number): the millisecond of the next one and the part of a millisecond beyond it, in 1 / FRAMERATE
    // ms; and whether a tick has run since the last frame (a frame shows a new tick's world).
    uint32_t NextFrameTime = 0, NextFrameRemainder = 0;
    bool TickSinceFrame = false;
    bool PassWorked = false;  // the last pass ran a tick or a frame
    bool LoopEnded = false;   // the pass that saw the quit request has run
    bool Ending = false;      // the shutdown at the end of the process has begun
    // During a logic tick the game clock reads the time the tick was taken at.
    bool ClockHeld = false;
    uint32_t HeldClock = 0;
    // Added to the platform's clock to give the game clock: 0 until a saved game is loaded, which sets it
    // so that the game clock goes on from the saved game's.
    uint32_t GameClockOffset = 0;
    uint32_t RandomSeed = 1;  // the linear congruential generator's state
};
extern ProgramRecord Program;

// Asks the main loop to end after its current pass with the given exit code (the first request counts).
void PostQuit(int code);
bool QuitPosted();
