// Frame passes: level occlusion and shading, object and rocket colours, weapon view, HUD and end texts,
// and the world dump.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/settings.h"
#include "game/tick.h"
#include "game/world.h"
#include "model/model.h"
#include "render/passes.h"
#include "render/raster.h"
#include "render/video.h"
#include "runner/dump.h"
#include "support/dxf.h"
#include "test_util.h"

namespace {

// A scene at 640 x 480: the player at the origin looking down +z; a wall (floor-plan line) across the
// view at depth 5 and a vertical level line behind it at depth 10.
class PassTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetProgram();
        BuildTrigTables();
        WriteFile("room.dxf", DxfLine(-3, 0, 5, 3, 0, 5) + DxfLine(0.5f, -1, 10, 0.5f, 1, 10));
        WriteFile("stick.dxf", DxfLine(-0.25f, 0, 0, 0.25f, 0, 0));
        LoadSingleFrameModel(World.LevelModel, "room.dxf", 0);
        LoadSingleFrameModel(World.OcclusionModel, "room.dxf", 1);
        AllocateColumnBuffer();
        ResetPlayer();
    }
    void TearDown() override {
        ResetWorld();
        ResetRenderSwitches();
    }

    // Runs line passes on a cleared, locked back buffer and returns the palette index of every pixel.
    std::vector<uint8_t> Lines(const std::function<void()>& passes) {
        ClearBackBuffer(0);
        EXPECT_EQ(LockBackBuffer(), 1);
        passes();
        std::vector<uint8_t> out(size_t(Settings.SCREENX) * Settings.SCREENY);
        for (int y = 0; y < Settings.SCREENY; ++y)
            std::memcpy(&out[size_t(y) * Settings.SCREENX], Video.FramePixels + y * Video.FramePitch, Settings.SCREENX);
        UnlockBackBuffer();
        PresentFrame();
        return out;
    }
    // The presented RGB image of a frame whose texts come from `draw`.
    std::vector<uint32_t> Image(const std::function<void()>& draw) {
        ClearBackBuffer(0);
        LockBackBuffer();
        UnlockBackBuffer();
        draw();
        PresentFrame();
        int w = 0, h = 0;
        const uint32_t* p = LastPresentedImage(&w, &h);
        return std::vector<uint32_t>(p, p + size_t(w) * h);
    }
    static int Count(const std::vector<uint8_t>& f, int lo, int hi) {
        int n = 0;
        for (uint8_t v : f) n += v >= lo && v <= hi;
        return n;
    }
    static int Lit(const std::vector<uint32_t>& img) {
        int n = 0;
        for (uint32_t v : img) n += (v & 0xFFFFFF) != 0;
        return n;
    }
    ScratchDir dir;
};

}  // namespace

TEST_F(PassTest, LevelLinesAreShadedAndHiddenBehindTheFloorPlan) {
    // Shaded blue: 250 - 3.5 * 5 = 232.5 -> 232 for the wall, 250 - 35 = 215 for the line behind it.
    auto f = Lines(DrawLevelPass);
    EXPECT_GT(Count(f, 232, 232), 500);
    EXPECT_EQ(Count(f, 215, 215), 0);
    EXPECT_EQ(Count(f, 1, 231) + Count(f, 233, 255), 0);
    for (int c = 30; c < 610; ++c) EXPECT_GE(Render.ColumnBuffer[c], -5.01f) << c;  // the wall's columns
    EXPECT_EQ(Render.ColumnBuffer[5], -20.0f);

    Settings.ZBUFFER = 0;
    f = Lines(DrawLevelPass);
    EXPECT_EQ(Count(f, 215, 215), 101);
    EXPECT_EQ(Render.ColumnBuffer[100], -20.0f);

    Settings.SHADING = 0;
    f = Lines(DrawLevelPass);
    EXPECT_EQ(Count(f, 230, 230), Count(f, 1, 255));
    EXPECT_GT(Count(f, 230, 230), 600);
}

