// Program set-up for the unit suites: the headless program in its start-up state, and what the tests read
// back from the console and the sound log. Scratch folders and file writes come from support/scratch.h.
#pragma once
#include <initializer_list>
#include <string>
#include <vector>

#include "support/scratch.h"

// Puts the program's globals into their start-up state at 640 x 480 with video and fonts up, no files:
// settings, program, console, menu, animation, input and the renderer's switches, and an empty world.
void ResetProgram();
// The renderer's console switches (occlusion and shading) back on, as at start-up.
void ResetRenderSwitches();
// Text of console history slot i (without its attribute bytes).
std::string ConsoleText(int slot);
// Whether any history slot holds exactly this text.
bool ConsoleShows(const std::string& text);
// Console lines printed after the most recent `marker` line, oldest first.
std::vector<std::string> LinesAfter(const char* marker);
// The buffer numbers of the sounds played since the last call (the play log is emptied).
std::vector<int> Played();
// Holds a key down (or up) in the headless keyboard and runs one logic tick's input dispatch.
void TickWithKeys(std::initializer_list<int> down);
