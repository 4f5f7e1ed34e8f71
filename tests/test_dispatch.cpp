// Per-tick dispatch and the main loop's timers on the virtual clock.
#include <gtest/gtest.h>

#include "app/app.h"
#include "core/print.h"
#include "app/dispatch.h"
#include "app/settings.h"
#include "console/console.h"
#include "defs/menu.h"
#include "game/world.h"
#include "game/animation.h"
#include "input/input.h"
#include "platform/headless/headless.h"
#include "render/video.h"
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
    World.MouseLook = 0;
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

}  // namespace
