// Settings validation and defaults, the event log's format and its only-if-it-exists rule; where the data
// folder is found and where the game writes; the player's own settings file over the data folder's.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "app/app.h"
#include "app/commands.h"
#include "app/datadir.h"
#include "app/settings.h"
#include "console/console.h"
#include "core/paths.h"
#include "core/print.h"
#include "defs/definition.h"
#include "platform/dik.h"
#include "platform/headless/headless.h"
#include "render/render.h"
#include "support/readme.h"
#include "test_util.h"

namespace {

void ReadConfig(const std::string& text) {
    Settings.SCREENX = 640;
    Settings.SCREENY = 480;
    Settings.SCREENBPP = 8;
    Settings.SOUNDVOL = Settings.MUSICVOL = 80;
    WriteFile("config.ini", text);
    ReadSettings();
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

// SCREENSIZE and FRAMERATE: a size of its own, the display's or the window's, and frames at a rate of
// their own or the display's; each classic when absent, and classic with one line when it cannot be.
TEST_F(SettingsTest, ScreenSizeAndFrameRateBeyondTheClassicOnes) {
    ReadConfig("SCREENX=800\rSCREENY=600\r");
    EXPECT_EQ(Settings.SCREENSIZE, SCREENSIZE_CLASSIC);
    EXPECT_EQ(Settings.FRAMERATE, FRAMERATE_CLASSIC);
    EXPECT_EQ(Settings.NEARCLIP, 0);
    ReadConfig("SCREENX=800\rSCREENY=600\rSCREENSIZE=1920x1080\rFRAMERATE=144\rNEARCLIP=1\r");
    EXPECT_EQ(Settings.SCREENX, 1920) << "the size replaces the classic ones";
    EXPECT_EQ(Settings.SCREENY, 1080);
    EXPECT_EQ(Settings.FRAMERATE, 144);
    EXPECT_EQ(Settings.NEARCLIP, 1);
    const SettingDef& size = *FindSetting("SCREENSIZE");
    EXPECT_EQ(SettingValueText(Settings, size), "1920x1080") << "kept as text a menu can show";
    ReadConfig("SCREENSIZE=641X481\r");
    EXPECT_EQ(Settings.SCREENX, 641);
    EXPECT_EQ(Settings.SCREENY, 481);
    ReadConfig("SCREENSIZE=7680x4320\r");
    EXPECT_EQ(Settings.SCREENX * Settings.SCREENY, 7680 * 4320);
    // Sizes order as the record keeps them, so that a menu can step through them.
    EXPECT_LT(ScreenSizeValue(1280, 720), ScreenSizeValue(1280, 1024));
    EXPECT_LT(ScreenSizeValue(1280, 1024), ScreenSizeValue(1920, 1080));
    EXPECT_GT(ScreenSizeValue(640, 480), SCREENSIZE_WINDOW);

    // Outside the range, or no size at all: one line, and the classic sizes.
    for (const char* bad : {"8000x4320", "639x480", "1920x4321", "99999999999x1"}) {
        ReadConfig(std::string("SCREENX=1024\rSCREENY=768\rSCREENSIZE=") + bad + "\r");
        EXPECT_EQ(Settings.SCREENSIZE, SCREENSIZE_CLASSIC) << bad;
        EXPECT_EQ(Settings.SCREENX, 1024) << bad;
        EXPECT_EQ(Settings.SCREENY, 768) << bad;
        EXPECT_EQ(ConsoleText(53),
                  std::string("SCREENSIZE=") + bad + " is outside 640x480..7680x4320: CLASSIC is used");
    }
    ReadConfig("SCREENSIZE=HUGE\r");
    EXPECT_EQ(ConsoleText(53), "SCREENSIZE=HUGE is not CLASSIC, DESKTOP, WINDOW or a size WxH: CLASSIC is used");
    ReadConfig("SCREENSIZE=1920x\r");
    EXPECT_EQ(Settings.SCREENSIZE, SCREENSIZE_CLASSIC);
    ReadConfig("FRAMERATE=10\r");
    EXPECT_EQ(Settings.FRAMERATE, 30);
    EXPECT_EQ(ConsoleText(53), "FRAMERATE: 10 is outside 30..500, 30 is used");
    ReadConfig("FRAMERATE=classic\r");
    EXPECT_EQ(Settings.FRAMERATE, FRAMERATE_CLASSIC);

    // The runner has no display: the display's size and rate leave the classic ones, silently.
    uint32_t printed = Console.ConsolePrintCount;
    ReadConfig("SCREENX=800\rSCREENY=600\r");
    const uint32_t plain = Console.ConsolePrintCount - printed;
    printed = Console.ConsolePrintCount;
    ReadConfig("SCREENX=800\rSCREENY=600\rSCREENSIZE=DESKTOP\rFRAMERATE=DISPLAY\r");
    EXPECT_EQ(Settings.SCREENX, 800);
    EXPECT_EQ(Settings.SCREENSIZE, SCREENSIZE_CLASSIC);
    EXPECT_EQ(Settings.FRAMERATE, FRAMERATE_CLASSIC);
    EXPECT_EQ(Console.ConsolePrintCount - printed, plain);
    // A display of 2560 x 1440 at 144 Hz; one that does not say its rate runs at 60; rates are held to 30..500.
    HeadlessSetDisplay(2560, 1440, 144);
    ReadConfig("SCREENSIZE=desktop\rFRAMERATE=DISPLAY\r");
    EXPECT_EQ(Settings.SCREENX, 2560);
    EXPECT_EQ(Settings.SCREENY, 1440);
    EXPECT_EQ(Settings.SCREENSIZE, SCREENSIZE_DESKTOP);
    EXPECT_EQ(Settings.FRAMERATE, 144) << "the rate in use, as recordings carry it";
    HeadlessSetDisplay(2560, 1440, 0);
    ReadConfig("FRAMERATE=DISPLAY\r");
    EXPECT_EQ(Settings.FRAMERATE, 60);
    HeadlessSetDisplay(2560, 1440, 1000);
    ReadConfig("FRAMERATE=DISPLAY\r");
    EXPECT_EQ(Settings.FRAMERATE, 500);
    HeadlessSetDisplay(320, 200, 60);
    ReadConfig("SCREENX=800\rSCREENY=600\rSCREENSIZE=DESKTOP\r");
    EXPECT_EQ(Settings.SCREENX, 800);
    EXPECT_EQ(ConsoleText(53), "SCREENSIZE=DESKTOP is 320x200, outside 640x480..7680x4320: the classic sizes are used");

    // The window's size: full screen it covers the display; a window starts at SCREENX x SCREENY.
    HeadlessSetDisplay(1920, 1200, 60);
    ReadConfig("SCREENSIZE=WINDOW\rSCREENX=1024\rSCREENY=768\r");
    ApplyStartupOptions(true);
    EXPECT_EQ(Settings.SCREENX, 1024);
    ApplyStartupOptions(false);
    EXPECT_EQ(Settings.SCREENX, 1920);
    EXPECT_EQ(Settings.SCREENY, 1200);
}

// The size in use is not the player's SCREENX: while SCREENSIZE gives it, his lines for them stay as he
// wrote them; a classic size chosen in play (RES) is saved with SCREENSIZE=CLASSIC, and wins next time.
TEST_F(SettingsTest, TheSizeInUseIsNotSavedOverThePlayersOwn) {
    HeadlessSetDisplay(1920, 1080, 60);
    WriteFile("config.ini", "SCREENSIZE=DESKTOP\rSCREENX=640\rSCREENY=480\r");
    WriteFile("user.ini", "SCREENX=800\n");
    ReadSettings();
    ReadUserSettings("user.ini");
    EXPECT_EQ(Settings.SCREENX, 1920);
    Settings.SOUNDVOL = 40;
    ASSERT_TRUE(SaveUserSettings());
    EXPECT_EQ(ReadFile("user.ini"), "SCREENX=800\nSOUNDVOL=40\n");
    Program.GameState = GS_MENU;
    EXPECT_EQ(ExecuteCommand("RES 800 600"), CMD_ACCEPTED);
    EXPECT_EQ(Settings.SCREENX, 800);
    EXPECT_EQ(Settings.SCREENSIZE, SCREENSIZE_CLASSIC);
    EXPECT_EQ(ReadFile("user.ini"), "SCREENX=800\nSOUNDVOL=40\nSCREENY=600\nSCREENSIZE=CLASSIC\n");
    ReadSettings();
    ReadUserSettings("user.ini");
    EXPECT_EQ(Settings.SCREENX, 800);
    EXPECT_EQ(Settings.SCREENY, 600);
    // INCRES and DECRES know the classic sizes only.
    HeadlessSetDisplay(1920, 1080, 60);
    WriteFile("user.ini", "");
    ReadSettings();
    ReadUserSettings("user.ini");
    EXPECT_EQ(ExecuteCommand("INCRES"), CMD_UNKNOWN);
    EXPECT_EQ(ExecuteCommand("DECRES"), CMD_UNKNOWN);
    EXPECT_EQ(Settings.SCREENX, 1920);
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

TEST_F(SettingsTest, DataFolderAndWhereTheGameWrites) {
    const std::string root = dir.path();
    DataDirectory d;
    std::string why;
    // Nothing here and nothing installed.
    EXPECT_FALSE(FindDataDirectory(nullptr, (root + "/nowhere/bin/zarvo").c_str(), &d, &why));
    EXPECT_NE(why.find("use --data FOLDER"), std::string::npos) << why;
    // Installed beside the program: found, and never written to.
    for (const char* d : {"prefix", "prefix/bin", "prefix/share", "prefix/share/zarvo", "mine", "ro"})
        ASSERT_EQ(mkdir(d, 0755), 0) << d;
    WriteFile("prefix/share/zarvo/config.ini", "START=start.mnu\r");
    WriteFile("prefix/bin/zarvo", "");
    ASSERT_TRUE(FindDataDirectory(nullptr, (root + "/prefix/bin/zarvo").c_str(), &d, &why)) << why;
    EXPECT_EQ(d.path, root + "/prefix/share/zarvo");
    EXPECT_TRUE(d.installed);
    EXPECT_FALSE(d.writable);
    // The working directory with a config.ini comes before the installed game; --data before both.
    WriteFile("config.ini", "START=start.mnu\r");
    ASSERT_TRUE(FindDataDirectory(nullptr, (root + "/prefix/bin/zarvo").c_str(), &d, &why));
    EXPECT_EQ(d.path, root);
    EXPECT_TRUE(d.writable && !d.installed);
    WriteFile("mine/config.ini", "START=start.mnu\r");
    ASSERT_TRUE(FindDataDirectory("mine", nullptr, &d, &why));
    EXPECT_EQ(d.path, root + "/mine");
    EXPECT_FALSE(FindDataDirectory("prefix", nullptr, &d, &why)) << "a --data folder without config.ini";
    EXPECT_NE(why.find("prefix holds no config.ini"), std::string::npos) << why;

    // A read-only folder: the game plays there and writes into the player's data folder instead.
    WriteFile("ro/config.ini", "START=start.mnu\r");
    ASSERT_EQ(chmod("ro", 0555), 0);
    setenv("XDG_DATA_HOME", (root + "/xdg").c_str(), 1);
    ASSERT_TRUE(FindDataDirectory("ro", nullptr, &d, &why));
    EXPECT_FALSE(d.writable);
    ASSERT_TRUE(EnterDataDirectory(d, &why)) << why;
    EXPECT_EQ(std::string(WriteDirectory()), root + "/xdg/zarvo/");
    char path[256];
    ASSERT_TRUE(WritePath(path, sizeof path, "error.txt"));
    EXPECT_EQ(std::string(path), root + "/xdg/zarvo/error.txt");
    EXPECT_FALSE(WritePath(path, 8, "error.txt")) << "a path that does not fit is refused, not cut";
    ASSERT_EQ(chdir(root.c_str()), 0);
    ASSERT_EQ(chmod("ro", 0755), 0);
    SetWriteDirectory(nullptr);
    EXPECT_FALSE(WritePath(path, sizeof path, "error.txt")) << "nowhere to write";
    SetWriteDirectory("");
    unsetenv("XDG_DATA_HOME");
}

TEST_F(SettingsTest, PlayersOwnFileOverridesKeyByKeyAndKeepsWhatHeWrote) {
    const std::string data = "SOUNDVOL=80\rMUSICVOL=80\rSTART=start.mnu\rSOLIDWALLS=1\r";
    WriteFile("config.ini", data);
    // Written on Linux: LF line ends, a comment, a binding of two keys, a rule turned off.
    WriteFile("user.ini", "MUSICVOL=30\n// my keys\nBIND_FORWARD=W;UP\nSOLIDWALLS=0\nMOUSESENS=5000\n");
    ReadSettings();
    ReadUserSettings("user.ini");
    EXPECT_EQ(Settings.SOUNDVOL, 80);
    EXPECT_EQ(Settings.MUSICVOL, 30);
    EXPECT_EQ(Settings.SOLIDWALLS, 0);
    EXPECT_EQ(BoundKey(Settings.BIND_FORWARD, 0), DIK_W);
    EXPECT_EQ(BoundKey(Settings.BIND_FORWARD, 1), DIK_UP);
    EXPECT_EQ(Settings.MOUSESENS, 1000);
    EXPECT_TRUE(ConsoleShows("MOUSESENS: 5000 is outside 10..1000, 1000 is used"));

    // A change while playing is saved into the player's file; the data folder's file stays as it was.
    Settings.SOUNDVOL = 50;
    Settings.SHADING = 0;
    ASSERT_TRUE(SaveUserSettings());
    EXPECT_EQ(ReadFile("config.ini"), data);
    EXPECT_EQ(ReadFile("user.ini"),
              "MUSICVOL=30\n// my keys\nBIND_FORWARD=W;UP\nSOLIDWALLS=0\nMOUSESENS=1000\n"
              "SOUNDVOL=50\nSHADING=0\n")
        << "his keys where he wrote them (a saved one as it is used), new ones at the end, every line ending as "
           "his do";
    // Back to the data folder's value: the key leaves the player's file.
    Settings.SOUNDVOL = 80;
    Settings.SHADING = 1;
    ASSERT_TRUE(SaveUserSettings());
    EXPECT_EQ(ReadFile("user.ini"), "MUSICVOL=30\n// my keys\nBIND_FORWARD=W;UP\nSOLIDWALLS=0\nMOUSESENS=1000\n");
    // Each line keeps its own end (written on two systems), a last line without one stays so.
    WriteFile("user.ini", "MUSICVOL=30\r\n// mine\nSOUNDVOL=70");
    ReadSettings();
    ReadUserSettings("user.ini");
    Settings.MUSICVOL = 40;
    ASSERT_TRUE(SaveUserSettings());
    EXPECT_EQ(ReadFile("user.ini"), "MUSICVOL=40\r\n// mine\nSOUNDVOL=70");
    Settings.SHADING = 0;
    ASSERT_TRUE(SaveUserSettings());
    EXPECT_EQ(ReadFile("user.ini"), "MUSICVOL=40\r\n// mine\nSOUNDVOL=70\nSHADING=0\n");
    ResetRenderSwitches();

    // A damaged file is ignored whole, with one line; a missing one is no damage.
    ResetProgram();
    ReadSettings();
    WriteFile("user.ini", std::string("MUSICVOL=10\n\0\x01garbage\n", 23));
    ReadUserSettings("user.ini");
    EXPECT_EQ(Settings.MUSICVOL, 80);
    EXPECT_TRUE(
        ConsoleShows("Ignoring your settings in user.ini: it holds control bytes (line 2); the file is left "
                     "as it is"));
    WriteFile("user.ini", "MUSICVOL=10\nthis line has no value\n");
    ReadUserSettings("user.ini");
    EXPECT_EQ(Settings.MUSICVOL, 80);
    EXPECT_TRUE(
        ConsoleShows("Ignoring your settings in user.ini: line 2 holds no KEY=VALUE; the file is left as it is"));
    Settings.SOUNDVOL = 20;
    EXPECT_FALSE(SaveUserSettings());
    EXPECT_EQ(ReadFile("user.ini"), "MUSICVOL=10\nthis line has no value\n") << "not saved over";
    Settings.SOUNDVOL = 80;
    ReadUserSettings("absent.ini");
    EXPECT_FALSE(SaveUserSettings() && FileExists("absent.ini")) << "nothing changed: no file is made";

    // Bindings: a key with a job of its own and a name that is no key are refused, each with a line.
    WriteFile("user.ini", "BIND_FIRE=RETURN;LCONTROL\nBIND_BACK=NOSUCHKEY\n");
    ReadUserSettings("user.ini");
    EXPECT_EQ(BoundKey(Settings.BIND_FIRE, 0), DIK_LCONTROL);
    EXPECT_EQ(BoundKey(Settings.BIND_FIRE, 1), 0);
    EXPECT_EQ(Settings.BIND_BACK, 0);
    EXPECT_TRUE(ConsoleShows("BIND_FIRE: RETURN keeps its own job (console, menu, screenshot, map); not bound"));
    EXPECT_TRUE(ConsoleShows("BIND_BACK: there is no key named NOSUCHKEY"));

    // The scripted runner's case: no file at all, nothing is read or written.
    ReadUserSettings("");
    Settings.SOUNDVOL = 10;
    EXPECT_FALSE(SaveUserSettings());
}

TEST_F(SettingsTest, TheConsolesCommandsAreKeptAcrossRuns) {
    // What the console could have typed comes back, in order; anything else is passed over.
    WriteFile("history.txt", "FPS\nLOAD LEVEL1.LVL\nlower case\n" + std::string(300, 'A') + "\nMENU\n");
    ReadCommandHistory("history.txt");
    ASSERT_EQ(Console.RecalledCount, 3);
    EXPECT_STREQ(Console.Recalled[0], "FPS");
    EXPECT_STREQ(Console.Recalled[2], "MENU");
    ConsoleRemember("HELP");
    SaveCommandHistory();
    EXPECT_EQ(ReadFile("history.txt"), "FPS\nLOAD LEVEL1.LVL\nMENU\nHELP\n");
    // Nowhere to keep them (the runner, a replay): nothing is written.
    ReadCommandHistory("");
    ConsoleRemember("END");
    SaveCommandHistory();
    EXPECT_EQ(ReadFile("history.txt"), "FPS\nLOAD LEVEL1.LVL\nMENU\nHELP\n");
}

TEST_F(SettingsTest, EveryKeyIsListedOnceAndTheReadmeSaysWhatTheRegistrySays) {
    // --list-settings: one line a key, in the registry's order, with the default the key has when absent.
    const std::string list = ListSettings();
    std::vector<std::string> lines;
    for (size_t at = 0; at < list.size();) {
        const size_t end = list.find('\n', at);
        lines.push_back(list.substr(at, end - at));
        at = end + 1;
    }
    ASSERT_EQ(int(lines.size()), kSettingCount);
    // The README's table of every setting holds the same rows, and every key any settings table of the
    // README names is one the game reads.
    const auto rows = ReadmeTableRows("key");
    std::vector<std::string> listed;
    for (const auto& row : rows) {
        for (const std::string& word : BacktickedWords(row[0])) {
            if (word.empty() || word[0] < 'A' || word[0] > 'Z') continue;  // a value ("`AUTOMAP=1` or `2`")
            const std::string key = word.substr(0, word.find('='));
            EXPECT_NE(FindSetting(key.c_str()), nullptr)
                << "the README names " << key << ", which the game never reads";
        }
        if (row.size() == 5)
            listed.push_back(row[0].substr(1, row[0].size() - 2) + "=" + row[1] + "\t" + row[2] + "\t" + row[3] + "\t" +
                             row[4]);
    }
    EXPECT_EQ(listed, lines) << "README's table of every setting and zarvo --list-settings differ";
    // Each key's default is what a config.ini without it gives.
    WriteFile("config.ini", "\r");
    Settings.SOUNDVOL = 3;
    Settings.HUNTERS = 1;
    ReadSettings();
    for (int i = 0; i < kSettingCount; ++i) {
        const SettingDef& d = kSettings[i];
        const std::string line = lines[size_t(i)];
        EXPECT_EQ(line.substr(0, line.find('\t')), std::string(d.name) + "=" + SettingValueText(Settings, d));
    }
}

}  // namespace
