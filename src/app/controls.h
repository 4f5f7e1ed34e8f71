// The player's actions and the keys that do them: each action has the keys the classic game gives it and
// the keys its BIND_ setting adds (keyboard keys, mouse buttons, the wheel). A key bound to one action is
// taken from the classic keys of every other, so that W can walk while the arrows turn, and the Controls
// menu that lists and changes them.
#pragma once
#include <cstdint>
#include <string>

#include "core/settings.h"

enum ControlId {
    CTRL_FORWARD,
    CTRL_BACK,
    CTRL_TURNLEFT,
    CTRL_TURNRIGHT,
    CTRL_STRAFELEFT,
    CTRL_STRAFERIGHT,
    CTRL_FIRE,
    CTRL_WEAPON1,  // .. CTRL_WEAPON1 + 4
    CTRL_NEXTWEAPON = CTRL_WEAPON1 + 5,
    CTRL_PREVWEAPON,
    CTRL_MAP,
    CTRL_SCREENSHOT,
    CTRL_QUICKSAVE,
    CTRL_QUICKLOAD,
    CTRL_LEFT,  // the classic Left and Right: strafe with mouse look on, else turn
    CTRL_RIGHT,
    CTRL_COUNT
};

struct ControlAction {
    const char* label;                 // as the Controls menu names it
    int32_t SettingsRecord::*binding;  // the keys BIND_ adds
    const char* setting;               // its key in config.ini
    uint8_t classic[2];                // the keys the classic game gives it (0: none)
};
extern const ControlAction kControlActions[CTRL_COUNT];

// Whether one of the action's keys is held (pressed: down now, up in the previous read). Without `bound`
// only its classic keys count (the keys that work while the console is down).
bool ControlHeld(int id, bool bound = true);
bool ControlPressed(int id, bool bound = true);
// The action whose keys hold `code` (a classic key no binding took, or a bound one), other than `except`;
// -1 when none does.
int ControlUsing(int code, int except);
// The action's keys as the Controls menu lists them: "UP, W", or "none".
std::string ControlKeysText(int id);
// Adds a key to the action's bound keys (the oldest gives way when four are bound), taking it from every
// other action's. The line that says what happened is written into `said`.
void ControlBindKey(int id, int code, std::string* said);
// Takes the action's bound keys away: its classic keys are left.
void ControlClearKeys(int id);
// Keys that keep their own job (console, menu, screenshot, map) and are never bound.
bool ReservedKey(int code);

// The next (step 1) or previous (step -1) weapon the record owns after the one in hand, the knife
// always; the one in hand when it owns no other.
int NextOwnedWeapon(int weapon, const uint8_t owned[], int step);
