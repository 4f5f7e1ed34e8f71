// Object-type, weapon and level files: field rules, type effects, failures, limits and hostile values.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/settings.h"
#include "console/console.h"
#include "defs/level.h"
#include "defs/objects.h"
#include "game/world.h"
#include "render/passes.h"
#include "support/dxf.h"
#include "test_util.h"

namespace {

class Loaders : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetProgram();
        WriteFile("box.dxf", DxfBox(-1, -1, 1, 1, 2) + kDxfEof);
        WriteFile("room.dxf", DxfBox(-10, -10, 10, 10, 2) + kDxfEof);
        WriteDefinition("box.mdl", {"FRAMES=1", "FRAME0=box.dxf"});
    }
    ScratchDir dir;
};

TEST_F(Loaders, ObjectTypeFieldsAndTypeEffects) {
    WriteDefinition("m.obj", {"MODELS=1", "MODEL0=box.mdl", "TYPE=11", "WEAPON=3", "DOCOLDET=5", "DEFSTATE=258",
                              "DEFHEALTH=40", "XROT=30"});
    ObjectRecord r;
    ASSERT_EQ(LoadObjectType(r, "m.obj"), 1);
    EXPECT_EQ(r.type, 11);
    EXPECT_EQ(r.weapon, 3);
    EXPECT_EQ(r.collisionFlag, 1);
    EXPECT_EQ(r.state, 2) << "low 8 bits of 258";
    EXPECT_EQ(r.health, 40);
    EXPECT_EQ(r.angles[0], 30);
    EXPECT_FLOAT_EQ(r.radius, 1.0f) << "x half-extent of frame 0";
    EXPECT_EQ(World.MonstersAtStart, 1);

    WriteDefinition("h.obj", {"MODELS=1", "MODEL0=box.mdl", "TYPE=7", "WEAPON=3", "DOCOLDET=0", "DEFRANGE=3"});
    ObjectRecord h;
    h.collisionFlag = 9;
    ASSERT_EQ(LoadObjectType(h, "h.obj"), 1);
    EXPECT_EQ(h.weapon, 0) << "WEAPON is read for monsters only";
    EXPECT_EQ(h.collisionFlag, 0);
    EXPECT_FLOAT_EQ(h.radius, 3.0f) << "DEFRANGE wins over the model's size";
    EXPECT_EQ(h.controls.turnLeft, 1);
    EXPECT_EQ(World.ItemsAtStart, 1);

    WriteDefinition("g.obj", {"MODELS=1", "MODEL0=box.mdl", "TYPE=4"});
    ObjectRecord g;
    LoadObjectType(g, "g.obj");
    EXPECT_EQ(g.controls.turnRight, 1);
    EXPECT_EQ(World.ItemsAtStart, 2);
}

TEST_F(Loaders, ObjectTypeFailuresAndLimits) {
    WriteDefinition("bad.obj", {"MODELS=2", "MODEL0=box.mdl", "MODEL1=missing.mdl", "TYPE=10", "DEFHEALTH=5"});
    ObjectRecord r;
    EXPECT_EQ(LoadObjectType(r, "bad.obj"), 0);
    EXPECT_EQ(r.state, 0) << "a failed model leaves the numbers unread";
    EXPECT_EQ(r.health, 0);
    EXPECT_GT(r.models[0].frameCount, 0) << "slot 0 stays loaded";
    EXPECT_EQ(ConsoleText(53), "Failed to loead file");
    EXPECT_EQ(World.MonstersAtStart, 0);

    ObjectRecord none;
    EXPECT_EQ(LoadObjectType(none, "nothing.obj"), 1);
    EXPECT_EQ(none.state, 1);
    EXPECT_TRUE(ConsoleShows("Cannot open object file nothing.obj"));
    EXPECT_TRUE(ConsoleShows("Warning: initial model frame was not loaded correctly"));
    EXPECT_TRUE(ConsoleShows("nothing.obj")) << "the warning names the object file";

    // Far more model slots than a record holds, and hostile numbers: bounded and no overflow.
    std::vector<std::string> lines = {"MODELS=999999", "TYPE=99999", "DEFHEALTH=-2147483648", "XROT=100000"};
    for (int i = 0; i < 10; ++i) lines.push_back("MODEL" + std::to_string(i) + "=box.mdl");
    WriteDefinition("many.obj", lines);
    ObjectRecord m;
    EXPECT_EQ(LoadObjectType(m, "many.obj"), 1);
    EXPECT_EQ(m.type, 99999 & 0xFF);
    for (int i = 0; i < MODEL_SLOTS; ++i) EXPECT_GT(m.models[i].frameCount, 0);
    EXPECT_TRUE(ConsoleShows("MODELS 999999 is more than 6: the rest are ignored"));
}