// Second endpoints are not bounded by the view cube: huge, infinite and NaN ends must neither crash
// nor write outside the frame; the sane line of the same drawing is still drawn.
TEST_F(PassTest, AbsurdCoordinatesAreDrawnSafely) {
    WriteFile("wild.dxf", DxfLine(0, 0, 3, 1e38f, 1e38f, 1e38f) + DxfLine(0, 0, 3, -3e38f, 2, 1e30f) +
                              "0\n3DLINE\n10\n0\n20\n0\n30\n4\n11\ninf\n21\nnan\n31\n9\n" +
                              "0\n3DLINE\n10\n0\n20\n0\n30\n4\n11\n-inf\n21\n1\n31\ninf\n" +
                              DxfLine(-1, 1, 3, 1, 1, 3));
    LoadSingleFrameModel(World.LevelModel, "wild.dxf", 0);
    LoadSingleFrameModel(World.OcclusionModel, "wild.dxf", 0);  // every line an occluder span
    ASSERT_EQ(World.LevelModel.frames[0].count, 5);
    auto f = Lines(DrawLevelPass);
    EXPECT_GT(Count(f, 1, 255), 300);
    ObjectRecord& thing = World.ObjectTable[1];
    thing.state = 1;
    thing.type = 12;
    LoadSingleFrameModel(thing.models[0], "wild.dxf", 0);
    f = Lines([] {
        DrawLevelPass();
        DrawObjectPass();
    });
    EXPECT_GT(Count(f, 1, 255), 300);
}

TEST_F(PassTest, ColumnBufferFollowsTheResolutionWithoutANewMap) {
    ASSERT_EQ(Render.ColumnBufferSize, 641);
    Settings.SCREENX = 1024;
    Settings.SCREENY = 768;
    ChangeResolution();
    auto f = Lines(DrawLevelPass);
    EXPECT_EQ(Render.ColumnBufferSize, 1025);
    EXPECT_GT(Count(f, 1, 255), 500);
}

TEST_F(PassTest, ObjectColoursDependOnTypeAndRocketsOneToNineAreDrawn) {
    ObjectRecord& monster = World.ObjectTable[1];
    monster.state = AI_SENTRY;
    monster.type = 10;
    monster.pos[2] = 3;  // red: 81 - 3.5 * 3 = 70.5 -> 70
    LoadSingleFrameModel(monster.models[0], "stick.dxf", 0);
    ObjectRecord& pickup = World.ObjectTable[2];
    pickup.state = 1;
    pickup.type = 3;
    pickup.pos[0] = -1, pickup.pos[2] = 4;
    LoadSingleFrameModel(pickup.models[0], "stick.dxf", 0);
    ObjectRecord& scenery = World.ObjectTable[3];  // type 200 is -56 as a signed byte: yellow
    scenery = pickup;
    scenery.type = 200;
    scenery.pos[0] = 1;

    World.MissileTable[0].state = 1;
    World.MissileTable[0].type = OBJT_ROCKET;
    LoadSingleFrameModel(World.MissileTable[0].models[0], "stick.dxf", 0);
    World.MissileTable[0].pos[1] = 1, World.MissileTable[0].pos[2] = 2;  // the template is never drawn
    World.MissileTable[10] = World.MissileTable[0];
    World.MissileTable[10].pos[1] = -1;  // nor is entry 10
    World.MissileTable[4] = World.MissileTable[0];
    World.MissileTable[4].pos[1] = 0.5f, World.MissileTable[4].pos[2] = 4.5f;  // 81 - 15.75 -> 65

    auto f = Lines([] {
        DrawLevelPass();
        DrawObjectPass();
    });
    EXPECT_GT(Count(f, 70, 70), 30);
    EXPECT_GT(Count(f, 254, 254), 60);
    EXPECT_GT(Count(f, 65, 65), 10);
    EXPECT_EQ(Count(f, 1, 64) + Count(f, 66, 69) + Count(f, 71, 84), 0);

    Settings.SHADING = 0;
    f = Lines([] {
        DrawLevelPass();
        DrawObjectPass();
    });
    EXPECT_GT(Count(f, 61, 61), 30);
    EXPECT_GT(Count(f, 71, 71), 10);
    EXPECT_GT(Count(f, 254, 254), 60);
    const int rocketPixels = Count(f, 71, 71);
    World.MissileTable[4].state = 0;
    f = Lines([] {
        DrawLevelPass();
        DrawObjectPass();
    });
    EXPECT_EQ(Count(f, 71, 71), 0) << "entries 0 and 10 must not be drawn; had " << rocketPixels;
}

