// Process entry, game state, main loop timers, quit requests, activation and the event log.
#pragma once
#include <cstdint>
#include <string>

#include "core/program.h"
#include "platform/platform.h"

// What the command line asked for.
struct ProgramOptions {
    const char* recordPath = nullptr;   // --record FILE: write a demo recording of the game
    const char* playPath = nullptr;     // --play FILE: the recording playing (already started)
    bool stats = false;                 // --stats: how fast the game runs, every second on standard output
    bool window = false;                // --window: start in a window instead of full screen
    const char* dataDir = nullptr;      // --data FOLDER: the game's data
    std::string userSettings;           // the player's own config.ini; empty: none is read or written
    int hostPort = 0;                   // --host [PORT]: host a network game once started (0: do not)
    const char* joinAddress = nullptr;  // --join ADDRESS[:PORT]: join one
    int joinPort = 0;
    char joinBuffer[128] = "";
};

// The program in three calls, which a backend drives (platform.h, PlatformLoop).
// Start-up: the console, the log, the window, the settings, the subsystems, the start menu. False when
// the program cannot run (no window): Program.QuitCode then holds the exit status.
bool ProgramStart(const ProgramOptions& options);
// One pass of the main loop: at most one event, then the timers. PASS_ENDED once the pass that saw the
// quit request has run; PASS_IDLE when nothing was due (the backend may sleep until ProgramNextDue);
// PASS_WORKED otherwise.
int ProgramPass();
// When the next tick or frame is due on the timers' clock: the earlier of the two.
uint32_t ProgramNextDue();
// Shutdown after the last pass: the start menu once more, the subsystems stopped, the window closed.
// Returns the exit status.
int ProgramStop();
// The whole program, with the crash report and the last-resort handler round it: start-up, the passes
// driven by `drive` (the platform's own loop when null) and shutdown. Returns the exit status.
int ProgramMain(const ProgramOptions& options = ProgramOptions{}, int (*drive)(const PlatformLoop& loop) = nullptr);
// One timer pass of the main loop: at most one logic tick, or else at most one frame.
int RunTimers();
// Resets the timer step so its next call starts afresh (tests).
void ResetTimers();
int StartSubsystems();
int StopSubsystems();
// The window's drawing area changed to `code` (width << 16 | height): with SCREENSIZE=WINDOW (and in a
// recording that plays back) the screen takes that size, within the sizes the game draws. True when it
// changed.
bool FollowWindow(int code);
// Window activation: code 0 deactivated, 1 or 2 activated.
void HandleActivation(int code);
// Makes every print go to the log and the console, with a frame presented at once, and the console's
// Enter run the console commands (start-up; tests).
void InstallConsolePrinting();
