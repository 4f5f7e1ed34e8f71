// A virtual pad through SDL's virtual joystick driver (see sdl_virtual_pad.h).
#include "platform/sdl/sdl_virtual_pad.h"

#include <SDL.h>

#include <cstdio>

namespace {

int Index = -1;        // the device index the driver gave, -1 when none is attached
SDL_Joystick* Handle;  // our own handle on it, through which its state is set
VirtualPadKind Kind = VPAD_CONTROLLER;

void SetAxis(int axis, int16_t v) {
    if (Handle) SDL_JoystickSetVirtualAxis(Handle, axis, v);
}
void SetButton(int button, bool down) {
    if (Handle) SDL_JoystickSetVirtualButton(Handle, button, down ? 1 : 0);
}

}  // namespace

bool VirtualPadAttach(VirtualPadKind kind, char* err, size_t errSize) {
    VirtualPadDetach();
    // The test's window never has the focus, and SDL drops pad input for an unfocused program.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    SDL_VirtualJoystickDesc desc;
    SDL_zero(desc);
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    if (kind == VPAD_CONTROLLER) {
        // Buttons and axes in SDL's controller order: the driver gives such a device a mapping of its own.
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        desc.name = "virtual game controller";
    } else {
        desc.type = SDL_JOYSTICK_TYPE_UNKNOWN;
        desc.naxes = 2;
        desc.nbuttons = 4;
        desc.nhats = 1;
        desc.name = "virtual raw joystick";
    }
    Index = SDL_JoystickAttachVirtualEx(&desc);
    if (Index >= 0) Handle = SDL_JoystickOpen(Index);
    if (Index < 0 || !Handle) {
        snprintf(err, errSize, "%s", SDL_GetError());
        if (Index >= 0) SDL_JoystickDetachVirtual(Index);
        Index = -1;
        return false;
    }
    Kind = kind;
    // A controller's triggers read a raw axis from its low end (let go) to its high end (pressed).
    VirtualPadTrigger(0);
    if (kind == VPAD_CONTROLLER) SetAxis(SDL_CONTROLLER_AXIS_TRIGGERLEFT, -32768);
    return true;
}

void VirtualPadStick(int16_t x, int16_t y) {
    SetAxis(Kind == VPAD_CONTROLLER ? SDL_CONTROLLER_AXIS_LEFTX : 0, x);
    SetAxis(Kind == VPAD_CONTROLLER ? SDL_CONTROLLER_AXIS_LEFTY : 1, y);
}

void VirtualPadRightStick(int16_t x) {
    if (Kind == VPAD_CONTROLLER) SetAxis(SDL_CONTROLLER_AXIS_RIGHTX, x);
}

void VirtualPadTrigger(int16_t value) {
    if (Kind == VPAD_CONTROLLER)
        SetAxis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, int16_t(value < 0 ? -32768 : 2 * value - 32767));
}

void VirtualPadPress(VirtualPadInput input, bool down) {
    static const SDL_GameControllerButton kButtons[] = {
        SDL_CONTROLLER_BUTTON_A,
        SDL_CONTROLLER_BUTTON_START,
        SDL_CONTROLLER_BUTTON_LEFTSHOULDER,
        SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
        SDL_CONTROLLER_BUTTON_DPAD_UP,
        SDL_CONTROLLER_BUTTON_DPAD_DOWN,
        SDL_CONTROLLER_BUTTON_DPAD_LEFT,
        SDL_CONTROLLER_BUTTON_DPAD_RIGHT,
    };
    int i = int(input);
    if (Kind == VPAD_CONTROLLER && i >= 0 && i < int(sizeof kButtons / sizeof kButtons[0]))
        SetButton(kButtons[i], down);
}

void VirtualPadRawButton(int button, bool down) {
    if (Kind == VPAD_RAW) SetButton(button, down);
}

void VirtualPadRawHat(uint8_t bits) {
    if (Kind == VPAD_RAW && Handle) SDL_JoystickSetVirtualHat(Handle, 0, bits);
}

bool VirtualPadMappingGuid(char* out, size_t size) {
    if (Index < 0 || size < 33) return false;
    SDL_JoystickGUID guid = SDL_JoystickGetGUID(Handle);
    guid.data[2] = guid.data[3] = 0;  // the checksum of the name: mapping lines carry none
    SDL_JoystickGetGUIDString(guid, out, int(size));
    return true;
}

void VirtualPadDetach() {
    if (Handle) SDL_JoystickClose(Handle);
    Handle = nullptr;
    if (Index >= 0) SDL_JoystickDetachVirtual(Index);
    Index = -1;
}
