// The console: 54 history slots and an input line, notify lines, rolling panel, typed commands.
#include "console/console.h"

#include <cstdio>
#include <cstring>

#include "core/bounded.h"
#include "core/print.h"
#include "core/program.h"
#include "core/settings.h"
#include "input/input.h"
#include "render/video.h"

ConsoleRecord Console;

static const char kPrompt[] = "\xFF\xC8\xFA\xFA>";  // counter 255, colour (200, 250, 250), prompt

static char* SlotText(int slot) { return reinterpret_cast<char*>(Console.ConsoleBuffer[slot]); }

void ConsoleWriteSlot(int slot, const char* attributedText) {
    if (slot < 0 || slot >= CONSOLE_SLOTS) return;
    size_t n = strnlen(attributedText, CONSOLE_LINE_BYTES - 1);
    memcpy(Console.ConsoleBuffer[slot], attributedText, n);
    Console.ConsoleBuffer[slot][n] = 0;
}

// Writes the four attribute bytes and the text, cut to the 145 text characters a slot holds.
static void WriteLine(int slot, uint8_t counter, uint8_t r, uint8_t g, uint8_t b, const char* text) {
    uint8_t* s = Console.ConsoleBuffer[slot];
    s[0] = counter;
    s[1] = r;
    s[2] = g;
    s[3] = b;
    size_t n = strnlen(text, CONSOLE_LINE_BYTES - 5);
    memcpy(s + 4, text, n);
    s[4 + n] = 0;
}

static void ResetInputLine() { ConsoleWriteSlot(CONSOLE_INPUT_SLOT, kPrompt); }

// The console is where printed lines go: logged, written as the newest line, and shown at once by the
// presenter the program installs.
static void PrintToConsole(uint8_t counter, const char* text) {
    LogEvent(text);
    ConsoleAddLine(counter, text);
    if (Console.Presenter) Console.Presenter();
}

void ConsoleInit() {
    memset(Console.ConsoleBuffer, 0, sizeof Console.ConsoleBuffer);
    ResetInputLine();
    SetPrintSink(PrintToConsole);
}

void ConsoleSetPresenter(void (*present)()) { Console.Presenter = present; }

void ConsoleSetCommandHandler(int (*execute)(const char* text)) { Console.Execute = execute; }

void ConsoleScroll() {
    memmove(Console.ConsoleBuffer[0], Console.ConsoleBuffer[1], CONSOLE_HISTORY_SLOTS * CONSOLE_LINE_BYTES);
}

void ConsoleAddLine(uint8_t counter, const char* text) {
    if (!text) text = "";
    ++Console.ConsolePrintCount;
    ConsoleScroll();
    WriteLine(CONSOLE_NEWEST_SLOT, counter, 240, 240, 200, text);
}

void ConsoleOpenFull() {
    Console.ConsoleState = CON_OPEN;
    Console.ConsoleHeight = Settings.SCREENY;
}

int ConsoleToggle() {
    switch (Console.ConsoleState) {
    case CON_ROLLING_UP:
    case CON_CLOSED: Console.ConsoleState = CON_ROLLING_DOWN; return Console.ConsoleState;
    case CON_ROLLING_DOWN:
    case CON_OPEN: Console.ConsoleState = CON_ROLLING_UP; return Console.ConsoleState;
    default: return 0;
    }
}

void ConsoleClose() {
    Console.ConsoleState = CON_CLOSED;
    Console.ConsoleHeight = 0;
}

bool ConsoleIsClosed() { return Console.ConsoleState == CON_CLOSED; }

void ConsoleAppendChar(char c) {
    char* line = SlotText(CONSOLE_INPUT_SLOT);
    size_t len = strlen(line);
    // The whole line (attributes, prompt, typed text, NUL) must fit the slot: at most 144 typed characters.
    if (len + 2 > CONSOLE_LINE_BYTES) return;
    line[len] = c;
    line[len + 1] = 0;
}

void ConsoleBackspace() {
    char* text = SlotText(CONSOLE_INPUT_SLOT) + 4;
    size_t len = strlen(text);
    if (len > 1) text[len - 1] = 0;
}

