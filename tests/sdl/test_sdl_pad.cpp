// The real backend's pad: SDL's virtual joystick driver plugs devices in and out under the dummy video
// driver, and the input snapshots must follow through the platform's event pump.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "input/input.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_virtual_pad.h"
#include "support/scratch.h"

namespace {

class SdlPad : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        char err[256] = "";
        windowOpen = PlatformOpenWindow("pad test", err, sizeof err);
        if (!windowOpen) fprintf(stderr, "no dummy window: %s\n", err);
    }
    static void TearDownTestSuite() {
        if (windowOpen) PlatformCloseWindow();
    }
    void SetUp() override {
        ASSERT_TRUE(windowOpen);
        ASSERT_EQ(InputInit(), 1);
        if (Input.JoystickPresent) GTEST_SKIP() << "a real pad is plugged into this machine";
    }
    void TearDown() override {
        VirtualPadDetach();
        InputShutdown();
    }
    // A read through the event pump, as a tick of the game does.
    static const JoystickRecord& Read() {
        InputRead();
        return Input.JoyState;
    }
    void Attach(VirtualPadKind kind) {
        char err[256] = "";
        ASSERT_TRUE(VirtualPadAttach(kind, err, sizeof err)) << "SDL's virtual joystick: " << err;
    }

    static bool windowOpen;
    ScratchDir dir;  // the data directory, where gamecontrollerdb.txt is looked for
};
bool SdlPad::windowOpen = false;

TEST_F(SdlPad, ControllerPluggedInSteersAndFiresAndPulledOutIsDropped) {
    Read();
    EXPECT_FALSE(Input.JoystickPresent);
    Attach(VPAD_CONTROLLER);
    VirtualPadStick(32767, -32768);
    VirtualPadPress(VPAD_SOUTH, true);
    const JoystickRecord& j = Read();
    ASSERT_TRUE(Input.JoystickPresent) << "picked up without a restart";
    EXPECT_EQ(j.lX, 100);
    EXPECT_EQ(j.lY, -100) << "stick up reads as negative y";
    EXPECT_EQ(j.lRx, 0);
    EXPECT_EQ(j.rgbButtons[JOY_FIRE], 0x80);
    EXPECT_TRUE(JoyButtonPressed(JOY_FIRE));

    // Inside the dead zone (a fifth of the throw) the d-pad speaks; outside it the stick does.
    VirtualPadStick(6000, -6000);
    VirtualPadPress(VPAD_SOUTH, false);
    VirtualPadPress(VPAD_DPAD_LEFT, true);
    VirtualPadPress(VPAD_DPAD_DOWN, true);
    Read();
    EXPECT_EQ(j.lX, -100);
    EXPECT_EQ(j.lY, 100);
    EXPECT_EQ(j.rgbButtons[JOY_FIRE], 0);
    VirtualPadStick(20000, 0);
    Read();
    EXPECT_GT(j.lX, 0) << "the stick outside the dead zone wins over the d-pad";
    EXPECT_LT(j.lX, 100);
    EXPECT_EQ(j.lY, 100);

    // The right stick across turns; the right trigger fires past half way; the shoulders and Start
    // have their own indexes.
    VirtualPadPress(VPAD_DPAD_LEFT, false);
    VirtualPadPress(VPAD_DPAD_DOWN, false);
    VirtualPadStick(0, 0);
    VirtualPadRightStick(-32768);
    VirtualPadTrigger(12000);
    Read();
    EXPECT_EQ(j.lX, 0);
    EXPECT_EQ(j.lRx, -100);
    EXPECT_EQ(j.rgbButtons[JOY_FIRE], 0) << "a light touch of the trigger";
    VirtualPadTrigger(30000);
    VirtualPadPress(VPAD_RIGHT_SHOULDER, true);
    VirtualPadPress(VPAD_START, true);
    Read();
    EXPECT_EQ(j.rgbButtons[JOY_FIRE], 0x80);
    EXPECT_EQ(j.rgbButtons[JOY_NEXT_WEAPON], 0x80);
    EXPECT_EQ(j.rgbButtons[JOY_PREV_WEAPON], 0);
    EXPECT_EQ(j.rgbButtons[JOY_MENU], 0x80);
    VirtualPadPress(VPAD_RIGHT_SHOULDER, false);
    VirtualPadPress(VPAD_LEFT_SHOULDER, true);
    Read();
    EXPECT_EQ(j.rgbButtons[JOY_NEXT_WEAPON], 0);
    EXPECT_EQ(j.rgbButtons[JOY_PREV_WEAPON], 0x80);

    VirtualPadDetach();
    Read();
    EXPECT_FALSE(Input.JoystickPresent);
    EXPECT_EQ(j.rgbButtons[JOY_FIRE], 0) << "a pad pulled out holds nothing";
    EXPECT_EQ(Input.PrevJoyState.rgbButtons[JOY_FIRE], 0);
    int32_t x = 7, y = 7, turn = 7;
    uint8_t buttons[32] = {};
    EXPECT_FALSE(PlatformReadJoystick(&x, &y, &turn, buttons));

    // And a second one plugged in later is taken as well.
    Attach(VPAD_CONTROLLER);
    VirtualPadStick(-32768, 0);
    Read();
    EXPECT_TRUE(Input.JoystickPresent);
    EXPECT_EQ(j.lX, -100);
}

