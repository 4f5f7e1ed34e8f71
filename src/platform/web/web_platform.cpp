// The browser backend: the page's canvas as the window (SDL2 built for the browser), keyboard and mouse
// from SDL's events with the pointer lock kept by the page (web_library.js), and the main loop run from
// the browser's animation frames.
//
// The page has one thread, which must return to the browser after every animation frame. Each frame runs
// the passes that are due by then, the clock reading, for each, the instant it was due on the program's
// schedule: so every 6 ms tick runs, at its time, however the browser spaces the frames.
#include <SDL.h>
#include <emscripten.h>

#include <cstring>

#include "core/bounded.h"
#include "platform/common/sdl_keys.h"
#include "platform/dik.h"
#include "platform/platform.h"
#include "platform/web/web.h"

namespace {

// A page that was hidden, or a machine that cannot keep up, is not made to catch up on more than this:
// the ticks further back are dropped, as a desktop loop that wakes late drops them.
constexpr uint32_t kMaxCatchUpMs = 100;
// Passes in one animation frame at most (a flood of input events is taken over several frames).
constexpr int kMaxPassesPerFrame = 2000;

struct WebWindow {
    SDL_Window* window = nullptr;
    bool fullscreen = true;  // remembered only: a page goes full screen at the player's gesture alone
    bool focused = true;
    bool cursorHidden = false;
    // The keys held, and the presses that no read has shown yet. The events of a whole animation frame
    // arrive at once, so a key may go down, up and down again before the next read: each read shows at
    // most one press, with a read showing the key up between two, so that no tap is lost nor merged.
    uint8_t keys[256] = {};
    uint8_t presses[256] = {};
    uint8_t shownDown[256] = {};
    // A button that went down since the last read shows as down in that read, even when it was already
    // released again.
    uint8_t buttons[4] = {};
    uint8_t buttonLatch[4] = {};
    int32_t wheel = 0;
    PlatformEvent queue[16] = {};
    int queueHead = 0, queueCount = 0;
    // Frames: the size the canvas holds, and whether the next one must be drawn although unchanged.
    int frameW = 0, frameH = 0;
    bool videoUp = false;
    bool dirty = true;
    double shown = 0;  // frames the game presented (the first one draws the canvas)
};
WebWindow W;

struct WebLoop {
    PlatformLoop loop = {};
    uint32_t clock = 0;    // what PlatformTicksMs reads; never ahead of the browser's clock
    bool inFrame = false;  // an animation frame is running passes: the clock is the pass's due time
};
WebLoop L;

// Milliseconds since the page started, from the browser's clock.
uint32_t RealMs() { return uint32_t(uint64_t(emscripten_get_now())); }

void Push(int type, int code) {
    constexpr int size = sizeof W.queue / sizeof *W.queue;
    if (W.queueCount == size) return;
    W.queue[(W.queueHead + W.queueCount) % size] = {type, code};
    ++W.queueCount;
}

// A key went down: one more press for the reads to show (a few at most).
void Press(uint8_t k) {
    if (W.presses[k] < 4) ++W.presses[k];
}

void ReleaseAll() {
    memset(W.keys, 0, sizeof W.keys);
    memset(W.presses, 0, sizeof W.presses);
    memset(W.buttons, 0, sizeof W.buttons);
    memset(W.buttonLatch, 0, sizeof W.buttonLatch);
}

void ApplyMouseMode() {
    zarvo_web_pointer_wanted(W.window && W.cursorHidden && W.focused ? 1 : 0);
    SDL_ShowCursor(W.cursorHidden ? SDL_DISABLE : SDL_ENABLE);
}

void HandleSdlEvent(const SDL_Event& e) {
    switch (e.type) {
    case SDL_QUIT: Push(PE_QUIT, 0); break;
    case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
            W.focused = false;
            ReleaseAll();
            ApplyMouseMode();
            Push(PE_ACTIVATE, 0);
        } else if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
            W.focused = true;
            ApplyMouseMode();
            Push(PE_ACTIVATE, 1);
        } else if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SHOWN) {
            W.dirty = true;
        }
        break;
    case SDL_KEYDOWN:
        if (const uint8_t k = SdlScancodeToDik(e.key.keysym.scancode)) {
            if (!e.key.repeat) Press(k);
            W.keys[k] = 0x80;
        }
        break;
    case SDL_KEYUP:
        if (const uint8_t k = SdlScancodeToDik(e.key.keysym.scancode)) W.keys[k] = 0;
        break;
    case SDL_MOUSEWHEEL: W.wheel += e.wheel.y * 120; break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        const int b = e.button.button == SDL_BUTTON_LEFT     ? 0
                      : e.button.button == SDL_BUTTON_RIGHT  ? 1
                      : e.button.button == SDL_BUTTON_MIDDLE ? 2
                                                             : -1;
        if (b >= 0) {
            W.buttons[b] = e.type == SDL_MOUSEBUTTONDOWN ? 0x80 : 0;
            W.buttonLatch[b] |= W.buttons[b];
        }
        break;
    }
    default: break;  // motion comes from the page while the pointer is locked
    }
}

