// Keyboard, mouse and joystick snapshots, press-edge and held tests, and the program's mouse pointer.
#pragma once
#include <cstdint>

#include "platform/dik.h"

struct MouseRecord {
    int32_t lX, lY, lZ;
    uint8_t rgbButtons[4];
};
struct JoystickRecord {  // the standard 80-byte joystick record
    int32_t lX, lY, lZ, lRx, lRy, lRz;
    int32_t rglSlider[2];
    uint32_t rgdwPOV[4];
    uint8_t rgbButtons[32];
};

// The mouse's buttons and wheel as bindings name them: codes beyond every key's (0xF0 and up).
enum : uint8_t {
    INPUT_MOUSE1 = 0xF0,  // buttons 0..3 (left, right, middle, the fourth)
    INPUT_MOUSE2,
    INPUT_MOUSE3,
    INPUT_MOUSE4,
    INPUT_WHEELUP,  // the wheel turned away from the player in this read
    INPUT_WHEELDOWN,
};

// Where the snapshots can come from: the platform's devices, or a recording that plays back.
struct InputSource {
    bool (*joystickPresent)();
    void (*keyboard)(uint8_t keys[256]);
    void (*mouse)(int32_t* dx, int32_t* dy, int32_t* dz, uint8_t buttons[4]);
    bool (*joystick)(int32_t* x, int32_t* y, int32_t* turn, uint8_t buttons[32]);
};
// The snapshots of the devices, the pointer and the input flags.
struct InputRecord {
    uint8_t KeyState[256] = {}, PrevKeyState[256] = {}, KeyMap[256] = {};  // bit 7 = down
    MouseRecord MouseState = {}, PrevMouseState = {};
    uint8_t MouseButtonMap[32] = {};
    JoystickRecord JoyState = {}, PrevJoyState = {};
    int32_t PointerX = 0, PointerY = 0;  // the program's mouse pointer, in screen pixels
    int32_t MouseSensitivity = 2, JoyAxisRange = 100, JoyDeadZone = 2000;
    bool InputInitialised = false, InputActive = false, JoystickPresent = false;
    // Fire pressed on a pad to leave a menu or a waiting screen does not also shoot in the level it
    // starts: it fires again once it has been let go.
    bool PadFireHeldOver = false;
    // Where the snapshots come from (null: the platform's devices), who is told of every read, and
    // whether the platform was asked to watch for pads (not while a recording plays).
    const InputSource* Source = nullptr;
    void (*Tap)(int joystick) = nullptr;
    bool PadWatched = false;
    // The parts of a pixel of mouse motion left over by MOUSESENS scaling, kept for the next read.
    int64_t RestX = 0, RestY = 0;
};
extern InputRecord Input;

// Null for the devices (the start). Set before InputInit. Every read asks the source whether a joystick
// is present (pads come and go), before reading it.
void InputSetSource(const InputSource* source);
// Told of every read, after it: whether a joystick was read (0 none present, 1 read, -1 the read
// failed and the snapshot kept its values). A recording that is made listens here.
void InputSetTap(void (*tap)(int joystick));

int InputInit();
void InputShutdown();
// Snapshots all devices, keeping the previous keyboard, mouse and joystick snapshots. A joystick that
// came or went since the last read sets JoystickPresent and empties both joystick snapshots.
void InputRead();
// Moves the pointer by the mouse motion, clamped to 0..SCREENX and 0..SCREENY.
void UpdatePointer();
void InputReacquire();
// Empties the keyboard, mouse and joystick snapshots (current and previous): nothing is held.
void InputReleaseAll();
// Down now (through KeyMap).
bool KeyHeld(int code);
// Down now and up in the previous snapshot.
bool KeyPressed(int code);
bool MouseButtonHeld(int button);
bool MouseButtonPressed(int button);
// A key, a mouse button or a turn of the wheel by its code: held (a wheel turn holds for the read that saw
// it) and pressed (down now, up in the previous read; every wheel turn is a press).
bool InputCodeHeld(int code);
bool InputCodePressed(int code);
// The code of a key name (as DikFromName), MOUSE1 .. MOUSE4, WHEELUP or WHEELDOWN; -1 when unknown.
int InputCodeFromName(const char* name);
// The name of a code (a key's without DIK_, or a mouse's); null for a code nothing has.
const char* InputCodeName(int code);
// The first code pressed in this read, keys by code first, then the mouse's buttons, then the wheel; 0
// when nothing was.
int InputCodeJustPressed();
// The joystick as the game steers by it: all false or 0 unless a joystick is present and switched on
// (Settings.JoystickOn, the JOYSTICK command). Buttons are the platform's JOY_* indexes.
bool JoystickActive();
bool JoyButtonHeld(int button);
bool JoyButtonPressed(int button);
// The stick's direction on each axis: -1 (left, up), 0 inside the dead zone, 1 (right, down).
int JoyStickX();
int JoyStickY();
// The right stick's direction across (-1 left, 1 right): what turns on a pad.
int JoyTurnX();
// The stick has just been pushed past half its throw toward dx, dy (one of them 0, the other -1 or 1):
// the press edge a menu steps on.
bool JoyStickPushed(int dx, int dy);
