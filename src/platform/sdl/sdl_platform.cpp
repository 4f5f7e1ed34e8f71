// The real backend: one SDL window (frames reach it through the presenter, sdl_present.cpp), keyboard
// and relative mouse from SDL events (the pad's hot-plug events go to sdl_pad.cpp), and the millisecond
// clock.
#include <SDL.h>
#include <time.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/common/sdl_keys.h"
#include "platform/dik.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_internal.h"

namespace {

SDL_Window* Window;
bool Fullscreen = true;
bool Focused = true;
bool CursorHidden;

uint8_t Keys[256];
// A key or button that went down since the last read shows as down in that read, even when it was
// already released again: a tap shorter than a tick is not lost.
uint8_t KeyLatch[256];
uint8_t ButtonLatch[4];
bool ReturnSuppressed;  // the Return of an Alt+Enter is not passed on
int32_t MouseDX, MouseDY, MouseDZ;
uint8_t Buttons[4];

constexpr int kQueueSize = 16;
PlatformEvent Queue[kQueueSize];
int QueueHead, QueueCount;

void Push(int type, int code) {
    // A resize replaces one still waiting: only the window's last size matters.
    if (type == PE_RESIZE && QueueCount > 0 && Queue[(QueueHead + QueueCount - 1) % kQueueSize].type == PE_RESIZE) {
        Queue[(QueueHead + QueueCount - 1) % kQueueSize].code = code;
        return;
    }
    if (QueueCount == kQueueSize) return;
    Queue[(QueueHead + QueueCount) % kQueueSize] = {type, code};
    ++QueueCount;
}

void ApplyMouseMode() {
    bool grab = CursorHidden && Focused;
    SDL_SetRelativeMouseMode(grab ? SDL_TRUE : SDL_FALSE);
    SDL_ShowCursor(CursorHidden ? SDL_DISABLE : SDL_ENABLE);
}

// The desktop's size: what a full-screen window covers.
void DesktopSize(int* w, int* h) {
    SDL_DisplayMode desktop;
    int display = Window ? SDL_GetWindowDisplayIndex(Window) : 0;
    *w = 640;
    *h = 480;
    if (SDL_GetDesktopDisplayMode(display < 0 ? 0 : display, &desktop) == 0 && desktop.w > 0 && desktop.h > 0) {
        *w = desktop.w;
        *h = desktop.h;
    }
}

void ToggleFullscreen();

}  // namespace

