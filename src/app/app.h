// Process entry, game state, main loop timers, quit requests, activation and the event log.
#pragma once
#include <cstdint>
#include <string>

#include "core/program.h"

// What the command line asked for.
struct ProgramOptions {
    const char* recordPath = nullptr;  // --record FILE: write a demo recording of the game
    const char* playPath = nullptr;    // --play FILE: the recording playing (already started)
    bool stats = false;                // --stats: how fast the game runs, every second on standard output
    bool window = false;               // --window: start in a window instead of full screen
    const char* dataDir = nullptr;     // --data FOLDER: the game's data
    std::string userSettings;          // the player's own config.ini; empty: none is read or written
};

// The whole program: start-up, main loop, shutdown. Returns the process exit code.
int ProgramMain(const ProgramOptions& options = ProgramOptions{});
// The scripted runner's hook, called at the start of every main-loop pass, also the last one.
using MainLoopHook = void (*)();
void SetPassHook(MainLoopHook hook);
// One timer pass of the main loop: at most one logic tick, or else at most one frame.
int RunTimers();
// Resets the timer step so its next call starts afresh (tests).
void ResetTimers();
int StartSubsystems();
int StopSubsystems();
// Window activation: code 0 deactivated, 1 or 2 activated.
void HandleActivation(int code);
// Makes every print go to the log and the console, with a frame presented at once, and the console's
// Enter run the console commands (start-up; tests).
void InstallConsolePrinting();
