// The runner's script interpreter: drives the program's passes over the headless backend.
#pragma once
#include <cstdio>

#include "app/app.h"

// Starts interpreting `script` (owned by the caller, read line by line as the program runs).
void StartScript(FILE* script);
// Runs the program with the script started above driving it. Returns the exit status.
int RunScript(const ProgramOptions& options);
// Runs the program with `step` called before every main-loop pass, the last one too. Returns the exit status.
int RunProgramStepped(const ProgramOptions& options, void (*step)());