void SdlWindowFitFrame(int w, int h) {
    if (!Window || Fullscreen || w <= 0 || h <= 0) return;
    // A window the frames follow (SCREENSIZE=WINDOW) has their size already: it stays where the player put it.
    int cw = 0, ch = 0;
    if (PlatformWindowSize(&cw, &ch) && cw == w && ch == h) return;
    int dw, dh;
    DesktopSize(&dw, &dh);
    SDL_SetWindowSize(Window, w < dw ? w : dw, h < dh ? h : dh);
    SDL_SetWindowPosition(Window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

namespace {

void ToggleFullscreen() {
    SdlPresenterLockWindow();
    Fullscreen = !Fullscreen;
    if (Fullscreen) {
        // Where no window manager carries out the full-screen request (a bare X server), the window
        // keeps the size it has: give it the desktop's size and place first, so it covers the screen.
        int dw, dh;
        DesktopSize(&dw, &dh);
        SDL_SetWindowResizable(Window, SDL_FALSE);
        SDL_SetWindowPosition(Window, 0, 0);
        SDL_SetWindowSize(Window, dw, dh);
        SDL_SetWindowFullscreen(Window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    } else {
        SDL_SetWindowFullscreen(Window, 0);
        SDL_SetWindowResizable(Window, SDL_TRUE);
        int w = SdlPresenterFrameWidth(), h = SdlPresenterFrameHeight();
        SDL_SetWindowSize(Window, w > 0 ? w : 640, h > 0 ? h : 480);
        SDL_SetWindowPosition(Window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
    SdlPresenterUnlockWindow();
    SdlPresenterWindowChanged();
}

void HandleSdlEvent(const SDL_Event& e) {
    switch (e.type) {
    case SDL_QUIT: Push(PE_QUIT, 0); break;
    case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
            Focused = false;
            memset(Keys, 0, sizeof Keys);
            memset(KeyLatch, 0, sizeof KeyLatch);
            memset(Buttons, 0, sizeof Buttons);
            memset(ButtonLatch, 0, sizeof ButtonLatch);
            ApplyMouseMode();
            Push(PE_ACTIVATE, 0);
        } else if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
            Focused = true;
            ApplyMouseMode();
            Push(PE_ACTIVATE, 1);
        } else if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
            Push(PE_QUIT, 0);
        } else if (e.window.event == SDL_WINDOWEVENT_EXPOSED) {
            SdlPresenterWindowChanged();
        } else if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
            SdlPresenterWindowChanged();
            int w = 0, h = 0;
            if (PlatformWindowSize(&w, &h) && w > 0 && h > 0 && w <= 0x7FFF && h <= 0xFFFF)
                Push(PE_RESIZE, (w << 16) | h);
        }
        break;
    case SDL_KEYDOWN: {
        SDL_Scancode sc = e.key.keysym.scancode;
        if ((sc == SDL_SCANCODE_RETURN || sc == SDL_SCANCODE_KP_ENTER) && (e.key.keysym.mod & KMOD_ALT)) {
            if (!e.key.repeat) ToggleFullscreen();
            ReturnSuppressed = true;
            break;
        }
        if (sc == SDL_SCANCODE_F4 && (e.key.keysym.mod & KMOD_ALT)) {
            Push(PE_QUIT, 0);
            break;
        }
        uint8_t k = SdlScancodeToDik(sc);
        if (k) Keys[k] = KeyLatch[k] = 0x80;
        break;
    }
    case SDL_KEYUP: {
        SDL_Scancode sc = e.key.keysym.scancode;
        if (sc == SDL_SCANCODE_RETURN || sc == SDL_SCANCODE_KP_ENTER) ReturnSuppressed = false;
        uint8_t k = SdlScancodeToDik(sc);
        if (k) Keys[k] = 0;
        break;
    }
    case SDL_MOUSEMOTION:
        if (Focused && CursorHidden) {
            MouseDX += e.motion.xrel;
            MouseDY += e.motion.yrel;
        }
        break;
    case SDL_MOUSEWHEEL: MouseDZ += e.wheel.y * 120; break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        int b = e.button.button == SDL_BUTTON_LEFT     ? 0
                : e.button.button == SDL_BUTTON_RIGHT  ? 1
                : e.button.button == SDL_BUTTON_MIDDLE ? 2
                : e.button.button == SDL_BUTTON_X1     ? 3
                                                       : -1;
        if (b >= 0) {
            Buttons[b] = e.type == SDL_MOUSEBUTTONDOWN ? 0x80 : 0;
            ButtonLatch[b] |= Buttons[b];
        }
        break;
    }
    case SDL_JOYDEVICEADDED:
    case SDL_JOYDEVICEREMOVED:
    case SDL_CONTROLLERDEVICEADDED:
    case SDL_CONTROLLERDEVICEREMOVED: SdlPadEvent(e); break;
    default: break;
    }
}

void Pump() {
    SDL_Event e;
    while (SDL_PollEvent(&e)) HandleSdlEvent(e);
}

// The millisecond clock: whole milliseconds of the monotonic clock since the first reading, so that the
// instant a given millisecond begins is known exactly and the loop can sleep until it.
timespec ClockBase() {
    static timespec base = [] {
        timespec t;
        clock_gettime(CLOCK_MONOTONIC, &t);
        return t;
    }();
    return base;
}

}  // namespace

SDL_Window* SdlWindow() { return Window; }

uint32_t PlatformTicksMs() {
    timespec base = ClockBase(), now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    int64_t ns = int64_t(now.tv_sec - base.tv_sec) * 1000000000 + (now.tv_nsec - base.tv_nsec);
    return uint32_t(uint64_t(ns / 1000000));
}

void PlatformDelayMs(uint32_t ms) { SDL_Delay(ms); }

void PlatformWaitUntil(uint32_t ms) {
    uint32_t now = PlatformTicksMs();
    int32_t ahead = int32_t(ms - now);
    if (ahead <= 0) return;
    // An absolute sleep to the instant the millisecond begins: at most the kernel's timer slack late.
    timespec base = ClockBase();
    int64_t target = int64_t(base.tv_sec) * 1000000000 + base.tv_nsec + (int64_t(now) + ahead) * 1000000;
    timespec t = {time_t(target / 1000000000), long(target % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr) == EINTR) {}
}

