// The console command interpreter: one table of commands, which HELP and completion read too.
#pragma once
#include <cstddef>
#include <cstdint>

#include "console/console.h"

// How a command's name matches the typed text (always case-sensitive, never trimmed).
enum CommandMatch : uint8_t {
    MATCH_WORD,              // the whole text is the name
    MATCH_PREFIX,            // the text begins with the name (RES: "RES 800 600")
    MATCH_ARGUMENT,          // the name, a space and whatever follows (LOAD: "LOAD LEVEL1.LVL")
    MATCH_WORD_OR_ARGUMENT,  // the name alone, or with a space and whatever follows (SAY)
};
struct CommandDef;
// Runs a command: given its row and the whole typed text; a CMD_ result.
using CommandRun = int (*)(const CommandDef& self, const char* text);
struct CommandDef {
    const char* name;
    CommandMatch match;
    const char* argument;  // what follows the name, as HELP shows it (null: nothing)
    CommandRun run;
    const char* help;     // one line
    const char* setting;  // the key of the setting the command changes (null: none)
    const char* said;     // the line a switch's command answers with (null: none)
    const char* state;    // what SAYSTATE names the switch in its "… on" / "… off" line (null: nothing)
};
extern const CommandDef kCommands[];
extern const int kCommandCount;

bool CommandMatches(const CommandDef& command, const char* text);
// Interprets one command text: the first command of the table that matches runs. CMD_UNKNOWN when none
// matches; a setting the player keeps that the command changed is saved to his file at once.
int ExecuteCommand(const char* text);
// What Tab completes a typed line with (the console's completer): command names, and after "LOAD " the
// level files of the data folder. Writes the longest text every candidate begins with into `out` and the
// candidates, separated by spaces, into `all`; returns how many there are.
int CompleteCommand(const char* typed, char* out, size_t outSize, char* all, size_t allSize);
