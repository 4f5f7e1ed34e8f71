// A pad made by SDL's virtual joystick driver, to drive the real backend's pad code without hardware
// (the backend's own test uses it; the game never does). One virtual device at a time.
#pragma once
#include <cstddef>
#include <cstdint>

enum VirtualPadKind { VPAD_CONTROLLER, VPAD_RAW };  // a mapped game controller, or a joystick SDL cannot map
// The controller's inputs by name; a raw joystick takes button and axis numbers instead.
enum VirtualPadInput {
    VPAD_SOUTH,
    VPAD_START,
    VPAD_LEFT_SHOULDER,
    VPAD_RIGHT_SHOULDER,
    VPAD_DPAD_UP,
    VPAD_DPAD_DOWN,
    VPAD_DPAD_LEFT,
    VPAD_DPAD_RIGHT,
};

// Plugs the device in (the joystick subsystem must be up: after PlatformJoystickOpen). False with SDL's
// reason in err when the driver refuses.
bool VirtualPadAttach(VirtualPadKind kind, char* err, size_t errSize);
// A controller's stick (-32768..32767, y < 0 up) and right trigger (0..32767); a raw joystick's axes 0, 1.
void VirtualPadStick(int16_t x, int16_t y);
// A controller's right stick across.
void VirtualPadRightStick(int16_t x);
void VirtualPadTrigger(int16_t value);
void VirtualPadPress(VirtualPadInput input, bool down);
// A raw joystick's button number and its first hat (the SDL_HAT_* bits: 1 up, 2 right, 4 down, 8 left).
void VirtualPadRawButton(int button, bool down);
void VirtualPadRawHat(uint8_t bits);
// The attached device's GUID as a line of a mapping database names it (hex, without the name checksum
// SDL puts into a device's own GUID). False when none is attached.
bool VirtualPadMappingGuid(char* out, size_t size);
// Pulls the device out.
void VirtualPadDetach();
