// Input devices over the platform: snapshots once per tick, edges, and the pointer.
#include "input/input.h"

#include <cstring>

#include "core/settings.h"
#include "platform/platform.h"

InputRecord Input;

void InputSetSource(const InputSource* source) { Input.Source = source; }
void InputSetTap(void (*tap)(int joystick)) { Input.Tap = tap; }

static_assert(sizeof(JoystickRecord) == 80, "standard joystick record");

int InputInit() {
    InputShutdown();
    memset(&Input.JoyState, 0, sizeof Input.JoyState);
    memset(&Input.MouseState, 0, sizeof Input.MouseState);
    memset(Input.KeyState, 0, sizeof Input.KeyState);
    for (int i = 0; i < 256; ++i) Input.KeyMap[i] = uint8_t(i);
    for (int i = 0; i < 32; ++i) Input.MouseButtonMap[i] = uint8_t(i);
    Input.JoyAxisRange = 100;
    Input.JoyDeadZone = 2000;
    Input.MouseSensitivity = 2;
    if (!PlatformInputInit()) return 0;
    // The dead zone is read on the 0..10000 scale of the whole axis: 2000 is a fifth of the throw.
    // A recording that plays back brings its own joystick, or none.
    Input.PadWatched = !Input.Source;
    Input.JoystickPresent = Input.Source ? Input.Source->joystickPresent()
                                         : PlatformJoystickOpen(Input.JoyAxisRange, Input.JoyDeadZone / 100);
    Input.InputInitialised = true;
    Input.InputActive = true;
    return 1;
}

void InputShutdown() {
    if (Input.PadWatched) PlatformJoystickClose();
    Input.PadWatched = false;
    if (Input.InputInitialised) PlatformInputShutdown();
    Input.JoystickPresent = false;
    memset(&Input.JoyState, 0, sizeof Input.JoyState);
    memset(&Input.PrevJoyState, 0, sizeof Input.PrevJoyState);
    memset(&Input.MouseState, 0, sizeof Input.MouseState);
    memset(Input.KeyState, 0, sizeof Input.KeyState);
    Input.InputInitialised = false;
    Input.InputActive = false;
}

void InputRead() {
    memcpy(Input.PrevKeyState, Input.KeyState, sizeof Input.KeyState);
    if (Input.Source)
        Input.Source->keyboard(Input.KeyState);
    else
        PlatformReadKeyboard(Input.KeyState);
    Input.PrevMouseState = Input.MouseState;
    MouseRecord& m = Input.MouseState;
    if (Input.Source)
        Input.Source->mouse(&m.lX, &m.lY, &m.lZ, m.rgbButtons);
    else
        PlatformReadMouse(&m.lX, &m.lY, &m.lZ, m.rgbButtons);
    // Pads are plugged in and pulled out while the game runs: one that went leaves nothing held.
    bool present = Input.Source ? Input.Source->joystickPresent() : Input.PadWatched && PlatformJoystickPresent();
    if (present != Input.JoystickPresent) {
        Input.JoystickPresent = present;
        memset(&Input.JoyState, 0, sizeof Input.JoyState);
        memset(&Input.PrevJoyState, 0, sizeof Input.PrevJoyState);
    }
    int joystick = 0;
    if (Input.JoystickPresent) {
        int32_t x = 0, y = 0, turn = 0;
        uint8_t buttons[32] = {};
        bool read = Input.Source ? Input.Source->joystick(&x, &y, &turn, buttons)
                                 : PlatformReadJoystick(&x, &y, &turn, buttons);
        joystick = read ? 1 : -1;
        if (read) {
            Input.PrevJoyState = Input.JoyState;
            memset(&Input.JoyState, 0, sizeof Input.JoyState);
            Input.JoyState.lX = x;
            Input.JoyState.lY = y;
            Input.JoyState.lRx = turn;
            memcpy(Input.JoyState.rgbButtons, buttons, sizeof buttons);
        }
    }
    if (Input.Tap) Input.Tap(joystick);
}

static int32_t Clamp(int64_t v, int32_t hi) { return v < 0 ? 0 : v > hi ? hi : int32_t(v); }

// Mouse motion scaled by MOUSESENS percent; the part of a pixel left over is kept for the next read, so
// that slow motion is not lost at a low setting. At 100 % the motion passes unchanged.
static int64_t Scaled(int32_t motion, int64_t& rest) {
    if (Settings.MOUSESENS == 100) return motion;
    const int64_t v = int64_t(motion) * Settings.MOUSESENS + rest;
    const int64_t whole = v / 100;
    rest = v - whole * 100;
    return whole;
}

