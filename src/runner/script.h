// The runner's script interpreter: drives the program through the headless backend's pass hook.
#pragma once
#include <cstdio>

// Starts interpreting `script` (owned by the caller, read line by line as the program runs).
void StartScript(FILE* script);
