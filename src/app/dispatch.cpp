// Per-tick input routing and the per-state update.
#include "app/dispatch.h"

#include "app/controls.h"
#include "app/menu_input.h"
#include "app/pad_controls.h"
#include "app/savegame.h"
#include "app/settings.h"
#include "console/console.h"
#include "core/program.h"
#include "defs/level.h"
#include "defs/menu.h"
#include "game/animation.h"
#include "game/monsters.h"
#include "game/players.h"
#include "game/tick.h"
#include "game/world.h"
#include "input/input.h"
#include "net/net.h"
#include "net/netplay.h"
#include "platform/platform.h"
#include "render/render.h"
#include "render/screenshot.h"

uint32_t GameClockMs() {
    // A network level's clock is its tick count, the same on every machine; a loaded game's clock goes
    // on from the time it was saved at.
    if (NetPlayRunning()) return NetPlayClockMs();
    return (Program.ClockHeld ? Program.HeldClock : PlatformTicksMs()) + Program.GameClockOffset;
}

void RunLogicTick(uint32_t now) {
    Program.ClockHeld = true;
    Program.HeldClock = now;
    HandleInput();
    TickGameState();
    Program.ClockHeld = false;
}

void MenuKeys() {
    RefreshMenuTexts();
    if (KeyPressed(DIK_UP)) MenuUp();
    if (KeyPressed(DIK_DOWN)) MenuDown();
    if (KeyPressed(DIK_RETURN)) ActivateMenuItem();
    // A setting's item: Left and Right (and the wheel) step its value; on the Controls list Delete takes
    // an action's bound keys away.
    if (KeyPressed(DIK_LEFT)) MenuStep(-1);
    if (KeyPressed(DIK_RIGHT)) MenuStep(1);
    if (Input.MouseState.lZ != 0) MenuStep(Input.MouseState.lZ > 0 ? 1 : -1);
    if (KeyPressed(DIK_DELETE)) MenuClearKeys();
    // A pointer that rests over an item does not take the selection back from the keys: hovering
    // selects only when the mouse moved since the previous read (or on a click).
    if (MouseButtonPressed(0))
        ClickMenu(Input.PointerX, Input.PointerY);
    else if (Input.MouseState.lX != 0 || Input.MouseState.lY != 0)
        HoverMenu(Input.PointerX, Input.PointerY);
    PadMenuKeys();
}

static bool ContinueKeyPressed() {
    static const uint8_t kKeys[] = {DIK_RETURN, DIK_LEFT, DIK_RIGHT, DIK_SPACE, DIK_UP, DIK_DOWN};
    for (uint8_t k : kKeys)
        if (KeyPressed(k)) return true;
    return PadContinuePressed();
}

void WaitContinueKey() {
    if (!ContinueKeyPressed()) return;
    // In a network game the host moves on (its key does it at once), and the victory ends the game.
    if (NetPlayActive()) {
        if (Program.GameState == GS_LEVEL_DONE && !Players.fragTable) NetPlayStartLevel(World.NextLevelFile);
        return;
    }
    if (Program.GameState == GS_LEVEL_DONE)
        LoadLevel(World.NextLevelFile);
    else if (Program.GameState == GS_WON)
        LoadMenu(Settings.StartMenuFile, true);
}

// The keys of a running level beyond the controls: Tab shows the overhead map, and once the death screen
// has shown for a second Enter (or the pad's fire button) plays the level again (each where its setting
// is on). Keys still held for walking or firing when the player died retry nothing.
static void LevelAidKeys() {
    if (Settings.AUTOMAP && ControlPressed(CTRL_MAP)) Render.AutomapShown = Render.AutomapShown ? 0 : 1;
    if (Settings.RETRY && !NetPlayRunning() && RetryReady() && (KeyPressed(DIK_RETURN) || PadContinuePressed()))
        RetryLevel();
}

// The saved-games keys: F6 saves into slot 0 and F9 loads it, at once, in every state (a save refused
// there says why); keys bound to them only while the console is up, where they would be typed.
static void SaveGameKeys() {
    if (!Settings.SAVEGAMES) return;
    if (ControlPressed(CTRL_QUICKSAVE, ConsoleIsClosed())) SaveGame(QUICK_SAVE_SLOT);
    if (ControlPressed(CTRL_QUICKLOAD, ConsoleIsClosed())) LoadGame(QUICK_SAVE_SLOT);
}

// In a network game the mouse's turn travels in the controls (spare bytes 0 and 1), as mouse look would
// have turned the player, and the pointer is put back at once.
static void MouseTurnIntoControls(ControlFlags& c) {
    const int64_t d = (int64_t(Settings.ScreenCentreX) - int64_t(Input.PointerX)) / 2;
    if (d == 0 || !Settings.MOUSELOOK) return;
    const int16_t turn = int16_t(d < -32768 ? -32768 : d > 32767 ? 32767 : d);
    c.spare[0] = uint8_t(uint16_t(turn));
    c.spare[1] = uint8_t(uint16_t(turn) >> 8);
    Input.PointerX = int32_t(Settings.ScreenCentreX);
    Input.PointerY = int32_t(Settings.ScreenCentreY);
}

