// Saved games: what a load restores over the level's own files (records gone, rockets in flight, the
// game clock, the rules), and what is refused without a change (an unwritable folder, an interrupted
// save, saving when there is nothing to save, hostile records behind a right checksum). The two-process
// replay of a save, the damaged and foreign files and the full disk are played in tests/e2e/game_saves.sh.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cinttypes>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/dispatch.h"
#include "app/savegame.h"
#include "core/program.h"
#include "core/settings.h"
#include "defs/level.h"
#include "demo/demo.h"
#include "game/world.h"
#include "platform/dik.h"
#include "platform/headless/headless.h"
#include "support/dxf.h"
#include "test_util.h"

namespace {

class SaveGames : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* old = getenv("XDG_DATA_HOME");
        hadData = old != nullptr;
        if (old) oldData = old;
        setenv("XDG_DATA_HOME", dir.File("xdg").c_str(), 1);
        ResetProgram();
        Settings.SAVEGAMES = 1;
        WriteFile("room.dxf", DxfBox(-20, -20, 20, 20, 2) + kDxfEof);
        WriteFile("box.dxf", DxfBox(-1, -1, 1, 1, 2) + kDxfEof);
        WriteDefinition("box.mdl", {"FRAMES=1", "FRAME0=box.dxf"});
        WriteDefinition("bomber.obj",
                        {"MODELS=1", "MODEL0=box.mdl", "TYPE=11", "DEFHEALTH=900", "DEFSTATE=5", "WEAPON=4"});
        WriteDefinition("launcher.obj", {"MODELS=1", "MODEL0=box.mdl", "TYPE=6"});
        WriteDefinition("rocket.obj", {"MODELS=1", "MODEL0=box.mdl", "TYPE=9"});
        WriteDefinition("w.wpn", {"RELOADTIME=30", "DAMAGE=5", "MODELS=1", "MODEL0=box.mdl"});
        WriteDefinition("a.ars", {"WEAPONS=5", "WEAPON0=w.wpn", "WEAPON1=w.wpn", "WEAPON2=w.wpn", "WEAPON3=w.wpn",
                                  "WEAPON4=w.wpn", "MISSILE=rocket.obj"});
        WriteDefinition("S.LVL", {"NAME=Test Hall", "MAP=room.dxf", "OBJECTS=3", "OBJECT0=launcher.obj;0;0",
                                  "OBJECT1=bomber.obj;8;8;45", "OBJECT2=bomber.obj;-8;8;315", "ARSENAL=a.ars",
                                  "EXITCOORD=18;18", "STARTCOORD=0;0;0", "NEXTLEVEL=WIN", "RESETPLAYER=1"});
        ASSERT_EQ(LoadLevel("S.LVL"), 1);
    }
    void TearDown() override {
        ResetWorld();
        Program.GameState = GS_MENU;
        if (hadData)
            setenv("XDG_DATA_HOME", oldData.c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
    }
    // Logic ticks at 6 ms from `clock`, as the main loop runs them.
    void Ticks(int n) {
        for (int i = 0; i < n; ++i) {
            clock += 6;
            RunLogicTick(clock);
            ++Program.TickCount;
        }
    }
    int Flying() {
        int n = 0;
        for (int m = 1; m < MISSILE_COUNT; ++m) n += World.MissileTable[m].state != OBJ_FREE;
        return n;
    }
    ScratchDir dir;
    std::string oldData;
    bool hadData = false;
    uint32_t clock = 20000;
};

TEST_F(SaveGames, ALoadRestoresTheSavedGameOverItsLevelsFiles) {
    HeadlessSetKey(DIK_SPACE, true);  // the launcher is taken at the start and fired once the console is up
    Ticks(110);
    ASSERT_EQ(World.ObjectTable[1].state, OBJ_FREE) << "the pickup was taken";
    ASSERT_GE(Flying(), 2);
    // Saved within a tick (as F6, the console and the menu save), whose time the game clock holds.
    Program.ClockHeld = true, Program.HeldClock = clock;
    ASSERT_EQ(SaveGame(2), 1);
    Program.ClockHeld = false;
    const uint64_t saved = WorldDigest();
    const uint32_t savedClock = clock;
    const uint64_t savedTicks = Program.TickCount;
    EXPECT_EQ(LinesAfter("Here we go..").back(), "Game saved in slot 2: Test Hall");

    Ticks(200);
    HeadlessSetKey(DIK_SPACE, false);
    Settings.HUNTERS = 1;    // a rule the save was not played by
    Settings.CROSSHAIR = 1;  // the player's own choice
    ASSERT_NE(WorldDigest(), saved);
    clock += 123456;  // another process, another clock
    Program.ClockHeld = true, Program.HeldClock = clock;
    ASSERT_EQ(LoadGame(2), 1);
    EXPECT_EQ(WorldDigest(), saved) << "every number and every model's frame count as they were";
    EXPECT_EQ(Program.TickCount, savedTicks);
    EXPECT_EQ(GameClockMs(), savedClock) << "the game clock goes on from the save's";
    EXPECT_EQ(Settings.HUNTERS, 0) << "the save's rules are played by";
    EXPECT_EQ(Settings.CROSSHAIR, 1) << "the player's own options stay his";
    EXPECT_EQ(World.ObjectTable[1].models[0].frameCount, 0) << "a record gone in the saved game is cleared";
    EXPECT_GT(World.ObjectTable[2].models[0].frameCount, 0) << "a record in use has its level's models";
    for (int m = 1; m < MISSILE_COUNT; ++m) {
        if (World.MissileTable[m].state == OBJ_FREE) continue;
        EXPECT_EQ(World.MissileTable[m].models[0].store, World.MissileTable[0].models[0].store)
            << "a rocket in flight is a copy of the missile template";
    }
    EXPECT_EQ(Program.GameState, GS_PLAYING);
    Program.ClockHeld = false;
}

