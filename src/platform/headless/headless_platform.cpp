// The headless backend: no window or device; a virtual clock, scripted input and events, and the
// last presented frame kept for screenshots. Text still goes through SDL_ttf (no display needed).
#include <csignal>
#include <cstdio>
#include <cstring>

#include "platform/headless/headless.h"

namespace {

uint32_t Clock = 10000;
uint8_t Keys[256];
int32_t MouseDX, MouseDY, MouseDZ;
uint8_t Buttons[4];
bool PadPlugged, PadOpen;  // a pad is plugged in; the program watches for one
int32_t PadX, PadY, PadTurn;
uint8_t PadButtons[32];
bool WindowAvailable = true;
bool Focused = true;  // follows the activation events pushed; motion while unfocused is dropped
bool VideoUp;
// The display a test gives the backend (none by default: the runner has no display), and the window's
// drawing area, which follows the resizes pushed.
bool DisplayGiven;
int DisplayW, DisplayH, DisplayHz, WindowW, WindowH;
int FrameW, FrameH;
// The presented image is owned by the video device and stays valid until the next present.
const uint32_t* LastFrame;
const uint64_t* LastDamage;  // what the last present said changed (null: all of it)
uint64_t Presented;
volatile std::sig_atomic_t Signalled;

constexpr int kQueueSize = 32;
PlatformEvent Queue[kQueueSize];
int QueueHead, QueueCount;

void OnSignal(int) { Signalled = 1; }

}  // namespace

void HeadlessSetClock(uint32_t ms) { Clock = ms; }
void HeadlessAdvanceClock(uint32_t ms) { Clock += ms; }
void HeadlessSetKey(int code, bool down) { Keys[code & 0xFF] = down ? 0x80 : 0; }
void HeadlessReleaseAllKeys() { memset(Keys, 0, sizeof Keys); }
void HeadlessMouseMove(int32_t dx, int32_t dy) {
    if (!Focused) return;  // as the real backend, which only reads motion while it has the focus
    MouseDX += dx;
    MouseDY += dy;
}
void HeadlessMouseWheel(int32_t dz) {
    if (Focused) MouseDZ += dz;
}
void HeadlessMouseButton(int button, bool down) {
    if (button >= 0 && button < 4) Buttons[button] = down ? 0x80 : 0;
}
void HeadlessSetDisplay(int w, int h, int hz) {
    DisplayGiven = w > 0 && h > 0;
    DisplayW = WindowW = w;
    DisplayH = WindowH = h;
    DisplayHz = hz;
}
void HeadlessPushEvent(int type, int code) {
    if (type == PE_RESIZE) {
        WindowW = int(uint32_t(code) >> 16);
        WindowH = code & 0xFFFF;
    }
    if (type == PE_ACTIVATE) {
        Focused = code != 0;
        if (!Focused) MouseDX = MouseDY = MouseDZ = 0;
    }
    if (QueueCount == kQueueSize) return;
    Queue[(QueueHead + QueueCount) % kQueueSize] = {type, code};
    ++QueueCount;
}
void HeadlessSetPad(bool plugged) {
    PadPlugged = plugged;
    if (!plugged) {
        PadX = PadY = PadTurn = 0;
        memset(PadButtons, 0, sizeof PadButtons);
    }
}
void HeadlessPadStick(int32_t x, int32_t y, int32_t turn) { PadX = x, PadY = y, PadTurn = turn; }
void HeadlessPadButton(int button, bool down) {
    if (button >= 0 && button < 32) PadButtons[button] = down ? 0x80 : 0;
}
void HeadlessSetWindowAvailable(bool available) { WindowAvailable = available; }
const uint32_t* HeadlessLastFrame(int* w, int* h) {
    if (!LastFrame) return nullptr;
    *w = FrameW;
    *h = FrameH;
    return LastFrame;
}
uint64_t HeadlessPresentCount() { return Presented; }
const uint64_t* HeadlessLastDamage() { return LastDamage; }

uint32_t PlatformTicksMs() { return Clock; }

void PlatformDelayMs(uint32_t) {}
void PlatformWaitUntil(uint32_t) {}

bool PlatformOpenWindow(const char* title, char* err, size_t errSize) {
    (void)title;
    if (!WindowAvailable) {
        snprintf(err, errSize, "no display in this test");
        return false;
    }
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
    return true;
}

bool PlatformDisplayMode(int* w, int* h, int* hz) {
    if (!DisplayGiven) return false;
    *w = DisplayW, *h = DisplayH, *hz = DisplayHz;
    return true;
}

bool PlatformWindowSize(int* w, int* h) {
    if (!DisplayGiven) return false;
    *w = WindowW, *h = WindowH;
    return true;
}

static bool HeadlessFullscreen = true;
void PlatformSetFullscreen(bool on) { HeadlessFullscreen = on; }
bool PlatformFullscreen() { return HeadlessFullscreen; }

void PlatformCloseWindow() {
    VideoUp = false;
    LastFrame = nullptr;
}

bool PlatformPollEvent(PlatformEvent* ev) {
    if (Signalled) {
        Signalled = 0;
        HeadlessPushEvent(PE_QUIT, 0);
    }
    if (QueueCount == 0) return false;
    *ev = Queue[QueueHead];
    QueueHead = (QueueHead + 1) % kQueueSize;
    --QueueCount;
    return true;
}

void PlatformShowCursor(bool) {}

bool PlatformVideoInit(int w, int h) {
    VideoUp = true;
    FrameW = w;
    FrameH = h;
    return true;
}

void PlatformVideoShutdown() {
    VideoUp = false;
    LastFrame = nullptr;
}

void PlatformPresentBegin() {}

void PlatformPresent(const uint32_t* rgb, int w, int h, const uint64_t* damage) {
    if (!VideoUp) return;
    LastFrame = rgb;
    LastDamage = damage;
    FrameW = w;
    FrameH = h;
    ++Presented;
}

bool PlatformInputInit() { return true; }
void PlatformInputShutdown() {}
void PlatformReadKeyboard(uint8_t keys[256]) { memcpy(keys, Keys, 256); }
void PlatformReadMouse(int32_t* dx, int32_t* dy, int32_t* dz, uint8_t buttons[4]) {
    *dx = MouseDX;
    *dy = MouseDY;
    *dz = MouseDZ;
    MouseDX = MouseDY = MouseDZ = 0;
    memcpy(buttons, Buttons, 4);
}
bool PlatformJoystickOpen(int, int) {
    PadOpen = true;
    return PadPlugged;
}
bool PlatformJoystickPresent() { return PadOpen && PadPlugged; }
bool PlatformReadJoystick(int32_t* x, int32_t* y, int32_t* turn, uint8_t buttons[32]) {
    if (!PlatformJoystickPresent()) return false;
    *x = PadX;
    *y = PadY;
    *turn = PadTurn;
    memcpy(buttons, PadButtons, 32);
    return true;
}
void PlatformJoystickClose() { PadOpen = false; }