TEST_F(PassTest, OccludingObjectsHideWhatIsDrawnAfterThem) {
    ObjectRecord& screen = World.ObjectTable[1];
    screen.state = 1;
    screen.type = 1;
    screen.drawFlag = 1;
    WriteFile("panel.dxf", DxfLine(-2, 0, 0, 2, 0, 0));
    LoadSingleFrameModel(screen.models[0], "panel.dxf", 0);
    screen.pos[2] = 2;
    ObjectRecord& behind = World.ObjectTable[2];
    behind.state = 1;
    behind.type = 10;
    LoadSingleFrameModel(behind.models[0], "stick.dxf", 0);
    behind.pos[2] = 3;
    Settings.SHADING = 0;
    auto f = Lines([] {
        DrawLevelPass();
        DrawObjectPass();
    });
    EXPECT_EQ(Count(f, 61, 61), 0);
    screen.drawFlag = 0;
    f = Lines([] {
        DrawLevelPass();
        DrawObjectPass();
    });
    EXPECT_GT(Count(f, 61, 61), 30);
}

TEST_F(PassTest, WeaponViewIgnoresDepthAndFollowsTheFiringRule) {
    WeaponRecord& gun = World.WeaponTable[WPN_GUN];
    LoadSingleFrameModel(gun.models[0], "stick.dxf", 0);
    WriteFile("flash.dxf", DxfLine(0, -0.25f, 0, 0, 0.25f, 0));
    LoadSingleFrameModel(gun.models[1], "flash.dxf", 0);
    gun.screenPos[2] = 8;  // behind the wall, drawn anyway
    ObjectRecord& player = World.ObjectTable[0];
    player.weapon = WPN_GUN;
    player.pos[0] = 50;  // the weapon stays in view wherever the player is
    Settings.SHADING = 0;
    auto draw = [] {
        DrawLevelPass();
        DrawViewPass();
    };
    auto rest = Lines(draw);
    EXPECT_GT(Count(rest, 140, 140), 30);

    player.controls.fire = 1;  // firing without ammunition: still the model at rest
    EXPECT_EQ(Lines(draw), rest);
    player.ammo[WPN_GUN] = 5;
    auto firing = Lines(draw);
    EXPECT_NE(firing, rest);
    EXPECT_GT(Count(firing, 140, 140), 30);
    player.controls.fire = 0;
    gun.frame = 0;
    EXPECT_EQ(Lines(draw), rest);

    Settings.SHADING = 1;
    gun.screenPos[2] = 2;  // green: 160 - 40 = 120
    EXPECT_GT(Count(Lines(draw), 120, 120), 30);
    player.weapon = 7;  // no such weapon: nothing in view, no fault
    EXPECT_EQ(Count(Lines(draw), 120, 120), 0);
}

