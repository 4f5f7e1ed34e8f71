// The pad's part in the controls (see pad_controls.h).
#include "app/pad_controls.h"

#include "app/controls.h"
#include "app/menu_input.h"
#include "core/settings.h"
#include "game/players.h"
#include "game/world.h"
#include "input/input.h"
#include "platform/platform.h"

void PadPlayerControls(ControlFlags& c) {
    if (!JoystickActive()) {
        Input.PadFireHeldOver = false;
        return;
    }
    if (JoyButtonPressed(JOY_MENU)) {
        ToggleMenu();
        return;
    }
    const ObjectRecord& p = World.ObjectTable[ViewRecord()];
    if (JoyStickY() < 0) c.forward = 1;
    if (JoyStickY() > 0) c.back = 1;
    // The left stick across does what the arrows do (strafe under mouse look, else turn); the right
    // stick turns, as the mouse does under mouse look.
    if (JoyStickX() < 0) (Settings.MOUSELOOK ? c.strafeLeft : c.turnLeft) = 1;
    if (JoyStickX() > 0) (Settings.MOUSELOOK ? c.strafeRight : c.turnRight) = 1;
    if (JoyTurnX() < 0) c.turnLeft = 1;
    if (JoyTurnX() > 0) c.turnRight = 1;
    if (!JoyButtonHeld(JOY_FIRE)) Input.PadFireHeldOver = false;
    if (JoyButtonHeld(JOY_FIRE) && !Input.PadFireHeldOver) c.fire = 1;
    if (JoyButtonPressed(JOY_NEXT_WEAPON)) c.select[NextOwnedWeapon(p.weapon, p.owned, 1)] = 1;
    if (JoyButtonPressed(JOY_PREV_WEAPON)) c.select[NextOwnedWeapon(p.weapon, p.owned, -1)] = 1;
}

void PadMenuKeys() {
    if (!JoystickActive()) return;
    if (JoyStickPushed(0, -1)) MenuUp();
    if (JoyStickPushed(0, 1)) MenuDown();
    if (JoyStickPushed(-1, 0)) MenuStep(-1);
    if (JoyStickPushed(1, 0)) MenuStep(1);
    if (JoyButtonPressed(JOY_FIRE)) {
        Input.PadFireHeldOver = true;
        ActivateMenuItem();
    }
    if (JoyButtonPressed(JOY_MENU)) ToggleMenu();
}

bool PadMenuPressed() { return JoystickActive() && JoyButtonPressed(JOY_MENU); }

bool PadContinuePressed() {
    if (!JoyButtonPressed(JOY_FIRE)) return false;
    Input.PadFireHeldOver = true;
    return true;
}
