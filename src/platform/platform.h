// The boundary between the portable game and the machine: clock, window, frames, input, glyphs, audio.
// Only the backends under src/platform/ include SDL, SDL_ttf or FluidSynth; everything else calls these.
#pragma once
#include <cstddef>
#include <cstdint>

// ---- clock -------------------------------------------------------------------------------------------
// Milliseconds since an arbitrary start; wraps like a 32-bit counter.
uint32_t PlatformTicksMs();
// Sleeps about `ms` milliseconds (the headless backend returns at once: its clock is scripted).
void PlatformDelayMs(uint32_t ms);
// Sleeps until the clock reads `ms` (returns at once when it does already); the main loop waits here
// when nothing is due. Wakes at the start of that millisecond, never a whole millisecond late. The
// headless backend never sleeps.
void PlatformWaitUntil(uint32_t ms);

// ---- the main loop ----------------------------------------------------------------------------------
// The program's loop as a backend drives it: one pass (PASS_ENDED once the loop has ended, PASS_WORKED
// after a pass that ran a tick, a frame or an event, PASS_IDLE after one that found nothing due), the
// clock time at which the next work is due, and the shutdown after the last pass (the exit status).
enum { PASS_ENDED = 0, PASS_WORKED = 1, PASS_IDLE = 2 };
struct PlatformLoop {
    int (*pass)();
    uint32_t (*nextDue)();
    int (*finish)();
};
// Runs passes until the loop ends, waiting until nextDue() after an idle pass (the headless backend's
// wait returns at once), then finish(); returns its status.
int PlatformRunLoop(const PlatformLoop& loop);

// ---- window and events ------------------------------------------------------------------------------
enum PlatformEventType { PE_NONE = 0, PE_QUIT = 1, PE_ACTIVATE = 2, PE_RESIZE = 3 };
struct PlatformEvent {
    int type;  // PlatformEventType
    int code;  // PE_ACTIVATE: 0 = deactivated, 1 = activated; PE_RESIZE: the window's new drawing area,
               // width << 16 | height, in pixels
};

// Opens the one window (full-screen desktop in the real backend). On failure writes a reason into err
// and returns false.
bool PlatformOpenWindow(const char* title, char* err, size_t errSize);
void PlatformCloseWindow();
// Full screen or a window (Alt+Enter switches too); the headless backend only remembers it.
void PlatformSetFullscreen(bool on);
bool PlatformFullscreen();
// The display's size in pixels and its refresh rate (0 where it does not say); false when there is no
// display (the headless backend, unless a test gives it one).
bool PlatformDisplayMode(int* w, int* h, int* hz);
// The size of the window's drawing area in pixels; false when there is no window.
bool PlatformWindowSize(int* w, int* h);
// Takes at most one pending event; returns false when none is waiting. Pumps the system as needed.
bool PlatformPollEvent(PlatformEvent* ev);
// Hides or shows the system cursor and grabs relative mouse motion.
void PlatformShowCursor(bool show);

// ---- frames ------------------------------------------------------------------------------------------
// Creates the presentation target for frames of w x h pixels (replacing an earlier one).
bool PlatformVideoInit(int w, int h);
void PlatformVideoShutdown();
// Before the image of the next frame is made: the backend stops reading the last one (a presenter thread
// that still copies from it is waited for). Every PlatformPresent follows one.
void PlatformPresentBegin();
// Shows one finished frame of w x h pixels, 0x00RRGGBB each, row-major without padding; the backend may go
// on reading the image until the next PlatformPresentBegin. `damage` says what
// differs from the frame presented before: for each row a mask of 64 column chunks of
// PresentChunkWidth(w) pixels (bit k: the columns k * chunk .. (k + 1) * chunk - 1); null when all of it
// may differ. A frame without damage is the one presented last (a backend may leave the window as it is).
void PlatformPresent(const uint32_t* rgb, int w, int h, const uint64_t* damage);
// The width of a damage chunk for frames w pixels wide: the least power of two, 8 at least, of which 64
// cover w.
inline int PresentChunkWidth(int w) {
    int c = 8;
    while (c * 64 < w) c *= 2;
    return c;
}
// Calls f(x, n) for each run of chunks set in a row's damage mask: its first column and its width in
// pixels, cut to frames w pixels wide.
template <typename F>
void ForEachDamageRun(uint64_t mask, int chunk, int w, F f) {
    while (mask) {
        const int first = __builtin_ctzll(mask);
        const uint64_t from = mask >> first;
        const int length = from == ~0ull >> first ? 64 - first : __builtin_ctzll(~from);
        const int x = first * chunk, end = (first + length) * chunk < w ? (first + length) * chunk : w;
        if (x < end) f(x, end - x);
        mask = first + length >= 64 ? 0 : mask & ~((2ull << (first + length - 1)) - 1);
    }
}

