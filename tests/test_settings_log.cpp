// Settings validation and defaults, the event log's format and its only-if-it-exists rule.
#include <gtest/gtest.h>

#include <string>

#include "app/app.h"
#include "core/print.h"
#include "app/settings.h"
#include "defs/definition.h"
#include "platform/headless/headless.h"
#include "test_util.h"

namespace {

void ReadConfig(const std::string& text) {
    Settings.SCREENX = 640;
    Settings.SCREENY = 480;
    Settings.SCREENBPP = 8;
    Settings.SOUNDVOL = Settings.MUSICVOL = 80;
    WriteFile("config.ini", text);
    ReadSettings();
    ReadStartMenuName();
}

class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetProgram(); }
    ScratchDir dir;
};

TEST_F(SettingsTest, ScreenSizeValidationAndDefaults) {
    ReadConfig("SCREENX=1024\r");
    EXPECT_EQ(Settings.SCREENX, 1024);
    EXPECT_EQ(Settings.SCREENY, 480) << "widths and heights are checked each on their own";
    ReadConfig("SCREENX=1280\rSCREENY=1024\r");
    EXPECT_EQ(Settings.SCREENX, 640);
    EXPECT_EQ(Settings.SCREENY, 480);
    ReadConfig("SCREENX=800\rSCREENY=500\r");
    EXPECT_EQ(Settings.SCREENX, 640);
    EXPECT_EQ(Settings.SCREENY, 480);
    ReadConfig("SCREENX=800\rSCREENY=600\rSCREENBPP=32\rSOUNDVOL=0\r");
    EXPECT_EQ(Settings.SCREENX, 800);
    EXPECT_EQ(Settings.SCREENY, 600);
    EXPECT_EQ(Settings.SCREENBPP, 8);
    EXPECT_EQ(Settings.SOUNDVOL, 0);
    EXPECT_EQ(Settings.MUSICVOL, 80);
    EXPECT_STREQ(Settings.StartMenuFile, "") << "no START gives an empty name";
}

TEST_F(SettingsTest, ScalingKeys) {
    ReadConfig("SCREENX=800\r");
    EXPECT_EQ(Settings.SCALING, 0) << "fit when absent";
    EXPECT_EQ(Settings.SCALEVIEW, 0);
    ReadConfig("SCALING=integer\rSCALEVIEW=1\r");
    EXPECT_EQ(Settings.SCALING, 1);
    EXPECT_EQ(Settings.SCALEVIEW, 1);
    ReadConfig("SCALING=fit\r");
    EXPECT_EQ(Settings.SCALING, 0);
    ReadConfig("SCALING=integer\r");
    ReadConfig("SCALING=" + std::string(100, 'z') + "\r");
    EXPECT_EQ(Settings.SCALING, 0) << "an unknown value is fit";
    EXPECT_EQ(ConsoleText(53), "SCALING=" + std::string(40, 'z') + " is not fit or integer: fit is used");
}

TEST_F(SettingsTest, HostileConfigFiles) {
    ReadConfig("START=" + std::string(240, 'm') + "\r");
    EXPECT_EQ(std::string(Settings.StartMenuFile), std::string(71, 'm')) << "the name is bounded to 71 characters";
    std::string junk;
    for (int i = 0; i < 5000; ++i) junk += char((i * 7919 + 13) % 256);
    ReadConfig(junk);
    EXPECT_TRUE(Settings.SCREENX == 640 || Settings.SCREENX == 800 || Settings.SCREENX == 1024);
    EXPECT_TRUE(Settings.SCREENY == 480 || Settings.SCREENY == 600 || Settings.SCREENY == 768);
    ReadConfig(std::string(1000, 'A') + "=1\rSCREENX=800\rSCREENY=600\r");
    EXPECT_EQ(Settings.SCREENX, 800);
    ReadConfig("SCREENX=800\nSCREENY=600\nSTART=x\n");
    EXPECT_EQ(Settings.SCREENX, 640) << "LF-only files define nothing";
    EXPECT_STREQ(Settings.StartMenuFile, "");
    ReadConfig("SCREENX=99999999999999999999\rSOUNDVOL=-5\r");
    EXPECT_EQ(Settings.SCREENX, 640);
}

TEST_F(SettingsTest, LogOnlyWhenPresentWithItsRecords) {
    LogEvent("nothing");
    EXPECT_FALSE(FileExists("error.txt")) << "the log is never created";
    WriteFile("error.txt", "");
    HeadlessSetClock(10000);
    SetLogStartTime(9000);
    LogEvent("first");
    HeadlessSetClock(12345);
    LogEvent("second");
    EXPECT_EQ(ReadFile("error.txt"), "[first] (1000ms)\r\n[second] (3345ms)\r\n");
}

}  // namespace
