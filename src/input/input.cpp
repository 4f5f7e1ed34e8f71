// Input devices over the platform: snapshots once per tick, edges, and the pointer.
#include "input/input.h"

#include <cstring>

#include "app/settings.h"
#include "demo/demo.h"
#include "platform/platform.h"

uint8_t KeyState[256], PrevKeyState[256], KeyMap[256];
MouseRecord MouseState, PrevMouseState;
uint8_t MouseButtonMap[32];
JoystickRecord JoyState, PrevJoyState;
int32_t PointerX, PointerY;
int32_t MouseSensitivity = 2, JoyAxisRange = 100, JoyDeadZone = 2000;
bool InputInitialised, InputActive, JoystickPresent;

static_assert(sizeof(JoystickRecord) == 80, "standard joystick record");

int InputInit() {
    InputShutdown();
    memset(&JoyState, 0, sizeof JoyState);
    memset(&MouseState, 0, sizeof MouseState);
    memset(KeyState, 0, sizeof KeyState);
    for (int i = 0; i < 256; ++i) KeyMap[i] = uint8_t(i);
    for (int i = 0; i < 32; ++i) MouseButtonMap[i] = uint8_t(i);
    JoyAxisRange = 100;
    JoyDeadZone = 2000;
    MouseSensitivity = 2;
    if (!PlatformInputInit()) return 0;
    // The dead zone is read on the 0..10000 scale of the whole axis: 2000 is a fifth of the throw.
    // A recording that plays back brings its own joystick, or none.
    JoystickPresent = DemoPlaying() ? DemoPlaybackJoystickPresent()
                                    : PlatformJoystickOpen(JoyAxisRange, JoyDeadZone / 100);
    InputInitialised = true;
    InputActive = true;
    return 1;
}

void InputShutdown() {
    if (JoystickPresent) PlatformJoystickClose();
    if (InputInitialised) PlatformInputShutdown();
    JoystickPresent = false;
    memset(&JoyState, 0, sizeof JoyState);
    memset(&MouseState, 0, sizeof MouseState);
    memset(KeyState, 0, sizeof KeyState);
    InputInitialised = false;
    InputActive = false;
}

void InputRead() {
    // While a recording plays, the snapshots come from it instead of the devices; while one is made,
    // every snapshot read is written to it.
    const bool replay = DemoPlaying();
    memcpy(PrevKeyState, KeyState, sizeof KeyState);
    if (replay)
        DemoPlaybackKeyboard(KeyState);
    else
        PlatformReadKeyboard(KeyState);
    PrevMouseState = MouseState;
    if (replay)
        DemoPlaybackMouse(&MouseState.lX, &MouseState.lY, &MouseState.lZ, MouseState.rgbButtons);
    else
        PlatformReadMouse(&MouseState.lX, &MouseState.lY, &MouseState.lZ, MouseState.rgbButtons);
    bool joystickRead = false;
    int32_t x = 0, y = 0;
    uint8_t buttons[32] = {};
    if (JoystickPresent) {
        joystickRead = replay ? DemoPlaybackJoystick(&x, &y, buttons) : PlatformReadJoystick(&x, &y, buttons);
        if (joystickRead) {
            PrevJoyState = JoyState;
            memset(&JoyState, 0, sizeof JoyState);
            JoyState.lX = x;
            JoyState.lY = y;
            memcpy(JoyState.rgbButtons, buttons, sizeof buttons);
        } else if (DemoRecording()) {
            DemoRecordJoystickFailed();
        }
    }
    if (DemoRecording()) DemoRecordInput(KeyState, MouseState, joystickRead, x, y, buttons);
}

static int32_t Clamp(int64_t v, int32_t hi) { return v < 0 ? 0 : v > hi ? hi : int32_t(v); }

void UpdatePointer() {
    PointerX = Clamp(int64_t(PointerX) + int64_t(MouseSensitivity) * MouseState.lX, SCREENX);
    PointerY = Clamp(int64_t(PointerY) + int64_t(MouseSensitivity) * MouseState.lY, SCREENY);
}

void InputReacquire() {
    if (!InputInitialised) return;
    InputActive = true;
}

void InputReleaseAll() {
    memset(KeyState, 0, sizeof KeyState);
    memset(PrevKeyState, 0, sizeof PrevKeyState);
    memset(&MouseState, 0, sizeof MouseState);
    memset(&PrevMouseState, 0, sizeof PrevMouseState);
    memset(&JoyState, 0, sizeof JoyState);
    memset(&PrevJoyState, 0, sizeof PrevJoyState);
}

bool KeyHeld(int code) { return KeyState[KeyMap[code & 0xFF]] >= 128; }
bool KeyPressed(int code) {
    uint8_t k = KeyMap[code & 0xFF];
    return KeyState[k] >= 128 && PrevKeyState[k] < 128;
}
bool MouseButtonHeld(int button) { return MouseState.rgbButtons[MouseButtonMap[button & 31] & 3] != 0; }
bool MouseButtonPressed(int button) {
    int b = MouseButtonMap[button & 31] & 3;
    return MouseState.rgbButtons[b] != 0 && PrevMouseState.rgbButtons[b] == 0;
}