TEST_F(PassTest, TextsOfTheEndScreensAndDeath) {
    const uint32_t green = Rgb(0, 255, 0);
    World.MonstersAtStart = 4, World.MonstersLeft = 1;  // 75 %; no items at start counts as 100 %
    auto expected = Image([&] {
        DrawScreenText("-- Level Complete! --", 70, 180, green, LargeFont);
        DrawScreenText("Kills:  75%", 70, 220, green, LargeFont);
        DrawScreenText("Inventory:  100%", 70, 260, green, LargeFont);
        DrawScreenText("-- Press Space --", 70, 300, green, LargeFont);
    });
    EXPECT_GT(Lit(expected), 1000);
    EXPECT_EQ(Image(DrawLevelComplete), expected);

    World.ObjectTable[0].score = 1234.4f;
    expected = Image([&] {
        DrawScreenText("-- CONGRADULATIONS! --", 70, 140, green, LargeFont);
        DrawScreenText("The evil monsters", 70, 240, green, LargeFont);
        DrawScreenText("Are defeated!", 220, 290, green, LargeFont);
        DrawScreenText("YOU WON", 320, 340, green, LargeFont);
        DrawScreenText("Your Score:  1234", 170, 390, green, LargeFont);
    });
    EXPECT_EQ(Image(DrawWon), expected);

    World.ObjectTable[0].state = 0;
    const uint32_t dark = Rgb(100, 0, 0);
    expected = Image([&] {
        DrawScreenText("-- Your Cause is Lost --", 70, 340, dark, LargeFont);
        DrawScreenText("Score:  1234", 170, 390, dark, LargeFont);
    });
    EXPECT_EQ(Image(DrawViewPass), expected);
}

// LEVELSTATS and SKILL on the level-complete screen: kills and items counted, the time against par, the
// skill, one line under the other; the campaign's record on the victory screen. RETRY's line: clear of
// the HUD and bright on the dark death screen.
TEST_F(PassTest, TheLevelsRecordAndTheRetryLine) {
    const uint32_t green = Rgb(0, 255, 0);
    Settings.LEVELSTATS = 1, Settings.SKILL = 3;
    World.MonstersAtStart = 7, World.ItemsAtStart = 4;
    World.Stats.kills = 5, World.Stats.items = 3, World.Stats.ticks = 10000, World.Stats.par = 20;
    const char* lines[] = {"-- Level Complete! --",    "Kills:  5 / 7",    "Items:  3 / 4",
                           "Time:  1:00   Par:  0:20", "Skill:  Hardened", "-- Press Space --"};
    EXPECT_EQ(Image(DrawLevelComplete), Image([&] {
                  for (int i = 0; i < 6; ++i) DrawScreenText(lines[i], 70, 110 + 40 * i, green, LargeFont);
              }));
    // The victory screen: the classic texts under the campaign's record.
    World.Campaign = WorldRecord::CampaignRecord{50, 63, 25, 36, 6, 30000};
    EXPECT_EQ(Image(DrawWon), Image([&] {
                  Settings.LEVELSTATS = 0, Settings.SKILL = 0;
                  DrawWon();
                  Settings.LEVELSTATS = 1, Settings.SKILL = 3;
                  DrawScreenText("Kills:  50 / 63   Items:  25 / 36", 70, 50, green, LargeFont);
                  DrawScreenText("Time:  3:00   Skill:  Hardened", 70, 90, green, LargeFont);
              }));

    ObjectRecord& player = World.ObjectTable[0];
    player.state = 0, player.pos[1] = 1.0f;
    player.weapon = WPN_MINIGUN, player.ammo[WPN_MINIGUN] = 50;
    World.DeadTicks = RETRY_WAIT_TICKS;
    const std::vector<uint32_t> without = Image(DrawViewPass), hud = Image(DrawHud);
    Settings.RETRY = 1;
    const std::vector<uint32_t> with = Image(DrawViewPass);
    int top = Settings.SCREENY, bottom = -1, hudTop = Settings.SCREENY, bright = 0, lit = 0;
    for (size_t i = 0; i < with.size(); ++i) {
        const int y = int(i) / Settings.SCREENX;
        if ((hud[i] & 0xFFFFFF) && y < hudTop) hudTop = y;
        if (with[i] == without[i]) continue;
        ++lit;
        top = std::min(top, y), bottom = std::max(bottom, y);
        const uint32_t c = with[i];
        bright += std::max({c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF}) >= 200;
    }
    EXPECT_GT(lit, 300) << "the retry line is drawn";
    EXPECT_LT(bottom, hudTop) << "the retry line stays above the HUD";
    EXPECT_GT(bright * 3, lit) << "a third of its pixels or more are bright";
    World.DeadTicks = RETRY_WAIT_TICKS - 1;
    EXPECT_EQ(Image(DrawViewPass), without) << "not before the death screen has shown a second";
}

