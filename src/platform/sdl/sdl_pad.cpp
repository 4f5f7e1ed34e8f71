// The pad of the real backend: one game controller (through SDL's mapping database, with the data
// directory's gamecontrollerdb.txt added when there is one) or, for a device SDL has no mapping for, one
// raw joystick. Devices plugged in or pulled out are picked up or dropped from the event pump.
#include <SDL.h>
#include <sys/stat.h>

#include "platform/platform.h"
#include "platform/sdl/sdl_internal.h"

namespace {

// A mapping database larger than this is not read: the community's whole file is well under a megabyte.
constexpr off_t kMaxMappingBytes = 4 << 20;

bool Watching;                   // PlatformJoystickOpen ran and the subsystem is up
SDL_GameController* Controller;  // the pad, when it is a game controller
SDL_Joystick* Joystick;          // the pad's joystick (the controller's own when it is one)
SDL_JoystickID PadId = -1;       // its instance, to tell its removal from another device's
int Range = 100, DeadPercent = 20;

void LoadMappingFile() {
    struct stat st;
    if (stat("gamecontrollerdb.txt", &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxMappingBytes) return;
    SDL_GameControllerAddMappingsFromFile("gamecontrollerdb.txt");  // lines it cannot read are skipped
}

void ClosePad() {
    if (Controller)
        SDL_GameControllerClose(Controller);
    else if (Joystick)
        SDL_JoystickClose(Joystick);
    Controller = nullptr;
    Joystick = nullptr;
    PadId = -1;
}

// Opens device `index`: as a game controller when SDL knows how to map it, else as a raw joystick.
bool OpenDevice(int index) {
    if (SDL_IsGameController(index)) {
        Controller = SDL_GameControllerOpen(index);
        if (Controller) Joystick = SDL_GameControllerGetJoystick(Controller);
    }
    if (!Joystick) {
        Controller = nullptr;
        Joystick = SDL_JoystickOpen(index);
    }
    if (!Joystick) return false;
    PadId = SDL_JoystickInstanceID(Joystick);
    return true;
}

// The first device that opens, when no pad is open.
void OpenAny() {
    if (!Watching || Joystick) return;
    int n = SDL_NumJoysticks();
    for (int i = 0; i < n; ++i)
        if (OpenDevice(i)) return;
}

// A pad that went away between events is let go, and another one taken if there is one.
void DropDetached() {
    if (Joystick && !SDL_JoystickGetAttached(Joystick)) {
        ClosePad();
        OpenAny();
    }
}

// -32768..32767 to -range..range, 0 inside the dead zone; either end of the throw is full deflection.
int32_t Scale(int v) {
    int32_t dead = 32767 * DeadPercent / 100;
    int32_t a = v < 0 ? -int32_t(v) : v;
    if (a > 32767) a = 32767;
    if (a <= dead) return 0;
    int32_t scaled = int32_t(int64_t(a - dead) * Range / (32767 - dead));
    return v < 0 ? -scaled : scaled;
}

// Full deflection toward the pressed side of a d-pad axis, 0 when neither or both are pressed.
int32_t Digital(bool negative, bool positive) { return negative == positive ? 0 : negative ? -Range : Range; }

void ReadController(int32_t* x, int32_t* y, int32_t* turn, uint8_t buttons[32]) {
    auto held = [](SDL_GameControllerButton b) { return SDL_GameControllerGetButton(Controller, b) != 0; };
    *x = Scale(SDL_GameControllerGetAxis(Controller, SDL_CONTROLLER_AXIS_LEFTX));
    *y = Scale(SDL_GameControllerGetAxis(Controller, SDL_CONTROLLER_AXIS_LEFTY));
    *turn = Scale(SDL_GameControllerGetAxis(Controller, SDL_CONTROLLER_AXIS_RIGHTX));
    if (*x == 0) *x = Digital(held(SDL_CONTROLLER_BUTTON_DPAD_LEFT), held(SDL_CONTROLLER_BUTTON_DPAD_RIGHT));
    if (*y == 0) *y = Digital(held(SDL_CONTROLLER_BUTTON_DPAD_UP), held(SDL_CONTROLLER_BUTTON_DPAD_DOWN));
    bool trigger = SDL_GameControllerGetAxis(Controller, SDL_CONTROLLER_AXIS_TRIGGERRIGHT) > 16384;
    buttons[JOY_FIRE] = held(SDL_CONTROLLER_BUTTON_A) || trigger ? 0x80 : 0;
    buttons[JOY_NEXT_WEAPON] = held(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER) ? 0x80 : 0;
    buttons[JOY_PREV_WEAPON] = held(SDL_CONTROLLER_BUTTON_LEFTSHOULDER) ? 0x80 : 0;
    buttons[JOY_MENU] = held(SDL_CONTROLLER_BUTTON_START) ? 0x80 : 0;
}

void ReadRaw(int32_t* x, int32_t* y, int32_t* turn, uint8_t buttons[32]) {
    int axes = SDL_JoystickNumAxes(Joystick);
    *x = 0;
    *turn = axes > 0 ? Scale(SDL_JoystickGetAxis(Joystick, 0)) : 0;
    *y = axes > 1 ? Scale(SDL_JoystickGetAxis(Joystick, 1)) : 0;
    if (SDL_JoystickNumHats(Joystick) > 0) {
        Uint8 hat = SDL_JoystickGetHat(Joystick, 0);
        if (*turn == 0) *turn = Digital(hat & SDL_HAT_LEFT, hat & SDL_HAT_RIGHT);
        if (*y == 0) *y = Digital(hat & SDL_HAT_UP, hat & SDL_HAT_DOWN);
    }
    int n = SDL_JoystickNumButtons(Joystick);
    for (int i = 0; i < 32 && i < n; ++i) buttons[i] = SDL_JoystickGetButton(Joystick, i) ? 0x80 : 0;
}

}  // namespace

void SdlPadEvent(const SDL_Event& e) {
    if (!Watching) return;
    switch (e.type) {
    case SDL_JOYDEVICEADDED:
    case SDL_CONTROLLERDEVICEADDED:
        // The index an event names may be stale by now: any device that opens will do.
        OpenAny();
        break;
    case SDL_JOYDEVICEREMOVED:
    case SDL_CONTROLLERDEVICEREMOVED:
        if (Joystick && e.jdevice.which == PadId) {
            ClosePad();
            OpenAny();
        }
        break;
    default: break;
    }
}

bool PlatformJoystickOpen(int range, int deadZonePercent) {
    Range = range;
    DeadPercent = deadZonePercent < 0 ? 0 : deadZonePercent > 99 ? 99 : deadZonePercent;
    if (!Watching) {
        if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) return false;
        Watching = true;
        LoadMappingFile();
    }
    OpenAny();
    return Joystick != nullptr;
}

bool PlatformJoystickPresent() {
    DropDetached();
    return Joystick != nullptr;
}

bool PlatformReadJoystick(int32_t* x, int32_t* y, int32_t* turn, uint8_t buttons[32]) {
    if (!Joystick) return false;
    SDL_JoystickUpdate();
    DropDetached();
    if (!Joystick) return false;
    for (int i = 0; i < 32; ++i) buttons[i] = 0;
    if (Controller)
        ReadController(x, y, turn, buttons);
    else
        ReadRaw(x, y, turn, buttons);
    return true;
}

void PlatformJoystickClose() {
    ClosePad();
    if (Watching) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    Watching = false;
}
