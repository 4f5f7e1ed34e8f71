// Per-tick dispatch and the main loop's timers on the virtual clock.
#include <gtest/gtest.h>

#include "app/app.h"
#include "app/commands.h"
#include "app/dispatch.h"
#include "app/settings.h"
#include "console/console.h"
#include "core/print.h"
#include "core/random.h"
#include "defs/level.h"
#include "defs/menu.h"
#include "demo/demo.h"
#include "game/animation.h"
#include "game/tick.h"
#include "game/world.h"
#include "input/input.h"
#include "platform/headless/headless.h"
#include "render/render.h"
#include "render/video.h"
#include "support/dxf.h"
#include "test_util.h"

namespace {

class Dispatch : public ::testing::Test {
  protected:
    void SetUp() override { ResetProgram(); }
};

TEST_F(Dispatch, ConsoleToggleKeys) {
    TickWithKeys({DIK_GRAVE, DIK_C});
    EXPECT_EQ(Console.ConsoleState, CON_ROLLING_DOWN) << "GRAVE and C in one tick toggle once";
    EXPECT_EQ(ConsoleText(CONSOLE_INPUT_SLOT), ">C") << "the C of that tick is typed already";
    TickWithKeys({});
    TickWithKeys({DIK_C});
    EXPECT_EQ(Console.ConsoleState, CON_ROLLING_DOWN) << "C only types while the console rolls down";
    Console.ConsoleState = CON_OPEN;
    TickWithKeys({});
    TickWithKeys({DIK_C});
    EXPECT_EQ(Console.ConsoleState, CON_OPEN) << "and while it is down";
    EXPECT_EQ(ConsoleText(CONSOLE_INPUT_SLOT), ">CCC");
    TickWithKeys({DIK_GRAVE});
    EXPECT_EQ(Console.ConsoleState, CON_ROLLING_UP) << "grave toggles in every state";
    TickWithKeys({DIK_C});
    EXPECT_EQ(Console.ConsoleState, CON_ROLLING_DOWN) << "C opens a console that is rolling away";
}

TEST_F(Dispatch, NothingElseRunsWhileTheConsoleIsOnScreen) {
    Menu.Visible = 1;
    Console.ConsoleState = CON_ROLLING_UP;
    Console.ConsoleHeight = 12;
    TickWithKeys({DIK_ESCAPE});
    EXPECT_EQ(Menu.Visible, 1) << "ESC does not reach the menu while the console shows";
    Console.ConsoleState = CON_CLOSED;
    TickWithKeys({});
    TickWithKeys({DIK_ESCAPE});
    EXPECT_EQ(Menu.Visible, 0);
    EXPECT_EQ(Input.PointerX, 320);
    EXPECT_EQ(Input.PointerY, 240);
}

TEST_F(Dispatch, InactiveInputDoesNothing) {
    HandleActivation(0);
    EXPECT_FALSE(Input.InputActive);
    EXPECT_EQ(Program.AppActive, 0);
    TickWithKeys({DIK_GRAVE});
    EXPECT_EQ(Console.ConsoleState, CON_CLOSED);
    EXPECT_EQ(Input.KeyState[DIK_GRAVE], 0) << "the devices are not even read";
    uint64_t frames = Program.FrameCount;
    Print("while away");
    EXPECT_EQ(Program.FrameCount, frames) << "no frame is drawn while inactive";
    HandleActivation(1);
    EXPECT_TRUE(Input.InputActive);
    TickWithKeys({DIK_GRAVE});
    EXPECT_EQ(Console.ConsoleState, CON_ROLLING_DOWN);
}

TEST_F(Dispatch, PressEdgeAndHeld) {
    TickWithKeys({DIK_SPACE});
    EXPECT_TRUE(KeyPressed(DIK_SPACE));
    EXPECT_TRUE(KeyHeld(DIK_SPACE));
    TickWithKeys({DIK_SPACE, DIK_UP});
    EXPECT_FALSE(KeyPressed(DIK_SPACE));
    EXPECT_TRUE(KeyHeld(DIK_SPACE));
    EXPECT_TRUE(KeyPressed(DIK_UP)) << "two keys can be pressed in the same tick";
    HeadlessMouseMove(-10000, 5);
    TickWithKeys({});
    EXPECT_EQ(Input.PointerX, 0);
    EXPECT_EQ(Input.PointerY, 250);
    HeadlessMouseMove(100000, 100000);
    TickWithKeys({});
    EXPECT_EQ(Input.PointerX, 640) << "the pointer may reach exactly SCREENX";
    EXPECT_EQ(Input.PointerY, 480);
}

TEST_F(Dispatch, BoundKeysAddToTheArrowsAndMouseSpeedScalesWithoutLosingSlowMotion) {
    Program.GameState = GS_PLAYING;
    Menu.Visible = false;
    const ControlFlags& c = World.ObjectTable[0].controls;
    Settings.BIND_FORWARD = DIK_W | (DIK_NUMPAD8 << 8);
    Settings.BIND_STRAFELEFT = DIK_A;
    Settings.BIND_FIRE = DIK_LCONTROL;
    Settings.MOUSELOOK = 0;
    TickWithKeys({DIK_NUMPAD8, DIK_A, DIK_LCONTROL});
    EXPECT_TRUE(c.forward && c.strafeLeft && c.fire) << "the second bound key works as well as the first";
    EXPECT_FALSE(c.turnLeft) << "a strafe binding strafes with mouse look off";
    TickWithKeys({DIK_UP, DIK_LEFT});
    EXPECT_TRUE(c.forward && c.turnLeft) << "the arrows keep their jobs";
    Settings.BIND_FORWARD = Settings.BIND_STRAFELEFT = Settings.BIND_FIRE = 0;
    TickWithKeys({DIK_W});
    EXPECT_FALSE(c.forward);

    // Half speed: four one-count motions move the pointer as two would at full speed.
    Settings.MOUSESENS = 50;
    const int32_t x = Input.PointerX;
    for (int i = 0; i < 4; ++i) {
        HeadlessMouseMove(1, 0);
        TickWithKeys({});
    }
    EXPECT_EQ(Input.PointerX, x + 2 * Input.MouseSensitivity);
    Settings.MOUSESENS = 100;
}

TEST_F(Dispatch, AnimationStepRollsEveryCallAndFadesEveryEleventh) {
    PrintNotify(90, "fading");
    Console.ConsoleState = CON_ROLLING_DOWN;
    Console.ConsoleHeight = 0;
    ResetAnimation();
    AnimateTick();
    EXPECT_EQ(Console.ConsoleBuffer[53][0], 89) << "the first call fades";
    EXPECT_EQ(Console.ConsoleHeight, 12);
    for (int i = 0; i < 10; ++i) AnimateTick();
    EXPECT_EQ(Console.ConsoleBuffer[53][0], 89);
    AnimateTick();
    EXPECT_EQ(Console.ConsoleBuffer[53][0], 88) << "the next fade is on the twelfth call";
    Program.GameState = GS_PAUSED;
    for (int i = 0; i < 11; ++i) TickGameState();
    EXPECT_EQ(Console.ConsoleBuffer[53][0], 87) << "the console fades in every state";
}

TEST_F(Dispatch, TimersTickAtLeastSixMsApartAndDrawOnlyWhenNoTickIsDue) {
    HeadlessSetClock(50000);
    ResetTimers();
    RunTimers();
    uint32_t lastTick = PlatformTicksMs(), lastFrame = PlatformTicksMs();
    std::vector<uint32_t> tickTimes, frameTimes;
    for (int ms = 0; ms < 400; ++ms) {
        HeadlessAdvanceClock(1);
        uint64_t t0 = Program.TickCount, f0 = Program.FrameCount;
        RunTimers();
        if (Program.TickCount != t0) tickTimes.push_back(PlatformTicksMs());
        if (Program.FrameCount != f0) frameTimes.push_back(PlatformTicksMs());
        EXPECT_FALSE(Program.TickCount != t0 && Program.FrameCount != f0) << "a tick and a frame never share a pass";
    }
    ASSERT_FALSE(tickTimes.empty());
    ASSERT_FALSE(frameTimes.empty());
    EXPECT_EQ(tickTimes[0] - lastTick, 6u);
    for (size_t i = 1; i < tickTimes.size(); ++i) EXPECT_EQ(tickTimes[i] - tickTimes[i - 1], 6u);
    // With a pass every millisecond the frame is taken at the first pass 26 ms on that has no tick due.
    EXPECT_GE(frameTimes[0] - lastFrame, 26u);
    for (size_t i = 1; i < frameTimes.size(); ++i) EXPECT_GE(frameTimes[i] - frameTimes[i - 1], 26u);

    // No catch-up: after a long stall one tick runs, and the next is 6 ms after it.
    HeadlessAdvanceClock(1000);
    uint64_t t0 = Program.TickCount;
    RunTimers();
    RunTimers();
    EXPECT_EQ(Program.TickCount, t0 + 1);
    HeadlessAdvanceClock(5);
    RunTimers();
    EXPECT_EQ(Program.TickCount, t0 + 1);
    HeadlessAdvanceClock(1);
    RunTimers();
    EXPECT_EQ(Program.TickCount, t0 + 2);
}

// FRAMERATE: a frame is due every 1000/N ms (fractions kept, late frames not caught up), only after a tick
// has run since the last frame; ticks stay on their 6 ms grid. A loop that sleeps until ProgramNextDue finds work
// at every wake-up and misses none: it makes the same ticks and frames as one that looks every millisecond.
TEST_F(Dispatch, WithAFrameRateFramesKeepItsPaceAfterATickAndTheLoopSleepsUntilTheyAreDue) {
    struct Case {
        int32_t rate;
        int low, high;  // frames in a second
    };
    for (const Case& c : {Case{FRAMERATE_CLASSIC, 36, 39}, Case{30, 29, 31}, Case{60, 59, 61}, Case{144, 143, 145},
                          Case{500, 165, 167}}) {
        Settings.FRAMERATE = c.rate;
        std::vector<uint32_t> everyMs[2], sleeping[2];  // tick and frame times
        for (int way = 0; way < 2; ++way) {
            HeadlessSetClock(50000);
            ResetTimers();
            RunTimers();
            std::vector<uint32_t>* times = way == 0 ? everyMs : sleeping;
            uint64_t ticksAtFrame = Program.TickCount;
            // Passes run until one finds nothing due; then the clock moves on one millisecond, or (as the
            // desktop loop sleeps) straight to when the next work is due, where a pass must find it.
            bool woken = false;
            while (PlatformTicksMs() < 51000) {
                const uint64_t t0 = Program.TickCount, f0 = Program.FrameCount;
                RunTimers();
                if (Program.TickCount != t0) times[0].push_back(PlatformTicksMs());
                if (Program.FrameCount != f0) {
                    times[1].push_back(PlatformTicksMs());
                    EXPECT_GT(Program.TickCount, ticksAtFrame) << c.rate << ": a frame shows a new tick's world";
                    ticksAtFrame = Program.TickCount;
                }
                if (woken) {
                    ASSERT_TRUE(Program.PassWorked) << c.rate << ": woken when nothing was due";
                }
                woken = false;
                if (Program.PassWorked) continue;
                if (way == 0) {
                    HeadlessAdvanceClock(1);
                } else {
                    const uint32_t due = ProgramNextDue();
                    ASSERT_GT(int32_t(due - PlatformTicksMs()), 0) << c.rate << ": nothing due now, after an idle pass";
                    HeadlessSetClock(due);
                    woken = true;
                }
            }
            for (size_t i = 1; i < times[0].size(); ++i) ASSERT_EQ(times[0][i] - times[0][i - 1], 6u);
            const int frames = int(times[1].size());
            EXPECT_GE(frames, c.low) << c.rate;
            EXPECT_LE(frames, c.high) << c.rate;
        }
        EXPECT_EQ(everyMs[0], sleeping[0]) << c.rate;
        EXPECT_EQ(everyMs[1], sleeping[1]) << c.rate;
        // Frames at 60 a second fall 16 or 17 ms apart; a stall is not caught up with a burst.
        if (c.rate == 60) {
            for (size_t i = 1; i < everyMs[1].size(); ++i) {
                const uint32_t gap = everyMs[1][i] - everyMs[1][i - 1];
                EXPECT_TRUE(gap >= 16 && gap <= 18) << gap;
            }
            HeadlessAdvanceClock(500);
            const uint64_t f0 = Program.FrameCount;
            for (int i = 0; i < 12; ++i) {
                HeadlessAdvanceClock(1);
                RunTimers();
            }
            EXPECT_EQ(Program.FrameCount, f0 + 1) << "one frame after the stall, the next a period later";
        }
    }
    // A tick held up (by a frame) does not put the later ones off with FRAMERATE: they keep their 6 ms grid;
    // the classic timer counts 6 ms from the late one. A tick a whole period late starts the grid anew.
    for (const int32_t rate : {int32_t(FRAMERATE_CLASSIC), int32_t(144)}) {
        Settings.FRAMERATE = rate;
        HeadlessSetClock(60000);
        ResetTimers();
        RunTimers();
        auto nextTickAt = [] {
            const uint64_t t0 = Program.TickCount;
            for (int ms = 0; ms < 20 && Program.TickCount == t0; ++ms) {
                HeadlessAdvanceClock(1);
                RunTimers();
                RunTimers();  // a frame due in the same millisecond takes a pass of its own
            }
            return PlatformTicksMs();
        };
        HeadlessSetClock(60008);  // the tick due at 60006 runs 2 ms late
        RunTimers();
        EXPECT_EQ(Program.LastTickTime, rate ? 60006u : 60008u);
        EXPECT_EQ(nextTickAt(), rate ? 60012u : 60014u) << rate;
        HeadlessSetClock(60031);  // more than a period late: no burst of ticks to catch up
        RunTimers();
        EXPECT_EQ(nextTickAt(), 60037u) << rate;
    }
    Settings.FRAMERATE = FRAMERATE_CLASSIC;
}

// A pad plugged into the headless backend, in a running level; unplugged again after each test.
class Pad : public Dispatch {
  protected:
    void SetUp() override {
        ResetProgram();
        HeadlessSetPad(true);
        Program.GameState = GS_PLAYING;
        Menu.Visible = 0;
        Settings.MOUSELOOK = 0;  // on at start-up, when left and right strafe
    }
    void TearDown() override {
        HeadlessSetPad(false);
        ResetProgram();
    }
    // One tick with the left stick at x, y, exactly these pad buttons and keys down, and the right stick
    // across at turn.
    static void Tick(int32_t x, int32_t y, std::initializer_list<int> buttons = {},
                     std::initializer_list<int> keys = {}, int32_t turn = 0) {
        HeadlessPadStick(x, y, turn);
        for (int b = 0; b < 32; ++b) HeadlessPadButton(b, false);
        for (int b : buttons) HeadlessPadButton(b, true);
        TickWithKeys(keys);
    }
    static const ControlFlags& C() { return World.ObjectTable[0].controls; }
    static int Selected() {
        for (int i = 0; i < 5; ++i)
            if (C().select[i]) return i;
        return -1;
    }
    ScratchDir dir;
};

TEST_F(Pad, SteersFiresAndStepsTheWeaponsAlongsideTheKeys) {
    Tick(0, -100);
    EXPECT_TRUE(Input.JoystickPresent);
    EXPECT_EQ(C().forward, 1);
    EXPECT_EQ(C().back + C().turnLeft + C().turnRight + C().fire, 0);
    Tick(100, 30, {JOY_FIRE});
    EXPECT_EQ(C().turnRight, 1);
    EXPECT_EQ(C().back, 1);
    EXPECT_EQ(C().fire, 1);
    Tick(-40, 0, {}, {DIK_UP, DIK_RIGHT});
    EXPECT_EQ(C().forward, 1) << "the keys and the pad together";
    EXPECT_EQ(C().turnLeft, 1);
    EXPECT_EQ(C().turnRight, 1);
    EXPECT_EQ(C().fire, 0);
    Tick(0, 0, {}, {}, 60);
    EXPECT_EQ(C().turnRight, 1) << "the right stick turns";
    Settings.MOUSELOOK = 1;
    Tick(-40, 0, {}, {}, -60);
    EXPECT_EQ(C().strafeLeft, 1) << "with mouse look the left stick strafes, as the arrows do";
    EXPECT_EQ(C().turnLeft, 1) << "and the right stick turns, as the mouse does";
    EXPECT_EQ(C().turnRight + C().strafeRight, 0);

    // The shoulders step through the weapons owned, the knife always among them, on their press only.
    ObjectRecord& p = World.ObjectTable[0];
    p.owned[WPN_GUN] = p.owned[WPN_ROCKET_LAUNCHER] = 1;
    p.weapon = WPN_KNIFE;
    Tick(0, 0, {JOY_NEXT_WEAPON});
    EXPECT_EQ(Selected(), WPN_GUN);
    Tick(0, 0, {JOY_NEXT_WEAPON});
    EXPECT_EQ(Selected(), -1) << "held, not pressed again";
    p.weapon = WPN_GUN;
    Tick(0, 0);
    Tick(0, 0, {JOY_NEXT_WEAPON});
    EXPECT_EQ(Selected(), WPN_ROCKET_LAUNCHER);
    p.weapon = WPN_ROCKET_LAUNCHER;
    Tick(0, 0);
    Tick(0, 0, {JOY_NEXT_WEAPON});
    EXPECT_EQ(Selected(), WPN_KNIFE) << "round to the knife";
    Tick(0, 0);
    Tick(0, 0, {JOY_PREV_WEAPON});
    EXPECT_EQ(Selected(), WPN_GUN);
    p.weapon = WPN_KNIFE;
    Tick(0, 0);
    Tick(0, 0, {JOY_PREV_WEAPON});
    EXPECT_EQ(Selected(), WPN_ROCKET_LAUNCHER);
}

// RETRY: after a death, only Enter or the pad's fire button plays the level again, and only once the death
// screen has shown for a second; Space and the arrows, held on from the fight, do nothing.
TEST_F(Pad, RetryTakesEnterOrFireOnlyAfterTheDeathScreenHasShownASecond) {
    Settings.RETRY = 1;
    WriteFile("room.dxf", DxfBox(-10, -10, 10, 10, 2) + kDxfEof);
    WriteFile("R.LVL", "MAP=room.dxf\rEXITCOORD=9;9\rRESETPLAYER=1\r");
    ASSERT_EQ(LoadLevel("R.LVL"), 1);
    ConsoleClose();
    ObjectRecord& p = World.ObjectTable[0];
    auto step = [](std::initializer_list<int> keys, std::initializer_list<int> buttons = {}) {
        Tick(0, 0, buttons, keys);
        TickGameState();
    };
    for (int attempt = 0; attempt < 2; ++attempt) {
        p.health = 0;
        step({});
        ASSERT_EQ(p.state, 0);
        int ticks = 1;
        for (; !DeathCameraDone() && ticks < 1000; ++ticks) step({});
        ASSERT_TRUE(DeathCameraDone()) << p.state << " " << p.pos[1] << " " << Program.GameState;
        EXPECT_EQ(ticks, 102) << "the camera rises for 101 ticks";
        for (; ticks < RETRY_WAIT_TICKS; ++ticks) {
            step(ticks % 2 ? std::initializer_list<int>{DIK_RETURN} : std::initializer_list<int>{}, {});
            ASSERT_EQ(p.state, 0) << "before the second is up, at tick " << ticks;
        }
        for (int k : {DIK_SPACE, DIK_UP, DIK_LEFT}) {
            step({k});
            step({});
        }
        EXPECT_EQ(p.state, 0) << "Space and the arrows retry nothing";
        if (attempt == 0)
            step({DIK_RETURN});
        else
            step({}, {JOY_FIRE});
        EXPECT_EQ(p.state, 1) << (attempt == 0 ? "Enter" : "the pad's fire button");
        EXPECT_EQ(p.health, 100);
        step({});
    }
}

TEST_F(Pad, SwitchedOffOrPulledOutItSteersNothing) {
    ExecuteCommand("JOYSTICK");
    ASSERT_EQ(Settings.JoystickOn, 0);
    Tick(0, -100, {JOY_FIRE, JOY_NEXT_WEAPON, JOY_MENU});
    EXPECT_EQ(C().forward + C().fire + Selected() + 1, 0);
    EXPECT_EQ(Menu.Visible, 0);
    EXPECT_EQ(Input.JoyState.lY, -100) << "read and recorded all the same";
    ExecuteCommand("JOYSTICK");
    Tick(0, -100, {JOY_FIRE});
    EXPECT_EQ(C().forward + C().fire, 2) << "switched on again";

    HeadlessSetPad(false);
    TickWithKeys({});
    EXPECT_FALSE(Input.JoystickPresent);
    EXPECT_EQ(Input.JoyState.lY, 0) << "a pad pulled out leaves nothing held";
    EXPECT_EQ(Input.JoyState.rgbButtons[JOY_FIRE], 0);
    EXPECT_EQ(C().forward + C().fire, 0);
    HeadlessSetPad(true);
    Tick(0, 100, {JOY_FIRE});
    EXPECT_TRUE(Input.JoystickPresent) << "and picked up again when it is back";
    EXPECT_EQ(C().back + C().fire, 2);
}

TEST_F(Pad, StartShowsTheMenuWhereTheStickMovesAndFireActivates) {
    WriteFile("items.itm", "MENUITEMS=3\r0=ONE;NADDA;a\r1=TWO;SCRIPT;TOGGLESHADING\r2=THREE;NADDA;b\r");
    LoadMenuItems("items.itm");
    Menu.Visible = 0;
    Program.GameState = GS_PLAYING;
    Tick(0, 0, {JOY_MENU});
    EXPECT_EQ(Menu.Visible, 1);
    Tick(0, 0, {JOY_MENU});
    EXPECT_EQ(Program.GameState, GS_PAUSED);
    EXPECT_EQ(Menu.Visible, 1) << "held Start toggles once";
    Tick(0, 30);
    EXPECT_EQ(Menu.selected, 0) << "a nudge of the stick does not step";
    Menu.Visible = 0;
    Program.GameState = GS_LEVEL_DONE;
    Tick(0, 0, {JOY_MENU});
    EXPECT_EQ(Menu.Visible, 1) << "on the level-complete screen too, as Escape";
    EXPECT_EQ(Program.GameState, GS_LEVEL_DONE) << "Start is no continue key";
    Program.GameState = GS_PAUSED;
    Tick(0, 100);
    Tick(0, 100);
    EXPECT_EQ(Menu.selected, 1) << "one step per push";
    Tick(0, 0);
    Tick(0, 100);
    EXPECT_EQ(Menu.selected, 2);
    Tick(0, -100);
    EXPECT_EQ(Menu.selected, 1);
    uint8_t shading = Settings.SHADING;
    Tick(0, 0, {JOY_FIRE});
    EXPECT_NE(Settings.SHADING, shading) << "fire activated TWO";
    Tick(0, 0, {JOY_FIRE, JOY_MENU});
    EXPECT_EQ(Menu.Visible, 0);
    Tick(0, 0, {JOY_FIRE});
    EXPECT_EQ(Program.GameState, GS_PLAYING);
    EXPECT_EQ(C().fire, 0) << "the fire that worked the menu does not shoot until let go";
    Tick(0, 0);
    Tick(0, 0, {JOY_FIRE});
    EXPECT_EQ(C().fire, 1);
}

TEST_F(Pad, PluggedInAndPulledOutWhileRecordingReplays) {
    // The same world for the recording and its replay: a fresh player in the open, the same seed and clock.
    auto start = [] {
        ResetProgram();
        ResetPlayer();
        World.ExitPoint[0] = World.ExitPoint[1] = 1000;
        Program.GameState = GS_PLAYING;
        Menu.Visible = 0;
        Settings.MOUSELOOK = 1;  // the left stick strafes, the right one turns
        SeedRandom(7);
        HeadlessSetClock(20000);
        ResetTimers();
    };
    HeadlessSetPad(false);
    start();
    ASSERT_TRUE(DemoRecordStart("pad.zdemo"));
    for (int pass = 0; pass < 240; ++pass) {
        if (pass == 40) HeadlessSetPad(true);
        if (pass == 160) HeadlessSetPad(false);
        HeadlessPadStick(pass % 50 < 30 ? 80 : 0, -100, pass % 60 < 20 ? -90 : 0);
        HeadlessPadButton(JOY_FIRE, pass % 20 < 4);
        HeadlessAdvanceClock(3);
        RunTimers();
    }
    const float moved[2] = {World.ObjectTable[0].pos[0], World.ObjectTable[0].pos[2]};
    const int32_t heading = World.ObjectTable[0].angles[1];
    EXPECT_TRUE(moved[0] != 0 || moved[1] != 0) << "the pad walked the player";
    EXPECT_NE(heading, 0);
    DemoRecordFinish();
    std::string demo = ReadFile("pad.zdemo");
    size_t plugged = demo.find("\njoystick 1\n"), pulled = demo.find("\njoystick 0\n", demo.find("\nseed "));
    EXPECT_NE(demo.find("\njoystick 0\nseed "), std::string::npos) << "no pad at the start";
    ASSERT_NE(plugged, std::string::npos);
    ASSERT_NE(pulled, std::string::npos);
    EXPECT_LT(plugged, pulled);
    EXPECT_NE(demo.find(" -90\n"), std::string::npos) << "the right stick's turn is recorded";

    start();
    char err[256] = "";
    ASSERT_TRUE(DemoPlayStart("pad.zdemo", DemoPlayOptions{}, err, sizeof err)) << err;
    size_t passes = 0;
    for (size_t at = demo.find("\npass "); at != std::string::npos; at = demo.find("\npass ", at + 1)) ++passes;
    for (size_t i = 0; i < passes; ++i) {
        DemoPlaybackBeginPass();
        RunTimers();
    }
    DemoPlaybackFinish();
    char report[400];
    EXPECT_EQ(DemoPlaybackResult(report, sizeof report), DEMO_MATCH) << report;
    EXPECT_EQ(World.ObjectTable[0].pos[0], moved[0]);
    EXPECT_EQ(World.ObjectTable[0].angles[1], heading);
    EXPECT_FALSE(Input.JoystickPresent) << "the replayed pad went where the recorded one did";
    DemoPlayStop();
    EXPECT_FALSE(DemoPlaying());
}

}  // namespace
