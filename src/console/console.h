// The drop-down console: history, notify lines, input line, roll and fade, drawing.
#pragma once
#include <cstdint>

enum { CON_OPEN = 1, CON_ROLLING_UP = 2, CON_ROLLING_DOWN = 3, CON_CLOSED = 4 };
constexpr int CONSOLE_SLOTS = 55;
constexpr int CONSOLE_LINE_BYTES = 150;
constexpr int CONSOLE_INPUT_SLOT = 54;

// Slot bytes: notify counter, red, green, blue, then the NUL-terminated text.
extern uint8_t ConsoleBuffer[CONSOLE_SLOTS][CONSOLE_LINE_BYTES];
extern int32_t ConsoleState;
extern int32_t ConsoleHeight;
// Lines printed since start-up (a command that prints is told apart by it).
extern uint32_t ConsolePrintCount;

void ConsoleInit();
// Logs the text, scrolls, writes it as the newest line (counter 1) and presents a frame at once.
void ConsolePrint(const char* text);
// Same with the caller's notify counter (90 for game messages).
void ConsolePrintNotify(uint8_t counter, const char* text);
void ConsoleScroll();
void ConsoleOpenFull();
int ConsoleToggle();
bool ConsoleIsClosed();
void ConsoleAppendChar(char c);
void ConsoleBackspace();
void ConsoleSubmit();
void ConsoleKeys();
void ConsoleFadeStep();
void ConsoleRollStep();
void ConsoleDraw();
// Writes a whole line (four attribute bytes then text, as one string) into a slot, truncated to fit.
void ConsoleWriteSlot(int slot, const char* attributedText);
