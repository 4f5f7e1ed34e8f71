// The console command interpreter.
#pragma once
#include <cstdint>

#include "console/console.h"

// Interprets one command text; non-zero (CMD_ACCEPTED or CMD_FAILED) when it is a command.
int ExecuteCommand(const char* text);