bool PlatformOpenWindow(const char* title, char* err, size_t errSize) {
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // Frames are scaled by the presenter and copied to the window system's own framebuffer (shared
    // memory on X11): no GPU texture in between, which a software GL would have to emulate.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        snprintf(err, errSize, "%s", SDL_GetError());
        return false;
    }
    // SDL falls back on drivers that show nothing; unless one was asked for, that is no display.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* requested = SDL_getenv("SDL_VIDEODRIVER");
    if (driver && (!strcmp(driver, "offscreen") || !strcmp(driver, "dummy")) && !(requested && *requested)) {
        snprintf(err, errSize, "no display available (SDL chose its \"%s\" video driver; is DISPLAY set?)", driver);
        SDL_Quit();
        return false;
    }
    // Created at the desktop's size, so that the window covers the display even where no window
    // manager carries out the full-screen request.
    int dw, dh;
    DesktopSize(&dw, &dh);
    // An OpenGL window where the machine has OpenGL, so that the renderer the frames may go through
    // (sdl_present.cpp) does not have to make the window anew.
    const Uint32 flags = SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_ALLOW_HIGHDPI;
    Window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, dw, dh, flags | SDL_WINDOW_OPENGL);
    if (!Window) Window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, dw, dh, flags);
    if (!Window) {
        snprintf(err, errSize, "%s", SDL_GetError());
        SDL_Quit();
        return false;
    }
    SdlSetWindowIcon(Window);
    Fullscreen = true;
    return true;
}

bool PlatformDisplayMode(int* w, int* h, int* hz) {
    SDL_DisplayMode mode;
    const int display = Window ? SDL_GetWindowDisplayIndex(Window) : 0;
    if (SDL_GetDesktopDisplayMode(display < 0 ? 0 : display, &mode) != 0 || mode.w <= 0 || mode.h <= 0) return false;
    *w = mode.w, *h = mode.h, *hz = mode.refresh_rate;
    return true;
}

bool PlatformWindowSize(int* w, int* h) {
    if (!Window) return false;
    SDL_GetWindowSizeInPixels(Window, w, h);
    return *w > 0 && *h > 0;
}

void PlatformSetFullscreen(bool on) {
    if (Window && on != Fullscreen) ToggleFullscreen();
}

bool PlatformFullscreen() { return Fullscreen; }

void PlatformCloseWindow() {
    SdlPresenterCloseRenderer();
    if (Window) SDL_DestroyWindow(Window);
    Window = nullptr;
    SDL_Quit();
}

bool PlatformPollEvent(PlatformEvent* ev) {
    if (QueueCount == 0) Pump();
    if (QueueCount == 0) return false;
    *ev = Queue[QueueHead];
    QueueHead = (QueueHead + 1) % kQueueSize;
    --QueueCount;
    return true;
}

void PlatformShowCursor(bool show) {
    CursorHidden = !show;
    if (Window) ApplyMouseMode();
}

bool PlatformInputInit() {
    memset(Keys, 0, sizeof Keys);
    MouseDX = MouseDY = MouseDZ = 0;
    memset(Buttons, 0, sizeof Buttons);
    return Window != nullptr;
}

void PlatformInputShutdown() {}

void PlatformReadKeyboard(uint8_t keys[256]) {
    Pump();
    for (int i = 0; i < 256; ++i) keys[i] = Keys[i] | KeyLatch[i];
    memset(KeyLatch, 0, sizeof KeyLatch);
    if (ReturnSuppressed) keys[DIK_RETURN] = keys[DIK_NUMPADENTER] = 0;
}

void PlatformReadMouse(int32_t* dx, int32_t* dy, int32_t* dz, uint8_t buttons[4]) {
    *dx = MouseDX;
    *dy = MouseDY;
    *dz = MouseDZ;
    MouseDX = MouseDY = MouseDZ = 0;
    for (int i = 0; i < 4; ++i) buttons[i] = Buttons[i] | ButtonLatch[i];
    memset(ButtonLatch, 0, sizeof ButtonLatch);
}
