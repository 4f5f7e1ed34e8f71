// Console commands, menu layout and navigation with their sounds, and the animation advance.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/commands.h"
#include "app/dispatch.h"
#include "app/menu_input.h"
#include "app/settings.h"
#include "audio/sound.h"
#include "console/console.h"
#include "defs/menu.h"
#include "defs/sounds.h"
#include "game/animation.h"
#include "game/world.h"
#include "input/input.h"
#include "render/passes.h"
#include "render/video.h"
#include "support/dxf.h"
#include "support/readme.h"
#include "support/wav.h"
#include "test_util.h"

namespace {

class Commands : public ::testing::Test {
  protected:
    void SetUp() override { ResetProgram(); }
    void TearDown() override { ResetProgram(); }  // back to 640 x 480
    ScratchDir dir;
};

TEST_F(Commands, HelpListsEveryCommandOfTheTableAndTheReadmeTheSame) {
    Print("--help--");
    EXPECT_EQ(ExecuteCommand("HELP"), CMD_ACCEPTED);
    const std::vector<std::string> lines = LinesAfter("--help--");
    ASSERT_EQ(int(lines.size()), kCommandCount);
    for (int i = 0; i < kCommandCount; ++i) {
        EXPECT_EQ(lines[size_t(i)].rfind(std::string(kCommands[i].name) + (kCommands[i].argument ? " " : " - "), 0), 0u)
            << lines[size_t(i)];
        EXPECT_NE(lines[size_t(i)].find(kCommands[i].help), std::string::npos) << lines[size_t(i)];
        if (kCommands[i].setting) {
            EXPECT_NE(FindSetting(kCommands[i].setting), nullptr) << kCommands[i].name << " changes no known key";
        }
    }
    // The README's table of commands names every command, and nothing else.
    std::vector<std::string> named;
    for (const auto& row : ReadmeTableRows("command"))
        for (const std::string& word : BacktickedWords(row[0])) named.push_back(word.substr(0, word.find(' ')));
    for (int i = 0; i < kCommandCount; ++i)
        EXPECT_NE(std::find(named.begin(), named.end(), kCommands[i].name), named.end())
            << "the README does not list " << kCommands[i].name;
    for (const std::string& n : named) {
        bool known = false;
        for (int i = 0; i < kCommandCount; ++i) known = known || n == kCommands[i].name;
        EXPECT_TRUE(known) << "the README lists " << n << ", which is no command";
    }
    EXPECT_EQ(ExecuteCommand("HELP ME"), CMD_UNKNOWN);
}

TEST_F(Commands, ExactMatchingAndVolumes) {
    for (const char* no : {"exit", "Quit", "END ", "EXIT ", "LOADX", "LOAD", "RES", "RES 800", "", "SAYX"})
        EXPECT_EQ(ExecuteCommand(no), 0) << no;
    EXPECT_FALSE(QuitPosted());
    Settings.SOUNDVOL = 95;
    EXPECT_EQ(ExecuteCommand("INCSOUNDVOL10"), 1);
    EXPECT_EQ(Settings.SOUNDVOL, 100);
    Settings.SOUNDVOL = 5;
    ExecuteCommand("DECSOUNDVOL10");
    EXPECT_EQ(Settings.SOUNDVOL, 0);
    Settings.SOUNDVOL = 50;
    ExecuteCommand("INCSOUNDVOL10");
    EXPECT_EQ(Settings.SOUNDVOL, 60);
    Settings.MUSICVOL = 50;
    ExecuteCommand("DECMUSICVOL10");
    EXPECT_EQ(Settings.MUSICVOL, 40);
    uint8_t shading = Settings.SHADING, occlusion = Settings.ZBUFFER, look = Settings.MOUSELOOK;
    ExecuteCommand("TOGGLESHADING");
    ExecuteCommand("TOGGLEZBUFF");
    ExecuteCommand("TOGGLEMOUSELOOK");
    EXPECT_NE(Settings.SHADING, shading);
    EXPECT_NE(Settings.ZBUFFER, occlusion);
    EXPECT_NE(Settings.MOUSELOOK, look);
    ExecuteCommand("TOGGLESHADING");
    ExecuteCommand("TOGGLEZBUFF");
    ExecuteCommand("TOGGLEMOUSELOOK");
    EXPECT_EQ(Settings.SHADING, shading);
    EXPECT_EQ(Settings.MOUSELOOK, look);
    // With SAYSTATE a switch's command says the state it leaves, after its classic line (if it has one).
    EXPECT_NE(ConsoleText(53), "Mouse look on");
    Settings.SAYSTATE = 1;
    ExecuteCommand("TOGGLESHADING");
    EXPECT_EQ(ConsoleText(53), Settings.SHADING ? "Shading on" : "Shading off");
    ExecuteCommand("JOYSTICK");
    EXPECT_EQ(ConsoleText(52), "Joystick Toggled");
    EXPECT_EQ(ConsoleText(53), Settings.JoystickOn ? "Joystick on" : "Joystick off");
    ExecuteCommand("TOGGLESHADING");
    ExecuteCommand("JOYSTICK");
    Settings.SAYSTATE = 0;
    Menu.Visible = 1;
    ExecuteCommand("MENU");
    EXPECT_EQ(Menu.Visible, 0);
}

TEST_F(Commands, ResolutionOnlyFromTheMenu) {
    WriteFile("items.itm", "MENUITEMS=1\r0=HELLO;NADDA;x\r");
    LoadMenuItems("items.itm");
    int32_t x640 = Menu.items[0].x;
    EXPECT_EQ(ExecuteCommand("RES 800 480"), 0);
    EXPECT_EQ(ExecuteCommand("RES 1280 1024"), 0);
    EXPECT_EQ(ExecuteCommand("DECRES"), 0) << "nothing below 640 x 480";
    Input.PointerX = 10, Input.PointerY = 470;
    EXPECT_EQ(ExecuteCommand("RES 800 600"), CMD_ACCEPTED);
    EXPECT_EQ(Settings.SCREENX, 800);
    EXPECT_EQ(Settings.SCREENY, 600);
    EXPECT_EQ(Settings.ScreenCentreX, 400u);
    EXPECT_EQ(Input.PointerX, 400) << "the pointer is centred for the new size";
    EXPECT_EQ(Input.PointerY, 300);
    EXPECT_EQ(Menu.items[0].x, x640 + 80) << "the items are laid out again for the new size";
    EXPECT_EQ(ExecuteCommand("INCRES"), 1);
    EXPECT_EQ(Settings.SCREENX, 1024);
    EXPECT_EQ(Settings.SCREENY, 768);
    EXPECT_EQ(ExecuteCommand("INCRES"), 0);
    EXPECT_EQ(ExecuteCommand("DECRES"), 1);
    EXPECT_EQ(Settings.SCREENX, 800);
    Program.GameState = GS_PLAYING;
    EXPECT_EQ(ExecuteCommand("RES 640 480"), CMD_FAILED) << "recognised, but it cannot do its work";
    EXPECT_EQ(Settings.SCREENX, 800) << "nothing changes during play";
    EXPECT_EQ(ConsoleText(53), "Cannot change resolution while playing");
}

TEST_F(Commands, SubmittedMessagesAndChatStayVisible) {
    Console.ConsoleState = CON_OPEN;
    for (char c : std::string("JOYSTICK")) ConsoleAppendChar(c);
    int32_t joystick = Settings.JoystickOn;
    ConsoleSubmit();
    EXPECT_NE(Settings.JoystickOn, joystick);
    EXPECT_EQ(ConsoleText(53), " - Command Accepted");
    EXPECT_EQ(ConsoleText(52), "Joystick Toggled") << "the command's own message keeps its slot";
    EXPECT_EQ(ConsoleText(51), ">JOYSTICK");
    EXPECT_EQ(Console.ConsoleBuffer[51][0], 1) << "the echo is a plain line, not a notify line that never fades";

    for (char c : std::string("SAY HELLO THERE")) ConsoleAppendChar(c);
    ConsoleSubmit();
    EXPECT_EQ(ConsoleText(52), " Player: HELLO THERE");
    EXPECT_EQ(Console.ConsoleBuffer[52][0], 122);
    EXPECT_EQ(ConsoleText(53), " - Command Accepted");

    for (char c : std::string("QUIT")) ConsoleAppendChar(c);
    ConsoleSubmit();
    EXPECT_TRUE(QuitPosted());
}

TEST_F(Commands, MenuLayoutNavigationAndSounds) {
    // Three items: the column is centred on the screen centre and stacked by the text height.
    WriteFile("items.itm", "MENUITEMS=9\rITEMSPACING=40\r0=ONE;NADDA;a\r1=TWO;MENU;sub.itm\r2=\r3=FOUR;NADDA\r");
    WriteFile("sub.itm", "MENUITEMS=1\r0=BACK;SCRIPT;TOGGLESHADING\r");
    LoadMenuItems("items.itm");
    ASSERT_EQ(Menu.itemCount, 6) << "at most six items";
    EXPECT_EQ(ConsoleText(53), "MENUITEMS 9 is more than 6: the rest are ignored");
    int32_t h = Menu.items[0].height;
    EXPECT_EQ(Menu.items[0].y, 240 - ((6 * h) >> 1));
    EXPECT_EQ(Menu.items[1].y, Menu.items[0].y + h);
    EXPECT_EQ(Menu.items[0].x, 320 - (Menu.items[0].width >> 1));
    EXPECT_STREQ(Menu.items[3].argument, "NADDA") << "a missing argument repeats the field before it";
    EXPECT_EQ(Menu.items[2].width, 0) << "an empty text cannot be hit";
    EXPECT_EQ(Menu.itemSpacing, 40);

    Menu.itemCount = 3;
    ASSERT_EQ(SoundInit(), 1);
    WriteFile("move.wav", SilentWav(200, 22050));
    WriteFile("act.wav", SilentWav(200, 22050));
    WriteFile("menu.snd", "SOUNDS=18\rSOUND17=move.wav;act.wav\r");
    LoadSoundList("menu.snd");
    const int move = Sound.SoundTable[17][0], act = Sound.SoundTable[17][1];
    ASSERT_GT(move, 0);
    ASSERT_GT(act, 0);
    Played();
    MenuUp();
    EXPECT_EQ(Menu.selected, 0);
    EXPECT_EQ(Played(), std::vector<int>{}) << "no wrap, no sound";
    MenuDown();
    EXPECT_EQ(Menu.selected, 1);
    EXPECT_EQ(Played(), std::vector<int>{move});
    MenuDown();
    MenuDown();
    EXPECT_EQ(Menu.selected, 2);
    const MenuItem& one = Menu.items[0];
    EXPECT_EQ(HoverMenu(one.x, one.y + 1), 0) << "the hit test is strict";
    EXPECT_EQ(Menu.selected, 2);
    Played();
    HoverMenu(one.x + 1, one.y + 1);
    EXPECT_EQ(Menu.selected, 0);
    HoverMenu(one.x + 2, one.y + 2);
    EXPECT_EQ(Menu.selected, 0);
    EXPECT_EQ(Played(), std::vector<int>{move}) << "one move sound, none over the selected item";

    Program.GameState = GS_PAUSED;
    const MenuItem& two = Menu.items[1];
    EXPECT_EQ(ClickMenu(two.x + 1, two.y + 1), 1);
    EXPECT_EQ(Played(), std::vector<int>{act}) << "a click plays only the activation sound";
    EXPECT_STREQ(Menu.fileName, "sub.itm") << "MENU replaces the items";
    EXPECT_EQ(Program.GameState, GS_PAUSED) << "and keeps the state";
    uint8_t shading = Settings.SHADING;
    ActivateMenuItem();
    EXPECT_NE(Settings.SHADING, shading) << "SCRIPT runs the command";
    Settings.SHADING = shading;
    SoundShutdown();
}

// New Game's skill question (SKILL) and the saved games' slot lists (SAVEGAMES): lists the program makes in
// place of the items file, left by Back, Escape, a load or a save.
TEST_F(Commands, TheSkillQuestionAndTheSlotLists) {
    setenv("XDG_DATA_HOME", dir.File("xdg").c_str(), 1);
    WriteFile("room.dxf", DxfBox(-10, -10, 10, 10, 2) + kDxfEof);
    WriteFile("L.LVL", "NAME=Yard\rMAP=room.dxf\rRESETPLAYER=1\r");
    WriteFile("m.itm", "MENUITEMS=3\r0=NEW;GAME;L.LVL\r1=LOAD;SLOTS;LOAD\r2=SAVE;SLOTS;SAVE\r");
    LoadMenuItems("m.itm");
    auto texts = [] {
        std::vector<std::string> t;
        for (int i = 0; i < Menu.itemCount; ++i) t.push_back(Menu.items[i].text);
        return t;
    };
    auto activate = [](int i) {
        Menu.selected = i;
        ActivateMenuItem();
    };
    Settings.SKILL = 4;
    activate(0);
    EXPECT_EQ(texts(), (std::vector<std::string>{"Recruit", "Regular", "Hardened", "Relentless", "Back"}));
    EXPECT_EQ(Menu.selected, 3) << "the skill SKILL names is offered";
    EXPECT_EQ(Program.GameState, GS_MENU);
    ToggleMenu();
    EXPECT_EQ(texts()[0], "NEW") << "Escape goes back to the menu it came from";
    EXPECT_EQ(Menu.Visible, 1);
    activate(0);
    activate(2);
    EXPECT_EQ(Settings.SKILL, 3);
    EXPECT_EQ(Program.GameState, GS_PLAYING);
    EXPECT_EQ(Menu.Visible, 0);
    EXPECT_EQ(texts()[0], "NEW") << "the menu behind the game is the items file again";

    // The lists: refused while saved games are off, Save game refused where nothing can be saved.
    Program.GameState = GS_PAUSED;
    activate(2);
    EXPECT_EQ(ConsoleText(53), "Saved games are off (SAVEGAMES=1 turns them on)");
    EXPECT_EQ(texts()[0], "NEW");
    Settings.SAVEGAMES = 1;
    activate(2);
    ASSERT_EQ(Menu.itemCount, 9);
    EXPECT_EQ(texts()[3], "3  empty");
    EXPECT_EQ(texts()[8], "Back");
    activate(3);
    EXPECT_EQ(Menu.Visible, 0) << "saved: back to the game";
    EXPECT_EQ(texts()[0], "NEW");
    EXPECT_EQ(ConsoleText(53), "Game saved in slot 3: Yard");
    LoadMenu("none.mnu", false);
    activate(2);
    EXPECT_EQ(ConsoleText(53), "Nothing to save: no level is being played");
    EXPECT_EQ(texts()[0], "NEW");
    activate(1);
    EXPECT_EQ(texts()[3].rfind("3  Yard, Hardened, ", 0), 0u) << texts()[3];
    activate(0);
    EXPECT_EQ(ConsoleText(53), "Slot 0 is empty");
    EXPECT_EQ(Menu.itemCount, 9) << "the list stays";
    activate(8);
    EXPECT_EQ(texts()[0], "NEW") << "Back";
    activate(1);
    activate(3);
    EXPECT_EQ(Program.GameState, GS_PLAYING);
    EXPECT_EQ(Menu.Visible, 0);
    EXPECT_EQ(texts()[0], "NEW");
    unsetenv("XDG_DATA_HOME");
}

// Items that show and change a setting: {KEY} drawn as its value, Left and Right stepping it within its
// range, Enter going round, the change made at once and kept in the player's file; braces that name no
// setting and a plain item as before. With MENUBACK Escape goes back the way MENU items came.
TEST_F(Commands, SettingItemsShowAndStepTheirValuesAndEscapeGoesBack) {
    WriteFile("config.ini", "SOUNDVOL=80\r");
    WriteFile("user.ini", "");
    ReadUserSettings("user.ini");
    WriteFile("top.itm", "MENUITEMS=2\r0=Options;MENU;set.itm\r1=Quit;NADDA;x\r");
    WriteFile("set.itm",
              "MENUITEMS=5\r0=Sound: {SOUNDVOL};SETTING;SOUNDVOL\r1=Look {MOUSELOOK};SETTING;MOUSELOOK\r"
              "2=Map: {AUTOMAP};SETTING;AUTOMAP\r3={NOSUCH} {SOUNDVOL;NADDA;x\r4=Skill {SKILL};SETTING;SKILL\r");
    LoadMenuItems("top.itm");
    Settings.MENUBACK = 1;
    Menu.selected = 0;
    ActivateMenuItem();
    ASSERT_STREQ(Menu.fileName, "set.itm");
    auto shown = [] {
        RefreshMenuTexts();
        std::vector<std::string> t;
        for (int i = 0; i < Menu.itemCount; ++i) t.push_back(Menu.items[i].shown);
        return t;
    };
    EXPECT_EQ(shown(),
              (std::vector<std::string>{"Sound: 80", "Look on", "Map: off", "{NOSUCH} {SOUNDVOL", "Skill off"}));
    const int32_t x = Menu.items[0].x, y = Menu.items[0].y;
    // Right steps by ten up to the top and stops there; Enter goes round to the bottom.
    Menu.selected = 0;
    MenuStep(1);
    MenuStep(1);
    EXPECT_EQ(Settings.SOUNDVOL, 100);
    MenuStep(1);
    EXPECT_EQ(Settings.SOUNDVOL, 100);
    EXPECT_EQ(shown()[0], "Sound: 100");
    EXPECT_LT(Menu.items[0].x, x) << "the wider text is centred again";
    EXPECT_EQ(Menu.items[0].y, y) << "in its place in the column";
    EXPECT_EQ(ReadFile("user.ini"), "SOUNDVOL=100\n") << "a saved key goes into the player's file at once";
    ActivateMenuItem();
    EXPECT_EQ(Settings.SOUNDVOL, 0);
    MenuStep(-1);
    EXPECT_EQ(Settings.SOUNDVOL, 0) << "Left stops at the bottom";
    // A switch and a choice, by name; a plain item steps nothing.
    Menu.selected = 1;
    MenuStep(-1);
    EXPECT_EQ(Settings.MOUSELOOK, 0);
    Menu.selected = 2;
    ActivateMenuItem();
    ActivateMenuItem();
    EXPECT_EQ(shown()[1], "Look off");
    EXPECT_EQ(shown()[2], "Map: monsters");
    Menu.selected = 3;
    const SettingsRecord before = Settings;
    MenuStep(1);
    ActivateMenuItem();
    EXPECT_EQ(memcmp(&before, &Settings, sizeof Settings), 0);
    // A key kept for the start menu is refused in play, with the item's name.
    Program.GameState = GS_PAUSED;
    Menu.selected = 4;
    MenuStep(1);
    EXPECT_EQ(Settings.SKILL, 0);
    EXPECT_EQ(ConsoleText(53), "Skill changes on the start menu only");
    Program.GameState = GS_MENU;
    MenuStep(1);
    EXPECT_EQ(shown()[4], "Skill Recruit");

    // Escape: back to the menu the MENU item left, its item selected; on the first menu nothing happens.
    ToggleMenu();
    EXPECT_STREQ(Menu.fileName, "top.itm");
    EXPECT_EQ(Menu.selected, 0);
    EXPECT_EQ(Menu.Visible, 1);
    ToggleMenu();
    EXPECT_STREQ(Menu.fileName, "top.itm");
    EXPECT_EQ(Menu.Visible, 1) << "the start menu never leaves an empty screen";
    Settings.MENUBACK = 0;
    ToggleMenu();
    EXPECT_EQ(Menu.Visible, 0) << "the classic Escape hides it";
}

// The Controls list: Enter on an action waits for a key, which is added (and taken from the action that
// had it, named); a reserved key is refused and the wait goes on; Escape cancels; Delete clears. The
// bindings go into the player's file, and a key added there walks the player.
TEST_F(Commands, TheControlsListBindsKeysThatThenPlay) {
    WriteFile("user.ini", "");
    ReadUserSettings("user.ini");
    WriteFile("c.itm", "MENUITEMS=1\r0=Keys;CONTROLS;0\r");
    LoadMenuItems("c.itm");
    ActivateMenuItem();
    ASSERT_EQ(Menu.made, MENU_CONTROLS);
    EXPECT_STREQ(Menu.items[0].text, "Forward: UP");
    EXPECT_STREQ(Menu.items[6].text, "Fire: SPACE, MOUSE1");
    auto bind = [](int item, std::initializer_list<int> keys) {
        Menu.selected = item;
        ActivateMenuItem();
        TickWithKeys({});
        TickWithKeys(keys);
        TickWithKeys({});
    };
    bind(0, {DIK_W});
    EXPECT_STREQ(Menu.items[0].text, "Forward: UP, W");
    EXPECT_EQ(ConsoleText(53), "W: Forward");
    bind(1, {DIK_W});
    EXPECT_EQ(ConsoleText(53), "W: Back (no longer Forward)");
    EXPECT_STREQ(Menu.items[0].text, "Forward: UP");
    EXPECT_STREQ(Menu.items[1].text, "Back: DOWN, W");
    // The classic Up taken for turning: Forward is left without it.
    bind(2, {DIK_UP});
    EXPECT_STREQ(Menu.items[0].text, "Forward: none");
    bind(0, {DIK_TAB});
    EXPECT_EQ(ConsoleText(53), "TAB keeps its own job (console, menu, screenshot, map)");
    EXPECT_EQ(Menu.capturing, 1) << "still waiting";
    TickWithKeys({});
    TickWithKeys({DIK_ESCAPE});
    EXPECT_EQ(Menu.capturing, 0);
    EXPECT_STREQ(Menu.items[0].text, "Forward: none") << "Escape binds nothing";
    EXPECT_EQ(Menu.made, MENU_CONTROLS) << "and the list stays";
    bind(0, {DIK_E});
    Menu.selected = 2;
    MenuClearKeys();
    EXPECT_STREQ(Menu.items[2].text, "Turn left: none");
    EXPECT_STREQ(Menu.items[0].text, "Forward: UP, E") << "Up is Forward's again";
    EXPECT_EQ(ReadFile("user.ini"), "BIND_BACK=W\nBIND_FORWARD=E\n");

    // E walks: the player's controls of the next read say forward.
    Program.GameState = GS_PLAYING;
    Menu.Visible = 0;
    TickWithKeys({DIK_E});
    ReadPlayerControls();
    EXPECT_EQ(World.ObjectTable[0].controls.forward, 1);
    TickWithKeys({DIK_W});
    ReadPlayerControls();
    EXPECT_EQ(World.ObjectTable[0].controls.forward, 0);
    EXPECT_EQ(World.ObjectTable[0].controls.back, 1);
}

TEST_F(Commands, AnimationAdvancesOnCallsOneAndTwelveInPlayOnly) {
    ObjectRecord& m = World.ObjectTable[1];
    ClearObjectRecord(m);
    m.state = AI_SENTRY;
    m.animState = ANIM_WALK;
    m.models[ANIM_WALK].frameCount = 4;
    m.models[ANIM_IDLE].frameCount = 1;
    m.frame = 3;
    Program.GameState = GS_PAUSED;
    ResetAnimation();
    AnimationStep();
    EXPECT_EQ(m.frame, 3) << "paused: nothing advances";
    Program.GameState = GS_PLAYING;
    ResetAnimation();
    m.frame = 2;
    AnimationStep();
    EXPECT_EQ(m.frame, 3);
    m.animState = ANIM_IDLE;
    for (int i = 0; i < 10; ++i) AnimationStep();
    EXPECT_EQ(m.frame, 3) << "a changed animation keeps the old index until the next advance";
    AnimationStep();
    EXPECT_EQ(m.frame, 0);

    m.state = OBJ_DYING;
    m.frame = 0;
    m.models[ANIM_DEATH].frameCount = 2;
    ResetAnimation();
    AnimationStep();
    EXPECT_EQ(m.animState, ANIM_DEATH);
    EXPECT_EQ(m.state, OBJ_DYING);
    ResetAnimation();
    AnimationStep();
    EXPECT_EQ(m.state, OBJ_FREE) << "freed at the end of its death animation";
    ResetWorld();
}

}  // namespace
