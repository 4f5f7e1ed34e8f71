// The game's command line.
#pragma once

struct ProgramOptions;

// Reads the command line into options. -1 when the game is to start; otherwise the exit status (0 after
// --help, 2 after an unknown option or a missing argument, with one line on standard error). With
// --play, the recording is opened here (a recording that cannot be replayed gives status 2).
int ParseGameOptions(int argc, char** argv, ProgramOptions* options);
// The version the game and the runner print with --version.
const char* ProgramVersion();