TEST_F(Loaders, WeaponNumbersFirstThenModels) {
    WriteDefinition("w.wpn", {"SCREEN_X_POS=0.35", "SCREEN_Y_ROT=-12.7", "RELOADTIME=7", "DAMAGE=30", "MODELS=2",
                              "MODEL0=box.mdl", "MODEL1=missing.mdl"});
    EXPECT_EQ(LoadWeapon(2, "w.wpn"), 0);
    EXPECT_FLOAT_EQ(World.WeaponTable[2].screenPos[0], 0.35f);
    EXPECT_EQ(World.WeaponTable[2].screenRot[1], -12) << "truncated toward zero";
    EXPECT_EQ(World.WeaponTable[2].reloadTime, 7) << "numbers are read before the failing model";
    EXPECT_EQ(ConsoleText(53), "Failed to load file");
    WriteDefinition("huge.wpn", {"SCREEN_X_ROT=1e300", "SCREEN_Z_ROT=nan"});
    EXPECT_EQ(LoadWeapon(3, "huge.wpn"), 1);
    EXPECT_EQ(World.WeaponTable[3].screenRot[2], 0);
    EXPECT_EQ(LoadWeapon(6, "w.wpn"), 0) << "no entry past the table";
    EXPECT_EQ(LoadWeapon(-1, "w.wpn"), 0);
}

TEST_F(Loaders, LevelKeysCarryOverAndLimits) {
    WriteDefinition("a.obj", {"MODELS=1", "MODEL0=box.mdl", "TYPE=10", "DEFHEALTH=10"});
    WriteDefinition("w1.wpn", {"DAMAGE=11"});
    WriteDefinition("w2.wpn", {"DAMAGE=22"});
    WriteDefinition("ars1.ars", {"WEAPONS=5", "WEAPON0=w1.wpn", "WEAPON1=w1.wpn", "WEAPON2=w1.wpn"});
    WriteDefinition("ars2.ars", {"WEAPONS=5", "WEAPON0=w2.wpn", "WEAPON1=w2.wpn"});
    std::vector<std::string> one = {"MAP=room.dxf",      "OBJECTS=300",   "ARSENAL=ars1.ars", "RESETPLAYER=1",
                                    "STARTCOORD=3;4;90", "EXITCOORD=7;8", "NEXTLEVEL=two.lvl"};
    for (int i = 0; i < 300; ++i) one.push_back("OBJECT" + std::to_string(i) + "=a.obj;" + std::to_string(i % 7));
    WriteDefinition("one.lvl", one);
    WriteDefinition("two.lvl", {"MAP=room.dxf", "ARSENAL=ars2.ars", "STARTCOORD=5;6", "OBJECTS=1", "OBJECT0=a.obj"});
    WriteFile("error.txt", "");  // the log keeps what scrolls out of the console
    ASSERT_EQ(LoadLevel("one.lvl"), 1);
    EXPECT_EQ(Program.GameState, GS_PLAYING);
    // The definition file holds 255 lines: 7 keys leave room for 248 objects, all of which fit the table.
    EXPECT_EQ(World.ObjectTable[248].type, 10);
    EXPECT_EQ(World.ObjectTable[249].state, 0);
    EXPECT_EQ(World.MonstersAtStart, 248);
    EXPECT_NE(ReadFile("error.txt").find("[OBJECTS 300 is more than 255: the rest are ignored]"), std::string::npos);
    EXPECT_EQ(World.ObjectTable[0].angles[1], 90);
    EXPECT_STREQ(World.NextLevelFile, "two.lvl");
    EXPECT_EQ(Render.ColumnBufferSize, 641) << "SCREENX + 1 entries";
    World.ObjectTable[0].owned[2] = 1;
    World.ObjectTable[0].score = 55;

    ASSERT_EQ(LoadLevel("two.lvl"), 1);
    EXPECT_EQ(World.WeaponTable[0].damage, 22);
    EXPECT_EQ(World.WeaponTable[2].damage, 11) << "a weapon the arsenal leaves out keeps the previous level's";
    EXPECT_EQ(World.ObjectTable[0].pos[0], 5.0f);
    EXPECT_EQ(World.ObjectTable[0].angles[1], 90) << "STARTCOORD with two fields keeps the heading";
    EXPECT_EQ(World.ObjectTable[0].owned[2], 1) << "without RESETPLAYER the player keeps the shotgun";
    EXPECT_EQ(World.ObjectTable[0].score, 0.0f);
    EXPECT_EQ(World.ObjectTable[1].pos[0], 0.0f) << "OBJECT0 with only a file name stands at 0, 0";
    EXPECT_EQ(World.ObjectTable[2].state, 0) << "the old level's objects are gone";
    EXPECT_STREQ(World.NextLevelFile, "") << "no NEXTLEVEL leaves the name empty";
}