void Pump() {
    SDL_Event e;
    while (SDL_PollEvent(&e)) HandleSdlEvent(e);
    // Escape that the browser kept to end the pointer lock reaches the game as the key it is.
    if (zarvo_web_take_escape()) Press(DIK_ESCAPE);
}

// Swaps red and blue: the frame is 0x00RRGGBB, the canvas's surface holds red in its lowest byte.
inline uint32_t ToCanvas(uint32_t p) { return (p & 0x00FF00u) | (p >> 16 & 0xFFu) | (p & 0xFFu) << 16; }

void EndLoop() {
    emscripten_cancel_main_loop();
    const int status = L.loop.finish();
    zarvo_web_ended(status);
}

// One animation frame: every pass due by the browser's clock now, each at its own due time.
void AnimationFrame() {
    const uint32_t now = RealMs();
    if (int32_t(now - L.clock) > int32_t(kMaxCatchUpMs)) L.clock = now - kMaxCatchUpMs;
    L.inFrame = true;
    for (int passes = 0; passes < kMaxPassesPerFrame; ++passes) {
        const int pass = L.loop.pass();
        if (pass == PASS_ENDED) {
            L.inFrame = false;
            EndLoop();
            return;
        }
        if (pass == PASS_WORKED) continue;
        const uint32_t due = L.loop.nextDue();
        // Later work belongs to a later animation frame; work due at the clock's reading already ran.
        if (int32_t(due - now) > 0 || int32_t(due - L.clock) <= 0) break;
        PlatformWaitUntil(due);
    }
    L.inFrame = false;
}

}  // namespace

// ---- clock ----------------------------------------------------------------------------------------------

uint32_t PlatformTicksMs() {
    if (!L.inFrame) {
        const uint32_t now = RealMs();
        if (int32_t(now - L.clock) > 0) L.clock = now;
    }
    return L.clock;
}

// The page cannot sleep: a wait for an instant still ahead of the browser's clock is spent spinning (only a
// recording played back asks for one). The clock then moves to the instant.
void PlatformDelayMs(uint32_t ms) { PlatformWaitUntil(PlatformTicksMs() + ms); }

void PlatformWaitUntil(uint32_t ms) {
    while (int32_t(ms - RealMs()) > 0) {}
    if (int32_t(ms - L.clock) > 0) L.clock = ms;
}

// ---- the main loop --------------------------------------------------------------------------------------

// Never returns to the caller: the browser calls AnimationFrame from now on, and the program's stack
// stays as it is.
int PlatformRunLoop(const PlatformLoop& loop) {
    L.loop = loop;
    PlatformTicksMs();
    emscripten_set_main_loop(AnimationFrame, 0, 1);
    return 0;
}

// ---- window and events ------------------------------------------------------------------------------------

bool PlatformOpenWindow(const char* title, char* err, size_t errSize) {
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        CopyBounded(err, errSize, SDL_GetError());
        return false;
    }
    // The canvas's element takes the frame's size; the page's style sizes it on the screen.
    W.window = SDL_CreateWindow(title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 640, 480, 0);
    if (!W.window) {
        CopyBounded(err, errSize, SDL_GetError());
        SDL_Quit();
        return false;
    }
    // Keys are keys, not text: the page then keeps the browser's own uses of them (quick find, scrolling)
    // out of the game.
    SDL_StopTextInput();
    zarvo_web_input_start();
    W.focused = true;
    return true;
}

void PlatformCloseWindow() {
    PlatformVideoShutdown();
    zarvo_web_pointer_wanted(0);
    if (W.window) SDL_DestroyWindow(W.window);
    W.window = nullptr;
    SDL_Quit();
}

void PlatformSetFullscreen(bool on) { W.fullscreen = on; }
bool PlatformFullscreen() { return W.fullscreen; }