// ---- text --------------------------------------------------------------------------------------------
// A rendered text: 8-bit coverage (0 = none, 255 = full), row-major, w x h. Valid until the next call
// that renders text; the backend keeps a small cache so steady frames do not rasterise again.
struct PlatformGlyphs {
    const uint8_t* coverage;
    int w, h;
};
// Opens face file `path` for font slot (0 large, 1 small) at a character height of `pixels`.
bool PlatformFontOpen(int slot, const char* path, int pixels);
void PlatformFontCloseAll();
bool PlatformFontReady(int slot);
// Text is Windows-1252 bytes. Returns false when the slot has no font.
bool PlatformTextMeasure(int slot, const char* text, int* w, int* h);
bool PlatformTextRender(int slot, const char* text, PlatformGlyphs* out);
// True when `path` names a font file the text backend can open.
bool PlatformFontFileUsable(const char* path);

// ---- input -------------------------------------------------------------------------------------------
bool PlatformInputInit();
void PlatformInputShutdown();
// 256 bytes indexed by DirectInput key code, bit 7 = down.
void PlatformReadKeyboard(uint8_t keys[256]);
// Relative motion since the last read, and four button bytes (0x80 = down).
void PlatformReadMouse(int32_t* dx, int32_t* dy, int32_t* dz, uint8_t buttons[4]);
// One pad at a time: a game controller that the backend has a mapping for, else a raw joystick. Pads
// plugged in or pulled out after the open are picked up or dropped as the events are pumped.
//
// A read gives the pad as a stick and 32 button bytes (0x80 = down). x and y come from the left stick
// (axes 0 and 1 of a raw joystick), scaled to -range..range with the dead zone applied; y < 0 is up. An
// axis inside the dead zone takes the d-pad's (a raw joystick's first hat) as full deflection. The buttons
// a game controller fills are the JOY_* indexes below (the others stay up); a raw joystick gives its own
// buttons at their own indexes, so its button 0 fires and 1, 2, 3 are the next, previous and menu.
enum {
    JOY_FIRE = 0,         // south face button, or the right trigger pressed past half way
    JOY_NEXT_WEAPON = 1,  // right shoulder
    JOY_PREV_WEAPON = 2,  // left shoulder
    JOY_MENU = 3,         // Start
};
// Starts watching for pads and opens one if any is plugged in; true when one is open.
bool PlatformJoystickOpen(int range, int deadZonePercent);
// Whether a pad is open now (false after PlatformJoystickClose).
bool PlatformJoystickPresent();
// One read of the open pad, each axis -range..range: x and y the left stick (or d-pad), turn the right
// stick's x. A joystick that SDL cannot map to a controller layout gives its stick's x (or hat) as turn
// and x = 0, since which of its axes is a second stick is not known. False when no pad is open.
bool PlatformReadJoystick(int32_t* x, int32_t* y, int32_t* turn, uint8_t buttons[32]);
// Closes the pad and stops watching for others.
void PlatformJoystickClose();