TEST_F(SaveGames, WhatCannotBeSavedOrLoadedChangesNothing) {
    ASSERT_EQ(SaveGame(1), 1);
    const std::string path = SaveSlotPath(1);
    const std::string good = ReadFile(path);
    ASSERT_FALSE(good.empty());
    EXPECT_EQ(ReadSaveSlot(1).state, SLOT_SAVED);
    EXPECT_EQ(ReadSaveSlot(4).state, SLOT_EMPTY);

    // A folder the game may not write into (read-only, also for root): one line, the save kept.
    Ticks(30);
    const std::string folder = SaveFolder();
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
    EXPECT_EQ(SaveGame(1), 0);
    chmod(folder.c_str(), 0755);
    EXPECT_EQ(ConsoleText(53).rfind("Cannot save in slot 1: the folder ", 0), 0u) << ConsoleText(53);
    EXPECT_EQ(ReadFile(path), good);

    // An interrupted save leaves its half-written file beside the slot's: the slot still loads.
    WriteFile(path + ".new", good.substr(0, good.size() / 2));
    const uint64_t before = WorldDigest();
    ASSERT_EQ(LoadGame(1), 1);
    EXPECT_NE(WorldDigest(), before);
    EXPECT_EQ(SaveGame(1), 1) << "the next save writes over the half-written file";

    // Nothing to save: dead, on the level-complete screen, saved games off.
    World.ObjectTable[0].state = 0;
    EXPECT_EQ(SaveGame(3), 0);
    EXPECT_EQ(ConsoleText(53), "Cannot save while dead");
    World.ObjectTable[0].state = 1;
    Program.GameState = GS_LEVEL_DONE;
    EXPECT_EQ(SaveGame(3), 0);
    EXPECT_EQ(ConsoleText(53), "Nothing to save: no level is being played");
    Program.GameState = GS_PLAYING;
    Settings.SAVEGAMES = 0;
    EXPECT_EQ(SaveGame(3), 0);
    EXPECT_EQ(LoadGame(1), 0);
    EXPECT_EQ(ConsoleText(53), "Saved games are off (SAVEGAMES=1 turns them on)");
    Settings.SAVEGAMES = 1;
    EXPECT_EQ(ReadSaveSlot(3).state, SLOT_EMPTY);
    EXPECT_EQ(SaveGame(8), 0);
    EXPECT_EQ(ConsoleText(53), "There is no slot 8: the slots are 0 to 7");

    // Hostile records behind a right checksum and a right length: refused whole, nothing is touched.
    const std::vector<uint8_t> bytes = SaveGameBytes();
    const std::string text(bytes.begin(), bytes.end());
    const size_t body = text.find('\n', text.find("\nworld ") + 1) + 1;
    const std::string records = text.substr(body);
    // The header (from its third line on) with the world line for these records, the checksum over it all.
    auto rebuilt = [&](const std::string& recs) {
        const size_t third = text.find('\n', text.find('\n') + 1) + 1;
        std::string rest = text.substr(third, text.find("\nworld ") + 1 - third) + "world " +
                           std::to_string(recs.size()) + "\n" + recs;
        char top[64];
        snprintf(top, sizeof top, "zarvo-save 1\nchecksum %016" PRIx64 "\n",
                 SaveChecksum(reinterpret_cast<const uint8_t*>(rest.data()), rest.size()));
        return top + rest;
    };
    std::string why;
    SaveGameData same;
    const std::string again = rebuilt(records);
    ASSERT_EQ(again, text) << "the test builds saves as the game does";
    ASSERT_TRUE(ParseSaveGame(reinterpret_cast<const uint8_t*>(again.data()), again.size(), &same, &why)) << why;
    EXPECT_EQ(same.level, "S.LVL");
    EXPECT_EQ(same.name, "Test Hall");
    std::string longText = records;
    longText[84] = char(0xFF), longText[85] = char(0xFF);  // the next level's name: 65535 bytes for 260
    const std::string hostile[3] = {rebuilt(longText), rebuilt(records.substr(0, records.size() - 10)),
                                    rebuilt(records + "x")};
    const char* reasons[3] = {"its records are cut short or out of range", "its records are cut short or out of range",
                              "it has bytes past its records"};
    for (int i = 0; i < 3; ++i) {
        SaveGameData d;
        EXPECT_FALSE(ParseSaveGame(reinterpret_cast<const uint8_t*>(hostile[i].data()), hostile[i].size(), &d, &why));
        EXPECT_EQ(why, reasons[i]);
        WriteFile(SaveSlotPath(6), hostile[i]);
        const uint64_t digest = WorldDigest();
        EXPECT_EQ(LoadGame(6), 0);
        EXPECT_EQ(WorldDigest(), digest);
        EXPECT_EQ(ConsoleText(53), std::string("Saved game 6 refused: ") + reasons[i]);
    }
}

}  // namespace