// The screen the page is shown on; the page's animation frames run at its refresh rate, which browsers
// do not tell: 60 a second is what nearly every one gives.
bool PlatformDisplayMode(int* w, int* h, int* hz) {
    SDL_DisplayMode mode;
    if (!W.window || SDL_GetDesktopDisplayMode(0, &mode) != 0 || mode.w <= 0 || mode.h <= 0) return false;
    *w = mode.w;
    *h = mode.h;
    *hz = mode.refresh_rate > 0 ? mode.refresh_rate : 60;
    return true;
}

bool PlatformWindowSize(int* w, int* h) {
    if (!W.window) return false;
    SDL_GetWindowSize(W.window, w, h);
    return *w > 0 && *h > 0;
}

bool PlatformPollEvent(PlatformEvent* ev) {
    constexpr int size = sizeof W.queue / sizeof *W.queue;
    if (W.queueCount == 0) Pump();
    if (W.queueCount == 0) return false;
    *ev = W.queue[W.queueHead];
    W.queueHead = (W.queueHead + 1) % size;
    --W.queueCount;
    return true;
}

void PlatformShowCursor(bool show) {
    W.cursorHidden = !show;
    if (W.window) ApplyMouseMode();
}

// ---- frames ---------------------------------------------------------------------------------------------

bool PlatformVideoInit(int w, int h) {
    if (!W.window || w <= 0 || h <= 0) return false;
    SDL_SetWindowSize(W.window, w, h);
    W.frameW = w;
    W.frameH = h;
    W.videoUp = true;
    W.dirty = true;
    return true;
}

void PlatformVideoShutdown() { W.videoUp = false; }

// The page has one thread: nothing reads the image between frames.
void PlatformPresentBegin() {}

void PlatformPresent(const uint32_t* rgb, int w, int h, const uint64_t* damage) {
    if (!W.videoUp || w != W.frameW || h != W.frameH) return;
    zarvo_web_frame_shown(++W.shown);
    bool changed = !damage || W.dirty;
    for (int y = 0; damage && !changed && y < h; ++y) changed = damage[y] != 0;
    if (!changed) return;  // the canvas shows it already
    SDL_Surface* s = SDL_GetWindowSurface(W.window);
    if (!s || s->w != w || s->h != h || s->format->BytesPerPixel != 4) return;
    // Only the columns that changed are converted, unless the canvas needs the whole frame.
    const bool whole = !damage || W.dirty;
    W.dirty = false;
    const int chunk = PresentChunkWidth(w);
    for (int y = 0; y < h; ++y) {
        const uint32_t* in = rgb + size_t(y) * size_t(w);
        uint32_t* out = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + size_t(y) * size_t(s->pitch));
        ForEachDamageRun(whole ? ~0ull : damage[y], chunk, w, [&](int x, int n) {
            for (int i = x; i < x + n; ++i) out[i] = ToCanvas(in[i]);
        });
    }
    SDL_UpdateWindowSurface(W.window);
}

// ---- input ------------------------------------------------------------------------------------------------

bool PlatformInputInit() {
    ReleaseAll();
    W.wheel = 0;
    int dx, dy;
    zarvo_web_take_motion(&dx, &dy);
    return W.window != nullptr;
}

void PlatformInputShutdown() {}

void PlatformReadKeyboard(uint8_t keys[256]) {
    Pump();
    for (int i = 0; i < 256; ++i) {
        bool down = W.keys[i] != 0;
        if (W.presses[i]) {
            down = !W.shownDown[i];  // a key shown down is shown up once before its next press
            if (down) --W.presses[i];
        }
        W.shownDown[i] = down;
        keys[i] = down ? 0x80 : 0;
    }
}

void PlatformReadMouse(int32_t* dx, int32_t* dy, int32_t* dz, uint8_t buttons[4]) {
    int mx = 0, my = 0;
    zarvo_web_take_motion(&mx, &my);
    const bool grabbed = W.focused && W.cursorHidden;
    *dx = grabbed ? mx : 0;
    *dy = grabbed ? my : 0;
    *dz = W.wheel;
    W.wheel = 0;
    for (int i = 0; i < 4; ++i) buttons[i] = W.buttons[i] | W.buttonLatch[i];
    memset(W.buttonLatch, 0, sizeof W.buttonLatch);
}

// Pads are not read in the page.
bool PlatformJoystickOpen(int, int) { return false; }
bool PlatformJoystickPresent() { return false; }
bool PlatformReadJoystick(int32_t*, int32_t*, int32_t*, uint8_t*) { return false; }
void PlatformJoystickClose() {}