void ConsoleSubmit() {
    const char* typed = SlotText(CONSOLE_INPUT_SLOT) + 5;
    if (!*typed) return;
    char command[CONSOLE_LINE_BYTES];
    CopyBounded(command, typed);
    ConsoleScroll();
    if (Settings.CONSOLEAIDS) ConsoleRemember(command);
    uint32_t printedBefore = Console.ConsolePrintCount;
    int accepted = Console.Execute ? Console.Execute(command) : CMD_UNKNOWN;
    uint32_t printed = Console.ConsolePrintCount - printedBefore;
    if (printed > 0 || Settings.CONSOLEAIDS) {
        // The command wrote lines of its own (or the aids keep the typed line in sight): they keep their
        // slots, the echo of the typed line becomes a plain history line (instead of a notify line that
        // would never fade), and the result line gets a fresh slot below them.
        if (printed <= CONSOLE_NEWEST_SLOT) Console.ConsoleBuffer[CONSOLE_NEWEST_SLOT - printed][0] = NOTIFY_NONE;
        ConsoleScroll();
    }
    if (accepted == CMD_ACCEPTED) {
        ConsoleWriteSlot(CONSOLE_NEWEST_SLOT, "zzzz - Command Accepted");
    } else if (accepted == CMD_FAILED) {
        ConsoleWriteSlot(CONSOLE_NEWEST_SLOT, "zzzz - Command Failed");
    } else {
        char line[CONSOLE_LINE_BYTES + 32];
        snprintf(line, sizeof line, "zzzz - Unknown Command: %s", command);
        ConsoleWriteSlot(CONSOLE_NEWEST_SLOT, line);
    }
    ResetInputLine();
}

void ConsoleKeys() {
    static const uint8_t kDigits[10] = {DIK_1, DIK_2, DIK_3, DIK_4, DIK_5, DIK_6, DIK_7, DIK_8, DIK_9, DIK_0};
    static const uint8_t kLetters[26] = {DIK_A, DIK_B, DIK_C, DIK_D, DIK_E, DIK_F, DIK_G, DIK_H, DIK_I,
                                         DIK_J, DIK_K, DIK_L, DIK_M, DIK_N, DIK_O, DIK_P, DIK_Q, DIK_R,
                                         DIK_S, DIK_T, DIK_U, DIK_V, DIK_W, DIK_X, DIK_Y, DIK_Z};
    for (int i = 0; i < 10; ++i)
        if (KeyPressed(kDigits[i])) ConsoleAppendChar(char(i == 9 ? '0' : '1' + i));
    for (int i = 0; i < 26; ++i)
        if (KeyPressed(kLetters[i])) ConsoleAppendChar(char('A' + i));
    if (KeyPressed(DIK_SLASH)) ConsoleAppendChar('/');
    if (KeyPressed(DIK_SPACE)) ConsoleAppendChar(' ');
    if (KeyPressed(DIK_DELETE)) ConsoleAppendChar('.');
    if (Settings.CONSOLEAIDS && (KeyPressed(DIK_PERIOD) || KeyPressed(DIK_DECIMAL))) ConsoleAppendChar('.');
    if (KeyPressed(DIK_MINUS) && (KeyHeld(DIK_LSHIFT) || KeyHeld(DIK_RSHIFT))) ConsoleAppendChar('_');
    if (KeyPressed(DIK_BACK)) ConsoleBackspace();
    if (KeyPressed(DIK_LEFT)) ConsoleBackspace();
    if (Settings.CONSOLEAIDS) {
        if (KeyPressed(DIK_UP)) ConsoleRecall(-1);
        if (KeyPressed(DIK_DOWN)) ConsoleRecall(1);
        if (KeyPressed(DIK_TAB)) ConsoleComplete();
    }
    if (KeyPressed(DIK_RETURN)) ConsoleSubmit();
}

void ConsoleRemember(const char* command) {
    if (!command || !command[0]) return;
    const int n = Console.RecalledCount;
    if (n > 0 && strcmp(Console.Recalled[n - 1], command) == 0) {
        Console.RecalledAt = n;  // typed again: kept once
        return;
    }
    if (n == CONSOLE_RECALLED)
        memmove(Console.Recalled[0], Console.Recalled[1], sizeof Console.Recalled - sizeof Console.Recalled[0]);
    CopyBounded(Console.Recalled[n == CONSOLE_RECALLED ? n - 1 : n], command);
    Console.RecalledCount = n == CONSOLE_RECALLED ? n : n + 1;
    Console.RecalledAt = Console.RecalledCount;
}