void UpdatePointer() {
    const int64_t dx = Scaled(Input.MouseState.lX, Input.RestX), dy = Scaled(Input.MouseState.lY, Input.RestY);
    Input.PointerX = Clamp(int64_t(Input.PointerX) + int64_t(Input.MouseSensitivity) * dx, Settings.SCREENX);
    Input.PointerY = Clamp(int64_t(Input.PointerY) + int64_t(Input.MouseSensitivity) * dy, Settings.SCREENY);
}

void InputReacquire() {
    if (!Input.InputInitialised) return;
    Input.InputActive = true;
}

void InputReleaseAll() {
    memset(Input.KeyState, 0, sizeof Input.KeyState);
    memset(Input.PrevKeyState, 0, sizeof Input.PrevKeyState);
    memset(&Input.MouseState, 0, sizeof Input.MouseState);
    memset(&Input.PrevMouseState, 0, sizeof Input.PrevMouseState);
    memset(&Input.JoyState, 0, sizeof Input.JoyState);
    memset(&Input.PrevJoyState, 0, sizeof Input.PrevJoyState);
}

bool KeyHeld(int code) { return Input.KeyState[Input.KeyMap[code & 0xFF]] >= 128; }
bool KeyPressed(int code) {
    uint8_t k = Input.KeyMap[code & 0xFF];
    return Input.KeyState[k] >= 128 && Input.PrevKeyState[k] < 128;
}
bool MouseButtonHeld(int button) { return Input.MouseState.rgbButtons[Input.MouseButtonMap[button & 31] & 3] != 0; }
bool MouseButtonPressed(int button) {
    int b = Input.MouseButtonMap[button & 31] & 3;
    return Input.MouseState.rgbButtons[b] != 0 && Input.PrevMouseState.rgbButtons[b] == 0;
}

bool InputCodeHeld(int code) {
    if (code >= INPUT_MOUSE1 && code <= INPUT_MOUSE4) return MouseButtonHeld(code - INPUT_MOUSE1);
    if (code == INPUT_WHEELUP) return Input.MouseState.lZ > 0;
    if (code == INPUT_WHEELDOWN) return Input.MouseState.lZ < 0;
    return code > 0 && code < INPUT_MOUSE1 && KeyHeld(code);
}

bool InputCodePressed(int code) {
    if (code >= INPUT_MOUSE1 && code <= INPUT_MOUSE4) return MouseButtonPressed(code - INPUT_MOUSE1);
    if (code == INPUT_WHEELUP || code == INPUT_WHEELDOWN) return InputCodeHeld(code);
    return code > 0 && code < INPUT_MOUSE1 && KeyPressed(code);
}

const char* InputCodeName(int code) {
    switch (code) {
    case INPUT_MOUSE1: return "MOUSE1";
    case INPUT_MOUSE2: return "MOUSE2";
    case INPUT_MOUSE3: return "MOUSE3";
    case INPUT_MOUSE4: return "MOUSE4";
    case INPUT_WHEELUP: return "WHEELUP";
    case INPUT_WHEELDOWN: return "WHEELDOWN";
    default: return DikNameOf(code);
    }
}

int InputCodeFromName(const char* name) {
    for (int code = INPUT_MOUSE1; code <= INPUT_WHEELDOWN; ++code)
        if (name && strcmp(name, InputCodeName(code)) == 0) return code;
    return DikFromName(name);
}

int InputCodeJustPressed() {
    for (int code = 1; code < INPUT_MOUSE1; ++code)
        if (KeyPressed(code)) return code;
    for (int code = INPUT_MOUSE1; code <= INPUT_WHEELDOWN; ++code)
        if (InputCodePressed(code)) return code;
    return 0;
}

bool JoystickActive() { return Settings.JoystickOn && Input.JoystickPresent; }
bool JoyButtonHeld(int button) { return JoystickActive() && Input.JoyState.rgbButtons[button & 31] != 0; }
bool JoyButtonPressed(int button) { return JoyButtonHeld(button) && Input.PrevJoyState.rgbButtons[button & 31] == 0; }

static int Sign(int32_t v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }
int JoyStickX() { return JoystickActive() ? Sign(Input.JoyState.lX) : 0; }
int JoyStickY() { return JoystickActive() ? Sign(Input.JoyState.lY) : 0; }
int JoyTurnX() { return JoystickActive() ? Sign(Input.JoyState.lRx) : 0; }

// Past half the throw, or 0: a stick resting near the dead zone's edge does not flicker in and out.
static int Pushed(int32_t v) {
    int32_t half = Input.JoyAxisRange > 1 ? Input.JoyAxisRange / 2 : 1;
    return v <= -half ? -1 : v >= half ? 1 : 0;
}
bool JoyStickPushed(int dx, int dy) {
    if (!JoystickActive()) return false;
    const JoystickRecord &now = Input.JoyState, &was = Input.PrevJoyState;
    if (dx) return Pushed(now.lX) == dx && Pushed(was.lX) != dx;
    return dy && Pushed(now.lY) == dy && Pushed(was.lY) != dy;
}
