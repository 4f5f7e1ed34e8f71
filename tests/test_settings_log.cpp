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
    SCREENX = 640;
    SCREENY = 480;
    SCREENBPP = 8;
    SOUNDVOL = MUSICVOL = 80;
    WriteFile("config.ini", text);
    ReadSettings();
    ReadStartMenuName();
}

class Settings : public ::testing::Test {
  protected:
    void SetUp() override { ResetProgram(); }
    ScratchDir dir;
};

TEST_F(Settings, ScreenSizeValidationAndDefaults) {
    ReadConfig("SCREENX=1024\r");
    EXPECT_EQ(SCREENX, 1024);
    EXPECT_EQ(SCREENY, 480) << "widths and heights are checked each on their own";
    ReadConfig("SCREENX=1280\rSCREENY=1024\r");
    EXPECT_EQ(SCREENX, 640);
    EXPECT_EQ(SCREENY, 480);
    ReadConfig("SCREENX=800\rSCREENY=500\r");
    EXPECT_EQ(SCREENX, 640);
    EXPECT_EQ(SCREENY, 480);
    ReadConfig("SCREENX=800\rSCREENY=600\rSCREENBPP=32\rSOUNDVOL=0\r");
    EXPECT_EQ(SCREENX, 800);
    EXPECT_EQ(SCREENY, 600);
    EXPECT_EQ(SCREENBPP, 8);
    EXPECT_EQ(SOUNDVOL, 0);
    EXPECT_EQ(MUSICVOL, 80);
    EXPECT_STREQ(StartMenuFile, "") << "no START gives an empty name";
}

TEST_F(Settings, HostileConfigFiles) {
    ReadConfig("START=" + std::string(240, 'm') + "\r");
    EXPECT_EQ(std::string(StartMenuFile), std::string(71, 'm')) << "the name is bounded to 71 characters";
    std::string junk;
    for (int i = 0; i < 5000; ++i) junk += char((i * 7919 + 13) % 256);
    ReadConfig(junk);
    EXPECT_TRUE(SCREENX == 640 || SCREENX == 800 || SCREENX == 1024);
    EXPECT_TRUE(SCREENY == 480 || SCREENY == 600 || SCREENY == 768);
    ReadConfig(std::string(1000, 'A') + "=1\rSCREENX=800\rSCREENY=600\r");
    EXPECT_EQ(SCREENX, 800);
    ReadConfig("SCREENX=800\nSCREENY=600\nSTART=x\n");
    EXPECT_EQ(SCREENX, 640) << "LF-only files define nothing";
    EXPECT_STREQ(StartMenuFile, "");
    ReadConfig("SCREENX=99999999999999999999\rSOUNDVOL=-5\r");
    EXPECT_EQ(SCREENX, 640);
}

TEST_F(Settings, LogOnlyWhenPresentWithItsRecords) {
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