// Puts the prompt and `text` into the input line (cut as typing would cut it).
static void SetInputLine(const char* text) {
    ResetInputLine();
    for (const char* p = text; *p; ++p) ConsoleAppendChar(*p);
}

void ConsoleRecall(int step) {
    const int at = Console.RecalledAt + (step < 0 ? -1 : 1);
    if (at < 0 || at > Console.RecalledCount) return;
    Console.RecalledAt = at;
    SetInputLine(at == Console.RecalledCount ? "" : Console.Recalled[at]);
}

void ConsoleComplete() {
    if (!Console.Complete) return;
    char typed[CONSOLE_LINE_BYTES], completed[CONSOLE_LINE_BYTES], all[CONSOLE_LINE_BYTES * 4];
    CopyBounded(typed, SlotText(CONSOLE_INPUT_SLOT) + 5);
    const int found = Console.Complete(typed, completed, sizeof completed, all, sizeof all);
    if (found == 0) return;
    if (strlen(completed) > strlen(typed)) {
        SetInputLine(completed);
    } else if (found > 1) {
        Print(all);  // nothing more in common: what the text may become
    }
}

void ConsoleFadeStep() {
    for (int i = 0; i < CONSOLE_HISTORY_SLOTS; ++i) {
        uint8_t& counter = Console.ConsoleBuffer[i][0];
        if (counter > 1 && counter < 255) --counter;
    }
}

void ConsoleRollStep() {
    // 12 pixels a tick, of the 640 x 480 layout: a larger screen with SCALEVIEW rolls it as fast.
    const int step = Scaled(12);
    if (Console.ConsoleState == CON_ROLLING_DOWN) {
        if (Console.ConsoleHeight < (Settings.SCREENY >> 1))
            Console.ConsoleHeight += step;
        else
            Console.ConsoleState = CON_OPEN;
    } else if (Console.ConsoleState == CON_ROLLING_UP) {
        if (Console.ConsoleHeight > 0)
            Console.ConsoleHeight -= step;
        else
            Console.ConsoleState = CON_CLOSED;
    }
}

static void DrawSlot(int slot, int x, int y) {
    const uint8_t* s = Console.ConsoleBuffer[slot];
    if (!s[4]) return;  // nothing to show
    DrawScreenText(reinterpret_cast<const char*>(s + 4), x, y, Rgb(s[1], s[2], s[3]), SmallFont);
}

// Text positions are those of 640 x 480, scaled with the view (render/video.h: Scaled) and, on a wide
// screen, in its middle; the panel spans the whole width.
void ConsoleDraw() {
    const int left = ViewLeft() + Scaled(10);
    if (Console.ConsoleState == CON_CLOSED || Console.ConsoleState == CON_ROLLING_UP ||
        Console.ConsoleState == CON_ROLLING_DOWN) {
        int k = 0;
        for (int i = 0; i < CONSOLE_HISTORY_SLOTS; ++i) {
            if (Console.ConsoleBuffer[i][0] > 1) {
                DrawSlot(i, left, Scaled(10 + 15 * k));
                ++k;
            }
        }
    }
    if (Console.ConsoleState == CON_OPEN || Console.ConsoleState == CON_ROLLING_UP ||
        Console.ConsoleState == CON_ROLLING_DOWN) {
        FillScreenRect(0, 0, Settings.SCREENX, Console.ConsoleHeight, 210);
        DrawSlot(CONSOLE_INPUT_SLOT, left, Console.ConsoleHeight - Scaled(30));
        // Slot n at ConsoleHeight - 55 - 15 * (53 - n); lines wholly above the top edge are not seen.
        for (int n = CONSOLE_NEWEST_SLOT; n >= 1; --n) {
            int y = Console.ConsoleHeight - Scaled(55 + 15 * (CONSOLE_NEWEST_SLOT - n));
            if (y < -Scaled(40)) break;
            DrawSlot(n, left, y);
        }
    }
}
