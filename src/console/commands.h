// The console command interpreter.
#pragma once
#include <cstdint>


// What ExecuteCommand made of a text: not a command; a command that did its work; a command that was
// recognised but could not do its work (a level that cannot be loaded, a refused resolution change).
enum { CMD_UNKNOWN = 0, CMD_ACCEPTED = 1, CMD_FAILED = 2 };

// Interprets one command text; non-zero (CMD_ACCEPTED or CMD_FAILED) when it is a command.
int ExecuteCommand(const char* text);