void ReadPlayerControls() {
    ControlFlags* local = NetPlayLocalControls();
    ControlFlags& c = local ? *local : World.ObjectTable[0].controls;
    c = ControlFlags{};
    if (local) MouseTurnIntoControls(c);
    if (ControlHeld(CTRL_FORWARD)) c.forward = 1;
    if (ControlHeld(CTRL_BACK)) c.back = 1;
    if (ControlHeld(CTRL_LEFT)) (Settings.MOUSELOOK ? c.strafeLeft : c.turnLeft) = 1;
    if (ControlHeld(CTRL_RIGHT)) (Settings.MOUSELOOK ? c.strafeRight : c.turnRight) = 1;
    if (ControlHeld(CTRL_TURNLEFT)) c.turnLeft = 1;
    if (ControlHeld(CTRL_TURNRIGHT)) c.turnRight = 1;
    if (ControlHeld(CTRL_STRAFELEFT)) c.strafeLeft = 1;
    if (ControlHeld(CTRL_STRAFERIGHT)) c.strafeRight = 1;
    if (ControlHeld(CTRL_FIRE)) c.fire = 1;
    for (int i = 0; i < 5; ++i)
        if (ControlHeld(CTRL_WEAPON1 + i)) c.select[i] = 1;
    // The next or previous weapon owned, once a press (a turn of the wheel is one).
    const ObjectRecord& p = World.ObjectTable[ViewRecord()];
    if (ControlPressed(CTRL_NEXTWEAPON)) c.select[NextOwnedWeapon(p.weapon, p.owned, 1)] = 1;
    if (ControlPressed(CTRL_PREVWEAPON)) c.select[NextOwnedWeapon(p.weapon, p.owned, -1)] = 1;
    PadPlayerControls(c);
}

void HandleInput() {
    if (!Input.InputActive) return;
    InputRead();
    UpdatePointer();
    // The Controls list waiting for a key takes the next one pressed, whatever its job.
    if (ControlsCapturing()) {
        ControlsCaptureKey();
        return;
    }
    if (ControlPressed(CTRL_SCREENSHOT, ConsoleIsClosed())) SaveScreenshot();
    SaveGameKeys();
    // Grave toggles in every state; C only opens a console that is closed or rolling up, so that
    // commands holding the letter C can be typed.
    if (KeyPressed(DIK_GRAVE))
        ConsoleToggle();
    else if (KeyPressed(DIK_C) && (Console.ConsoleState == CON_CLOSED || Console.ConsoleState == CON_ROLLING_UP))
        ConsoleToggle();
    if (!ConsoleIsClosed()) {
        ConsoleKeys();
        return;
    }
    if (KeyPressed(DIK_ESCAPE)) {
        ToggleMenu();
        return;
    }
    // A menu shown or hidden by the step above changes the state on the following tick (a network level
    // never pauses: the others play on).
    if (!NetPlayRunning()) {
        if (Menu.Visible && Program.GameState == GS_PLAYING) Program.GameState = GS_PAUSED;
        if (!Menu.Visible && Program.GameState == GS_PAUSED) Program.GameState = GS_PLAYING;
    }
    if (Menu.Visible) {
        MenuKeys();
        return;
    }
    switch (Program.GameState) {
    case GS_LEVEL_DONE:
    case GS_WON:
        if (PadMenuPressed())
            ToggleMenu();
        else
            WaitContinueKey();
        break;
    case GS_PLAYING:
        ReadPlayerControls();
        LevelAidKeys();
        break;
    default: break;
    }
}

// The animation step, and the console's steps it times: the fade on the animation's advancing ticks, the
// roll on every tick.
void AnimateTick() {
    if (AnimationStep()) ConsoleFadeStep();
    ConsoleRollStep();
}

// A network level's tick: the host's record of it played into the world, then the world's steps as in
// play (whatever this machine's menu or console shows), then the digests and the controls sent ahead.
static int NetworkTick() {
    if (!NetPlayBeginTick()) return 1;
    AnimateTick();
    if (Program.GameState == GS_PLAYING) {
        MonsterThink(GameClockMs());
        NetPending();
        GameStep();
    }
    NetPlayEndTick();
    return 1;
}

int TickGameState() {
    if (NetPlayRunning()) return NetworkTick();
    switch (Program.GameState) {
    case GS_MENU:
    case GS_LEVEL_DONE:
    case GS_WON: AnimateTick(); break;
    case GS_PLAYING:
        AnimateTick();
        // The pausing rule: nothing moves while the window has no focus or the console is down.
        if (Settings.AUTOPAUSE && (!Program.AppActive || !Input.InputActive || !ConsoleIsClosed())) {
            NetPending();
            break;
        }
        MonsterThink(GameClockMs());
        NetPending();
        GameStep();
        break;
    case GS_PAUSED:
        AnimateTick();
        NetPending();
        break;
    default: break;
    }
    return 1;
}