// What a level load keeps for the rules beyond the classic game: monsters 1.5 times as strong at skills 3
// and 4, the level's PAR, the files it was read from (what a saved game names); and the quiet load of a
// saved game, which neither shows the console nor prints.
TEST_F(Loaders, SkillParTheLevelsFilesAndTheQuietLoad) {
    WriteDefinition("m.obj", {"MODELS=1", "MODEL0=box.mdl", "TYPE=12", "DEFHEALTH=11"});
    WriteDefinition("p.obj", {"MODELS=1", "MODEL0=box.mdl", "TYPE=7", "DEFHEALTH=11"});
    WriteDefinition("p.lvl", {"MAP=room.dxf", "OBJECTS=3", "OBJECT0=m.obj", "OBJECT1=p.obj", "OBJECT2=m.obj", "PAR=45",
                              "SOUNDS=nothing.snd"});
    for (int skill : {0, 2, 3, 4}) {
        Settings.SKILL = skill;
        ASSERT_EQ(LoadLevel("p.lvl"), 1);
        EXPECT_EQ(World.ObjectTable[1].health, skill >= 3 ? 16 : 11) << "skill " << skill;
        EXPECT_EQ(World.ObjectTable[2].health, 11) << "a health pack is no monster";
    }
    EXPECT_EQ(World.Stats.par, 45);
    EXPECT_EQ(World.LevelFiles, (std::vector<std::string>{"p.lvl", "room.dxf", "m.obj", "box.mdl", "box.dxf", "p.obj"}))
        << "each file once, in the order read; a file that is not there is none of them";
    WriteDefinition("p.lvl", {"MAP=room.dxf", "PAR=-5"});
    ASSERT_EQ(LoadLevel("p.lvl"), 1);
    EXPECT_EQ(World.Stats.par, 0) << "no par";

    Console.ConsoleState = CON_CLOSED;
    const uint32_t printed = Console.ConsolePrintCount;
    ASSERT_EQ(LoadLevelQuietly("p.lvl"), 1);
    EXPECT_EQ(Program.GameState, GS_PLAYING);
    EXPECT_EQ(Console.ConsoleState, CON_CLOSED);
    EXPECT_EQ(Console.ConsolePrintCount, printed) << "not a line, not even the files' names";
}

TEST_F(Loaders, LevelFailuresChangeNothing) {
    Program.GameState = GS_MENU;
    Console.ConsoleState = CON_CLOSED;
    EXPECT_EQ(LoadLevel("missing.lvl"), 0);
    EXPECT_EQ(Program.GameState, GS_MENU);
    EXPECT_EQ(Console.ConsoleState, CON_OPEN) << "the console stays open on the failure";
    EXPECT_TRUE(ConsoleShows("Cannot open level file missing.lvl"));
    WriteDefinition("nomap.lvl", {"OBJECTS=1", "OBJECT0=a.obj"});
    EXPECT_EQ(LoadLevel("nomap.lvl"), 0);
    EXPECT_TRUE(ConsoleShows("Level nomap.lvl has no MAP"));
    // A level naming itself as its arsenal, objects and map: loads without recursion or crash.
    WriteDefinition("self.lvl", {"MAP=self.lvl", "ARSENAL=self.lvl", "OBJECTS=2", "OBJECT0=self.lvl", "OBJECT1=.",
                                 "SOUNDS=.", "MUSIC=."});
    EXPECT_EQ(LoadLevel("self.lvl"), 1);
    EXPECT_EQ(Program.GameState, GS_PLAYING);
}

TEST_F(Loaders, VictoryKeepsTheWorld) {
    WriteDefinition("start.mnu", {"WINMIDI=win.mid"});
    snprintf(Settings.StartMenuFile, sizeof Settings.StartMenuFile, "start.mnu");
    World.ObjectTable[5].state = 1;
    EXPECT_EQ(LoadLevel("WIN"), 1);
    EXPECT_EQ(Program.GameState, GS_WON);
    EXPECT_EQ(World.ObjectTable[5].state, 1);
}

}  // namespace
