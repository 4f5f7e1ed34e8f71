// The program's own state.
#include "core/program.h"

ProgramRecord Program;

void PostQuit(int code) {
    if (Program.QuitRequested) return;
    Program.QuitRequested = true;
    Program.QuitCode = code;
}

bool QuitPosted() { return Program.QuitRequested; }
