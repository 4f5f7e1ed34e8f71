// The program's own state: the game state, activation, the tick and frame counters, the window title,
// and the request to quit.
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
};
extern ProgramRecord Program;

// Asks the main loop to end after its current pass with the given exit code (the first request counts).
void PostQuit(int code);
bool QuitPosted();