TEST_F(PassTest, HudColoursAndTheKnifeHidesAmmunition) {
    ObjectRecord& player = World.ObjectTable[0];
    player.health = 9;
    player.weapon = WPN_KNIFE;
    player.ammo[0] = 3;
    const uint32_t low = Rgb(255, 0, 50), ok = Rgb(0, 255, 255);
    auto expected = Image([&] {
        DrawScreenText("+ HEALTH +", 10, 450, low, SmallFont);
        DrawScreenText("[9]", 25, 400, low, LargeFont);
    });
    EXPECT_EQ(Image(DrawHud), expected);
    player.health = 10;
    player.weapon = WPN_MINIGUN;
    player.ammo[WPN_MINIGUN] = 9;
    expected = Image([&] {
        DrawScreenText("+ HEALTH +", 10, 450, ok, SmallFont);
        DrawScreenText("[10]", 25, 400, ok, LargeFont);
        DrawScreenText("+ AMMO +", 540, 450, low, SmallFont);
        DrawScreenText("[9]", 540, 400, low, LargeFont);
    });
    EXPECT_EQ(Image(DrawHud), expected);

    // The hit feedback's HUD: a dead player's health reads 0 (the classic shows what the shot left), and
    // the weapons row changes with the weapon in hand and those owned.
    player.health = -20;
    const std::vector<uint32_t> classicDead = Image(DrawHud);
    Settings.HITFEEDBACK = 1;
    const std::vector<uint32_t> dead = Image(DrawHud);
    player.health = 0;
    EXPECT_EQ(Image(DrawHud), dead) << "health 0, not -20";
    Settings.HITFEEDBACK = 0;
    EXPECT_NE(Image(DrawHud), classicDead);
    EXPECT_NE(dead, classicDead) << "the weapons row shows";
    Settings.HITFEEDBACK = 1;
    player.owned[WPN_SHOTGUN] = 1;
    const std::vector<uint32_t> shotgun = Image(DrawHud);
    EXPECT_NE(shotgun, dead) << "a weapon owned is shown bright";
    player.weapon = WPN_SHOTGUN, player.ammo[WPN_SHOTGUN] = 9;
    EXPECT_NE(Image(DrawHud), shotgun) << "the one in hand is marked";
    Settings.HITFEEDBACK = 0;
}

TEST(WorldDump, ListsPresentRecordsWithTheirIndexes) {
    ResetWorld();
    World.ObjectTable[0].state = 1;
    World.ObjectTable[0].pos[0] = 1.5f;
    World.ObjectTable[0].controls.fire = 1;
    World.ObjectTable[7].state = AI_SEEK;
    World.ObjectTable[7].type = 11;
    World.MissileTable[3].state = 1;
    World.MissileTable[3].lifetime = 40;
    World.ExitPoint[0] = 3, World.ExitPoint[1] = -4;
    std::string j = StateDumpJson();
    EXPECT_NE(j.find(",\"player\":{\"state\":1,\"type\":0,\"pos\":[1.5,0,0],"), std::string::npos) << j;
    EXPECT_NE(j.find("\"controls\":[0,0,0,0,0,0,1,0,0,0,0,0,0,0,0,0]"), std::string::npos);
    EXPECT_NE(j.find("\"objects\":[{\"index\":7,\"state\":2,\"type\":11,"), std::string::npos) << j;
    EXPECT_NE(j.find("\"missiles\":[{\"index\":3,"), std::string::npos);
    EXPECT_NE(j.find("\"lifetime\":40}]"), std::string::npos);
    EXPECT_NE(j.find("\"modelFrames\":[0,0,0,0,0,0]"), std::string::npos);
    EXPECT_NE(j.find("\"ExitPoint\":[3,-4],\"segments\":0,\"floorSegments\":0}"), std::string::npos) << j;
    EXPECT_EQ(j.find(",,"), std::string::npos);
    EXPECT_EQ(j.find(":,"), std::string::npos);
    EXPECT_NE(j.back(), ',');
    ResetWorld();
}