TEST_F(SdlPad, UnmappedJoystickTurnsWithItsStickAndGivesItsHatAndButtons) {
    Attach(VPAD_RAW);
    VirtualPadStick(0, 32767);
    VirtualPadRawHat(8);  // left
    VirtualPadRawButton(0, true);
    VirtualPadRawButton(3, true);
    const JoystickRecord& j = Read();
    ASSERT_TRUE(Input.JoystickPresent);
    EXPECT_EQ(j.lRx, -100) << "the hat as the d-pad; across, it turns";
    EXPECT_EQ(j.lX, 0) << "which axis would strafe is not known";
    EXPECT_EQ(j.lY, 100);
    EXPECT_EQ(j.rgbButtons[JOY_FIRE], 0x80);
    EXPECT_EQ(j.rgbButtons[1], 0);
    EXPECT_EQ(j.rgbButtons[JOY_MENU], 0x80) << "its button 3 at index 3";
}

TEST_F(SdlPad, MappingFileOfTheDataDirectoryIsReadAndItsBadLinesSkipped) {
    // The raw device's GUID, then a database that maps it (raw button 3 as south, 0 as Start) among lines
    // no mapping reader should choke on.
    Attach(VPAD_RAW);
    char guid[64] = "";
    ASSERT_TRUE(VirtualPadMappingGuid(guid, sizeof guid));
    VirtualPadDetach();
    std::string db = "# a comment\n\xff\xfe,,,\n" + std::string(guid) + "\n" + std::string(guid) + ",,a:b99999,:,::\n" +
                     std::string(20000, 'x') + "\n,,,,,\n" + std::string(guid) +
                     ",virtual raw joystick,a:b3,start:b0,leftx:a0,lefty:a1,platform:Linux,\n";
    WriteFile("gamecontrollerdb.txt", db);
    InputShutdown();
    ASSERT_EQ(InputInit(), 1);

    Attach(VPAD_RAW);
    VirtualPadRawButton(3, true);
    const JoystickRecord& j = Read();
    ASSERT_TRUE(Input.JoystickPresent);
    EXPECT_EQ(j.rgbButtons[JOY_FIRE], 0x80) << "read as a game controller by the file's mapping";
    EXPECT_EQ(j.rgbButtons[3], 0);
    VirtualPadRawButton(3, false);
    VirtualPadRawButton(0, true);
    Read();
    EXPECT_EQ(j.rgbButtons[JOY_MENU], 0x80);
    EXPECT_EQ(j.rgbButtons[JOY_FIRE], 0);
}

}  // namespace
