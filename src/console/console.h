// The drop-down console: history, notify lines, input line, roll and fade, drawing.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/print.h"

enum { CON_OPEN = 1, CON_ROLLING_UP = 2, CON_ROLLING_DOWN = 3, CON_CLOSED = 4 };
constexpr int CONSOLE_SLOTS = 55;
constexpr int CONSOLE_INPUT_SLOT = 54;
constexpr int CONSOLE_HISTORY_SLOTS = 54;  // slots 0 (oldest) .. 53 (newest)
constexpr int CONSOLE_NEWEST_SLOT = 53;
constexpr int CONSOLE_RECALLED = 32;  // commands Up and Down recall

struct ConsoleRecord {
    // Slot bytes: notify counter, red, green, blue, then the NUL-terminated text.
    uint8_t ConsoleBuffer[CONSOLE_SLOTS][CONSOLE_LINE_BYTES] = {};
    int32_t ConsoleState = CON_CLOSED;
    int32_t ConsoleHeight = 0;
    // Lines printed since start-up (a command that prints is told apart by it).
    uint32_t ConsolePrintCount = 0;
    // What shows a printed line at once, and the interpreter Enter hands the typed line to.
    void (*Presenter)() = nullptr;
    int (*Execute)(const char* text) = nullptr;
    // The console aids (CONSOLEAIDS): the commands typed, oldest first, and the one Up and Down stand on
    // (Recalled == RecalledCount: the line being typed); what Tab completes with: it writes the longest
    // text every candidate for `typed` begins with into `out` and the candidates, separated by spaces,
    // into `all`, and returns how many there are.
    char Recalled[CONSOLE_RECALLED][CONSOLE_LINE_BYTES] = {};
    int32_t RecalledCount = 0, RecalledAt = 0;
    int (*Complete)(const char* typed, char* out, size_t outSize, char* all, size_t allSize) = nullptr;
};
extern ConsoleRecord Console;

// What the command interpreter made of a typed line: not a command; a command that did its work; a command
// that was recognised but could not do its work (a level that cannot be loaded, a refused resolution
// change).
enum { CMD_UNKNOWN = 0, CMD_ACCEPTED = 1, CMD_FAILED = 2 };
// The interpreter Enter hands the typed line to (the program's console commands); CMD_ result.
void ConsoleSetCommandHandler(int (*execute)(const char* text));

// Empties the console and makes it the sink of every print (core/print.h).
void ConsoleInit();
// What shows a printed line at once: called after every line printed (the program presents a frame).
void ConsoleSetPresenter(void (*present)());
// Scrolls and writes the text as the newest line with the notify counter and the print colour. The
// print sink (Print, PrintNotify of core/print.h) calls it after logging the line, then presents a frame.
void ConsoleAddLine(uint8_t counter, const char* text);
void ConsoleScroll();
void ConsoleOpenFull();
int ConsoleToggle();
// Puts the console away at once, without rolling (a loaded game plays on).
void ConsoleClose();
bool ConsoleIsClosed();
void ConsoleAppendChar(char c);
void ConsoleBackspace();
void ConsoleSubmit();
// Adds a command to the ones Up and Down recall (the oldest gives way when all 32 are taken).
void ConsoleRemember(const char* command);
// Up (-1) or Down (+1) through the commands typed: the recalled one becomes the input line.
void ConsoleRecall(int step);
// Tab: the typed text completed as far as every candidate agrees; the candidates are listed when the
// text could not be taken further.
void ConsoleComplete();
void ConsoleKeys();
void ConsoleFadeStep();
void ConsoleRollStep();
void ConsoleDraw();
// Writes a whole line (four attribute bytes then text, as one string) into a slot, truncated to fit.
void ConsoleWriteSlot(int slot, const char* attributedText);
