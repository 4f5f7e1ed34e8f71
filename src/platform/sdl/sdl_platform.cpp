// The real backend: one SDL window, a streaming texture scaled with letterboxing, keyboard and
// relative mouse from SDL events, the first joystick, and the millisecond clock.
#include <SDL.h>

#include <cstdio>
#include <cstring>

#include "platform/dik.h"
#include "platform/platform.h"

namespace {

SDL_Window* Window;
SDL_Renderer* Renderer;
SDL_Texture* Texture;
int TexW, TexH;
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

SDL_Joystick* Joystick;
int JoyRange = 100, JoyDeadPercent = 20;

constexpr int kQueueSize = 16;
PlatformEvent Queue[kQueueSize];
int QueueHead, QueueCount;

void Push(int type, int code) {
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

void ToggleFullscreen() {
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
        SDL_SetWindowSize(Window, TexW > 0 ? TexW : 640, TexH > 0 ? TexH : 480);
        SDL_SetWindowPosition(Window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
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
    default: break;
    }
}

void Pump() {
    SDL_Event e;
    while (SDL_PollEvent(&e)) HandleSdlEvent(e);
}

}  // namespace

uint32_t PlatformTicksMs() { return SDL_GetTicks(); }

void PlatformDelayMs(uint32_t ms) { SDL_Delay(ms); }

bool PlatformOpenWindow(const char* title, char* err, size_t errSize) {
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
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
    Window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, dw, dh,
                              SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_ALLOW_HIGHDPI);
    if (!Window) {
        snprintf(err, errSize, "%s", SDL_GetError());
        SDL_Quit();
        return false;
    }
    Fullscreen = true;
    return true;
}

void PlatformCloseWindow() {
    PlatformVideoShutdown();
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

bool PlatformVideoInit(int w, int h) {
    if (!Window) return false;
    if (!Renderer) {
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
        // No vertical sync: a present must never wait for the display, or the loop (which does not
        // catch up late ticks) would lose ticks to it.
        SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
        Renderer = SDL_CreateRenderer(Window, -1, SDL_RENDERER_ACCELERATED);
        if (!Renderer) Renderer = SDL_CreateRenderer(Window, -1, SDL_RENDERER_SOFTWARE);
        if (!Renderer) return false;
    }
    if (Texture) SDL_DestroyTexture(Texture);
    Texture = SDL_CreateTexture(Renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, w, h);
    if (!Texture) return false;
    SDL_SetTextureScaleMode(Texture, SDL_ScaleModeNearest);
    TexW = w;
    TexH = h;
    return true;
}

void PlatformVideoShutdown() {
    if (Texture) SDL_DestroyTexture(Texture);
    Texture = nullptr;
    if (Renderer) SDL_DestroyRenderer(Renderer);
    Renderer = nullptr;
}

void PlatformPresent(const uint32_t* rgb, int w, int h) {
    if (!Renderer || !Texture || w != TexW || h != TexH) return;
    SDL_UpdateTexture(Texture, nullptr, rgb, w * 4);
    // Scale on the output size in pixels, keeping the aspect ratio; the bars are cleared every frame.
    int ow = 0, oh = 0;
    SDL_GetRendererOutputSize(Renderer, &ow, &oh);
    SDL_Rect dst = {0, 0, ow, oh};
    if (ow > 0 && oh > 0) {
        if (int64_t(ow) * h > int64_t(oh) * w) {
            dst.w = int(int64_t(oh) * w / h);
            dst.x = (ow - dst.w) / 2;
        } else {
            dst.h = int(int64_t(ow) * h / w);
            dst.y = (oh - dst.h) / 2;
        }
    }
    SDL_SetRenderDrawColor(Renderer, 0, 0, 0, 255);
    SDL_RenderClear(Renderer);
    SDL_RenderCopy(Renderer, Texture, nullptr, &dst);
    SDL_RenderPresent(Renderer);
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

bool PlatformJoystickOpen(int range, int deadZonePercent) {
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return false;
    if (SDL_NumJoysticks() < 1) return false;
    Joystick = SDL_JoystickOpen(0);
    JoyRange = range;
    JoyDeadPercent = deadZonePercent;
    return Joystick != nullptr;
}

static int32_t ScaleAxis(int16_t v) {
    int32_t dead = 32767 * JoyDeadPercent / 100;
    int32_t a = v < 0 ? -int32_t(v) : v;
    if (a <= dead) return 0;
    int32_t scaled = int32_t(int64_t(a - dead) * JoyRange / (32768 - dead));
    if (scaled > JoyRange) scaled = JoyRange;
    return v < 0 ? -scaled : scaled;
}

bool PlatformReadJoystick(int32_t* x, int32_t* y, uint8_t buttons[32]) {
    if (!Joystick) return false;
    SDL_JoystickUpdate();
    *x = ScaleAxis(SDL_JoystickGetAxis(Joystick, 0));
    *y = ScaleAxis(SDL_JoystickGetAxis(Joystick, 1));
    int n = SDL_JoystickNumButtons(Joystick);
    for (int i = 0; i < 32; ++i) buttons[i] = (i < n && SDL_JoystickGetButton(Joystick, i)) ? 0x80 : 0;
    return true;
}

void PlatformJoystickClose() {
    if (Joystick) SDL_JoystickClose(Joystick);
    Joystick = nullptr;
}
