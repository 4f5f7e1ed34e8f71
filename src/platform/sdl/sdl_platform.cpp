// The real backend: one SDL window (frames reach it through the presenter, sdl_present.cpp), keyboard
// and relative mouse from SDL events (the pad's hot-plug events go to sdl_pad.cpp), and the millisecond
// clock.
#include <SDL.h>
#include <time.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

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

uint8_t ScancodeToDik(SDL_Scancode sc) {
    switch (sc) {
    case SDL_SCANCODE_ESCAPE: return DIK_ESCAPE;
    case SDL_SCANCODE_1: return DIK_1;
    case SDL_SCANCODE_2: return DIK_2;
    case SDL_SCANCODE_3: return DIK_3;
    case SDL_SCANCODE_4: return DIK_4;
    case SDL_SCANCODE_5: return DIK_5;
    case SDL_SCANCODE_6: return DIK_6;
    case SDL_SCANCODE_7: return DIK_7;
    case SDL_SCANCODE_8: return DIK_8;
    case SDL_SCANCODE_9: return DIK_9;
    case SDL_SCANCODE_0: return DIK_0;
    case SDL_SCANCODE_MINUS: return DIK_MINUS;
    case SDL_SCANCODE_EQUALS: return DIK_EQUALS;
    case SDL_SCANCODE_BACKSPACE: return DIK_BACK;
    case SDL_SCANCODE_TAB: return DIK_TAB;
    case SDL_SCANCODE_Q: return DIK_Q;
    case SDL_SCANCODE_W: return DIK_W;
    case SDL_SCANCODE_E: return DIK_E;
    case SDL_SCANCODE_R: return DIK_R;
    case SDL_SCANCODE_T: return DIK_T;
    case SDL_SCANCODE_Y: return DIK_Y;
    case SDL_SCANCODE_U: return DIK_U;
    case SDL_SCANCODE_I: return DIK_I;
    case SDL_SCANCODE_O: return DIK_O;
    case SDL_SCANCODE_P: return DIK_P;
    case SDL_SCANCODE_LEFTBRACKET: return DIK_LBRACKET;
    case SDL_SCANCODE_RIGHTBRACKET: return DIK_RBRACKET;
    case SDL_SCANCODE_RETURN: return DIK_RETURN;
    case SDL_SCANCODE_LCTRL: return DIK_LCONTROL;
    case SDL_SCANCODE_A: return DIK_A;
    case SDL_SCANCODE_S: return DIK_S;
    case SDL_SCANCODE_D: return DIK_D;
    case SDL_SCANCODE_F: return DIK_F;
    case SDL_SCANCODE_G: return DIK_G;
    case SDL_SCANCODE_H: return DIK_H;
    case SDL_SCANCODE_J: return DIK_J;
    case SDL_SCANCODE_K: return DIK_K;
    case SDL_SCANCODE_L: return DIK_L;
    case SDL_SCANCODE_SEMICOLON: return DIK_SEMICOLON;
    case SDL_SCANCODE_APOSTROPHE: return DIK_APOSTROPHE;
    case SDL_SCANCODE_GRAVE: return DIK_GRAVE;
    case SDL_SCANCODE_LSHIFT: return DIK_LSHIFT;
    case SDL_SCANCODE_BACKSLASH: return DIK_BACKSLASH;
    case SDL_SCANCODE_NONUSHASH: return DIK_BACKSLASH;
    case SDL_SCANCODE_Z: return DIK_Z;
    case SDL_SCANCODE_X: return DIK_X;
    case SDL_SCANCODE_C: return DIK_C;
    case SDL_SCANCODE_V: return DIK_V;
    case SDL_SCANCODE_B: return DIK_B;
    case SDL_SCANCODE_N: return DIK_N;
    case SDL_SCANCODE_M: return DIK_M;
    case SDL_SCANCODE_COMMA: return DIK_COMMA;
    case SDL_SCANCODE_PERIOD: return DIK_PERIOD;
    case SDL_SCANCODE_SLASH: return DIK_SLASH;
    case SDL_SCANCODE_RSHIFT: return DIK_RSHIFT;
    case SDL_SCANCODE_KP_MULTIPLY: return DIK_MULTIPLY;
    case SDL_SCANCODE_LALT: return DIK_LMENU;
    case SDL_SCANCODE_SPACE: return DIK_SPACE;
    case SDL_SCANCODE_CAPSLOCK: return DIK_CAPITAL;
    case SDL_SCANCODE_F1: return DIK_F1;
    case SDL_SCANCODE_F2: return DIK_F2;
    case SDL_SCANCODE_F3: return DIK_F3;
    case SDL_SCANCODE_F4: return DIK_F4;
    case SDL_SCANCODE_F5: return DIK_F5;
    case SDL_SCANCODE_F6: return DIK_F6;
    case SDL_SCANCODE_F7: return DIK_F7;
    case SDL_SCANCODE_F8: return DIK_F8;
    case SDL_SCANCODE_F9: return DIK_F9;
    case SDL_SCANCODE_F10: return DIK_F10;
    case SDL_SCANCODE_NUMLOCKCLEAR: return DIK_NUMLOCK;
    case SDL_SCANCODE_SCROLLLOCK: return DIK_SCROLL;
    case SDL_SCANCODE_KP_7: return DIK_NUMPAD7;
    case SDL_SCANCODE_KP_8: return DIK_NUMPAD8;
    case SDL_SCANCODE_KP_9: return DIK_NUMPAD9;
    case SDL_SCANCODE_KP_MINUS: return DIK_SUBTRACT;
    case SDL_SCANCODE_KP_4: return DIK_NUMPAD4;
    case SDL_SCANCODE_KP_5: return DIK_NUMPAD5;
    case SDL_SCANCODE_KP_6: return DIK_NUMPAD6;
    case SDL_SCANCODE_KP_PLUS: return DIK_ADD;
    case SDL_SCANCODE_KP_1: return DIK_NUMPAD1;
    case SDL_SCANCODE_KP_2: return DIK_NUMPAD2;
    case SDL_SCANCODE_KP_3: return DIK_NUMPAD3;
    case SDL_SCANCODE_KP_0: return DIK_NUMPAD0;
    case SDL_SCANCODE_KP_PERIOD: return DIK_DECIMAL;
    case SDL_SCANCODE_NONUSBACKSLASH: return DIK_OEM_102;
    case SDL_SCANCODE_F11: return DIK_F11;
    case SDL_SCANCODE_F12: return DIK_F12;
    case SDL_SCANCODE_KP_ENTER: return DIK_NUMPADENTER;
    case SDL_SCANCODE_RCTRL: return DIK_RCONTROL;
    case SDL_SCANCODE_KP_DIVIDE: return DIK_DIVIDE;
    case SDL_SCANCODE_PRINTSCREEN: return DIK_SYSRQ;
    case SDL_SCANCODE_RALT: return DIK_RMENU;
    case SDL_SCANCODE_PAUSE: return DIK_PAUSE;
    case SDL_SCANCODE_HOME: return DIK_HOME;
    case SDL_SCANCODE_UP: return DIK_UP;
    case SDL_SCANCODE_PAGEUP: return DIK_PRIOR;
    case SDL_SCANCODE_LEFT: return DIK_LEFT;
    case SDL_SCANCODE_RIGHT: return DIK_RIGHT;
    case SDL_SCANCODE_END: return DIK_END;
    case SDL_SCANCODE_DOWN: return DIK_DOWN;
    case SDL_SCANCODE_PAGEDOWN: return DIK_NEXT;
    case SDL_SCANCODE_INSERT: return DIK_INSERT;
    case SDL_SCANCODE_DELETE: return DIK_DELETE;
    case SDL_SCANCODE_LGUI: return DIK_LWIN;
    case SDL_SCANCODE_RGUI: return DIK_RWIN;
    case SDL_SCANCODE_APPLICATION: return DIK_APPS;
    default: return 0;
    }
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
        uint8_t k = ScancodeToDik(sc);
        if (k) Keys[k] = KeyLatch[k] = 0x80;
        break;
    }
    case SDL_KEYUP: {
        SDL_Scancode sc = e.key.keysym.scancode;
        if (sc == SDL_SCANCODE_RETURN || sc == SDL_SCANCODE_KP_ENTER) ReturnSuppressed = false;
        uint8_t k = ScancodeToDik(sc);
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
