// Golden frames: a small room with a pillar, a monster, a pickup, a rocket and the weapon in view,
// rendered by the line passes and compared pixel for pixel with committed PNGs, with and without
// occlusion and shading. Set ZARVO_UPDATE_GOLDEN=1 to write the PNGs anew after an intended change.
// With SCALEVIEW the same scene, texts and aids at 1024 x 768 match the 640 x 480 frame scaled up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/frame.h"
#include "app/menu_input.h"
#include "app/settings.h"
#include "console/console.h"
#include "defs/menu.h"
#include "game/world.h"
#include "model/model.h"
#include "render/aids.h"
#include "render/passes.h"
#include "render/png.h"
#include "render/raster.h"
#include "render/video.h"
#include "support/dxf.h"
#include "test_util.h"

namespace {

class Golden : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetProgram();
        BuildTrigTables();
        WriteFile("room.dxf", DxfBox(-6, -6, 6, 8, 3) + DxfBox(-1, 2, 1, 3, 3) + kDxfEof);
        WriteFile("box.dxf", DxfBox(-0.5f, -0.5f, 0.5f, 0.5f, 1) + kDxfEof);
        LoadSingleFrameModel(World.LevelModel, "room.dxf", 0);
        LoadSingleFrameModel(World.OcclusionModel, "room.dxf", 1);
        AllocateColumnBuffer();
        ResetPlayer();
        ObjectRecord& player = World.ObjectTable[0];
        player.pos[0] = 0.5f;
        player.pos[1] = 1.5f;
        player.pos[2] = -4;
        player.angles[1] = 10;
        Place(World.ObjectTable[1], 10, 2.5f, 5, 30);  // a monster, red
        Place(World.ObjectTable[2], 3, -2.5f, 1, 0);   // a gun pickup, yellow
        Place(World.ObjectTable[3], 12, 0, 6, 45);     // a monster behind the pillar
        Place(World.MissileTable[1], 9, 1.2f, 0, 0);   // a rocket in flight
        LoadSingleFrameModel(World.WeaponTable[0].models[0], "box.dxf", 0);
        World.WeaponTable[0].screenPos[0] = 0.6f;
        World.WeaponTable[0].screenPos[1] = -0.8f;
        World.WeaponTable[0].screenPos[2] = 2.0f;
        World.WeaponTable[0].screenRot[1] = 20;
    }
    void TearDown() override {
        ResetWorld();
        ResetRenderSwitches();
        // Back to the start-up screen, whatever size and view a test left.
        Settings.SCREENX = 640, Settings.SCREENY = 480, Settings.SCALEVIEW = 0, Settings.NEARCLIP = 0;
        ChangeResolution();
    }
    static void Place(ObjectRecord& r, int type, float x, float z, int heading) {
        r.state = 1;
        r.type = uint8_t(type);
        r.pos[0] = x;
        r.pos[2] = z;
        r.angles[1] = heading;
        LoadSingleFrameModel(r.models[0], "box.dxf", 0);
    }

    // The line passes' frame (and what `more` draws after them), through the palette.
    std::vector<uint32_t> RenderScene(const std::function<void()>& more = {}) {
        ClearBackBuffer(0);
        EXPECT_EQ(LockBackBuffer(), 1);
        DrawLevelPass();
        DrawObjectPass();
        DrawViewPass();
        if (more) more();
        std::vector<uint32_t> rgb(size_t(Settings.SCREENX) * Settings.SCREENY);
        for (int y = 0; y < Settings.SCREENY; ++y)
            for (int x = 0; x < Settings.SCREENX; ++x) {
                const PaletteEntry& p = Video.GamePalette[Video.FramePixels[y * Video.FramePitch + x]];
                rgb[size_t(y) * Settings.SCREENX + x] = (uint32_t(p.red) << 16) | (uint32_t(p.green) << 8) | p.blue;
            }
        UnlockBackBuffer();
        return rgb;
    }

    void Check(const char* name, int minLit = 2000) {
        std::vector<uint32_t> frame = RenderScene();
        std::string path = std::string(ZARVO_SOURCE_DIR) + "/tests/golden/" + name + ".png";
        if (getenv("ZARVO_UPDATE_GOLDEN")) {
            ASSERT_TRUE(WritePng(path.c_str(), frame.data(), Settings.SCREENX, Settings.SCREENY));
            return;
        }
        std::vector<uint32_t> golden;
        int w = 0, h = 0;
        ASSERT_TRUE(ReadPng(path.c_str(), golden, &w, &h)) << path;
        ASSERT_EQ(w, Settings.SCREENX);
        ASSERT_EQ(h, Settings.SCREENY);
        int differing = 0;
        for (size_t i = 0; i < frame.size(); ++i) differing += frame[i] != golden[i];
        if (differing) WritePng((std::string("/tmp/zarvo-golden-") + name + "-actual.png").c_str(), frame.data(), w, h);
        EXPECT_EQ(differing, 0) << name << ": the frame differs; actual image in /tmp/zarvo-golden-" << name
                                << "-actual.png";
        int lit = 0;
        for (uint32_t p : frame) lit += p != 0;
        EXPECT_GT(lit, minLit) << "the scene is drawn";
    }
    ScratchDir dir;
};

TEST_F(Golden, ShadedWithOcclusion) { Check("room_shaded_occluded"); }

TEST_F(Golden, ShadedWithoutOcclusion) {
    Settings.ZBUFFER = 0;
    Check("room_shaded_open");
}

TEST_F(Golden, FlatWithOcclusion) {
    Settings.SHADING = 0;
    Check("room_flat_occluded");
}

TEST_F(Golden, FlatWithoutOcclusion) {
    Settings.SHADING = 0;
    Settings.ZBUFFER = 0;
    Check("room_flat_open");
}

TEST_F(Golden, TheMenuStateDrawsNoLevelLines) {
    Program.GameState = GS_MENU;
    ASSERT_EQ(RenderFrame(), 1);
    int w = 0, h = 0;
    const uint32_t* img = LastPresentedImage(&w, &h);
    int lit = 0;
    for (int i = 0; i < w * h; ++i) lit += img[i] != 0;
    EXPECT_EQ(lit, 0) << "a loaded level is not drawn under the start menu";
    Program.GameState = GS_PLAYING;
    ASSERT_EQ(RenderFrame(), 1);
    img = LastPresentedImage(&w, &h);
    for (int i = 0; i < w * h; ++i) lit += img[i] != 0;
    EXPECT_GT(lit, 2000);
    Program.GameState = GS_MENU;
}

// A screen size with or without the scaled view.
void SetScreen(int w, int h, int scaleView) {
    Settings.SCREENX = w, Settings.SCREENY = h, Settings.SCALEVIEW = scaleView;
    ChangeResolution();
    AllocateColumnBuffer();
}

// Lit pixels of a 1024 x 768 frame that lie further than 2 pixels from every lit pixel of the 640 x 480
// frame scaled up by 1.6 (each pixel's centre to its place on the larger screen), and the other way
// round: 0 when both show the same picture up to line thickness.
int Unmatched(const std::vector<uint32_t>& small, const std::vector<uint32_t>& large) {
    std::vector<uint8_t> scaled(1024 * 768), lit(1024 * 768);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            if (small[size_t(y) * 640 + x]) scaled[size_t(y * 8 + 4) / 5 * 1024 + size_t(x * 8 + 4) / 5] = 1;
    for (size_t i = 0; i < lit.size(); ++i) lit[i] = large[i] != 0;
    auto near = [](const std::vector<uint8_t>& image, int x, int y) {
        for (int v = std::max(y - 2, 0); v <= std::min(y + 2, 767); ++v)
            for (int u = std::max(x - 2, 0); u <= std::min(x + 2, 1023); ++u)
                if (image[size_t(v) * 1024 + u]) return true;
        return false;
    };
    int misses = 0;
    for (int y = 0; y < 768; ++y)
        for (int x = 0; x < 1024; ++x) {
            const size_t i = size_t(y) * 1024 + x;
            if (lit[i] && !near(scaled, x, y)) ++misses;
            if (scaled[i] && !near(lit, x, y)) ++misses;
        }
    return misses;
}

TEST_F(Golden, TheScaledViewShowsTheSameLinesOnALargerScreen) {
    Program.GameState = GS_PLAYING;
    Settings.CROSSHAIR = 1;
    World.HitMarkTicks = 5;
    World.ExitPoint[0] = 30, World.ExitPoint[1] = 4;  // beyond the map's range: at its edge
    const std::function<void()> crosshair = DrawCrosshair, automap = [] {
        Settings.AUTOMAP = 2;
        Render.AutomapShown = 1;
        DrawAutomap();
        Settings.AUTOMAP = 0;
    };
    for (const auto& more : {std::function<void()>(), crosshair, automap}) {
        SetScreen(640, 480, 1);
        const std::vector<uint32_t> small = RenderScene(more);
        SetScreen(1024, 768, 1);
        const std::vector<uint32_t> large = RenderScene(more);
        int lit = 0;
        for (uint32_t p : large) lit += p != 0;
        EXPECT_GT(lit, 3000);
        EXPECT_EQ(Unmatched(small, large), 0);
        SetScreen(1024, 768, 0);
        EXPECT_GT(Unmatched(small, RenderScene(more)), 2000) << "without the key the view is wider";
    }
    Render.AutomapShown = 0;
    Program.GameState = GS_MENU;
}

// The box around the text of a presented frame: its pixels that are neither black nor the console's fill.
struct Box {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
};
Box TextBox(const std::function<void()>& draw) {
    ClearBackBuffer(0);
    draw();
    PresentFrame();
    int w = 0, h = 0;
    const uint32_t* img = LastPresentedImage(&w, &h);
    Box b;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t p = img[size_t(y) * w + x];
            if (p == 0 || p == 0x000078u) continue;
            b.x0 = std::min(b.x0, x), b.y0 = std::min(b.y0, y), b.x1 = std::max(b.x1, x), b.y1 = std::max(b.y1, y);
        }
    return b;
}

using Screens = std::vector<std::pair<const char*, std::function<void()>>>;

// The screens of texts, each drawn alone: the HUD, the end screens, the death texts, the notify lines, the
// open console and a menu of three items; with a player of some health, ammunition and score, and twelve
// console lines (two of them notify lines), the same at every screen size.
Screens TextScreens(ConsoleRecord& lines) {
    ObjectRecord& player = World.ObjectTable[0];
    player.health = 85;
    player.weapon = WPN_SHOTGUN;
    player.ammo[WPN_SHOTGUN] = 24;
    player.score = 1234;
    World.MonstersAtStart = 4, World.MonstersLeft = 1;
    WriteFile("items.itm", "MENUITEMS=3\r0=NEW GAME;NADDA;a\r1=OPTIONS;NADDA;b\r2=QUIT;NADDA;c\r");
    for (int i = 0; i < 12; ++i) ConsoleAddLine(i < 2 ? 90 : 1, "Loading the level, object types and sounds");
    lines = Console;  // the same lines at every size (loading a menu prints its name)
    return {
        {"hud", DrawHud},
        {"level complete", DrawLevelComplete},
        {"won", DrawWon},
        {"death",
         [] {
             World.ObjectTable[0].state = 0;
             DrawViewPass();
             World.ObjectTable[0].state = 1;
         }},
        {"notify lines",
         [&lines] {
             Console = lines;
             ConsoleDraw();
         }},
        {"console",
         [&lines] {
             Console = lines;
             Console.ConsoleState = CON_OPEN;
             Console.ConsoleHeight = Settings.SCREENY / 2;
             ConsoleDraw();
             Console.ConsoleState = CON_CLOSED;
         }},
        {"menu",
         [] {
             LoadMenuItems("items.itm");
             DrawMenuItems();
             Menu.Visible = 0;
         }},
    };
}

TEST_F(Golden, TheScaledViewShowsTheSameTextsOnALargerScreen) {
    ConsoleRecord lines;
    const Screens screens = TextScreens(lines);
    std::vector<Box> small;
    SetScreen(640, 480, 1);
    for (const auto& [name, draw] : screens) small.push_back(TextBox(draw));
    const std::vector<MenuItem> items(Menu.items, Menu.items + 3);
    SetScreen(1024, 768, 1);
    for (size_t i = 0; i < screens.size(); ++i) {
        const Box& s = small[i];
        const Box l = TextBox(screens[i].second);
        ASSERT_GT(s.x1 - s.x0, 20) << screens[i].first;
        // Edges within 3 pixels and 2 % of the box's side, as the glyphs of the larger fonts do not scale
        // exactly.
        const int slackX = 3 + (l.x1 - l.x0) / 50, slackY = 3 + (l.y1 - l.y0) / 50;
        EXPECT_NEAR(l.x0, s.x0 * 1.6, slackX) << screens[i].first;
        EXPECT_NEAR(l.y0, s.y0 * 1.6, slackY) << screens[i].first;
        EXPECT_NEAR(l.x1 + 1, (s.x1 + 1) * 1.6, slackX) << screens[i].first;
        EXPECT_NEAR(l.y1 + 1, (s.y1 + 1) * 1.6, slackY) << screens[i].first;
    }
    // The menu's items and their hit tests follow: the centre of each item at 640 x 480, scaled, hits it.
    LoadMenuItems("items.itm");
    for (int i = 0; i < 3; ++i) {
        const MenuItem& m = items[size_t(i)];
        Menu.selected = -1;
        HoverMenu(int((m.x + m.width / 2) * 1.6), int((m.y + m.height / 2) * 1.6));
        EXPECT_EQ(Menu.selected, i);
        EXPECT_NEAR(Menu.items[i].y, m.y * 1.6, 4);
        EXPECT_NEAR(Menu.items[i].height, m.height * 1.6, 3);
    }
    // Without the key the texts keep their pixel size and place.
    SetScreen(1024, 768, 0);
    const Box hud = TextBox(DrawHud);
    EXPECT_EQ(hud.x0, small[0].x0);
    EXPECT_EQ(hud.y1 - hud.y0, small[0].y1 - small[0].y0);
    Menu.Visible = 0;
}

// Widescreen with SCALEVIEW: 1920 x 1080 sees the 4:3 picture of 1440 x 1080 in its middle, and more to
// the sides. The frame is held as a golden; its middle and the 1440 x 1080 frame show the same lines, up to
// a pixel where a line is cut at the narrower screen's edge and its steps start afresh, and but for a few
// pixels of far lines at the very edge of the depth test's slack (the occluders' depths are stepped from
// each screen's own left edge).
TEST_F(Golden, AWideScreenSeesTheFourByThreePictureInItsMiddleAndMoreToTheSides) {
    SetScreen(1440, 1080, 1);
    const std::vector<uint32_t> narrow = RenderScene();
    SetScreen(1920, 1080, 1);
    Check("room_widescreen_1920x1080", 6000);
    const std::vector<uint32_t> wide = RenderScene();
    auto litNear = [](const std::vector<uint32_t>& image, int w, int h, int x, int y, uint32_t colour) {
        for (int v = std::max(y - 1, 0); v <= std::min(y + 1, h - 1); ++v)
            for (int u = std::max(x - 1, 0); u <= std::min(x + 1, w - 1); ++u)
                if (image[size_t(v) * w + u] == colour) return true;
        return false;
    };
    int exact = 0, misses = 0, lit = 0, sides = 0;
    for (int y = 0; y < 1080; ++y)
        for (int x = 0; x < 1920; ++x) {
            const uint32_t p = wide[size_t(y) * 1920 + x];
            if (x < 240 || x >= 1680) {
                sides += p != 0;
                continue;
            }
            const uint32_t q = narrow[size_t(y) * 1440 + x - 240];
            exact += p == q;
            lit += p != 0;
            if (p && !litNear(narrow, 1440, 1080, x - 240, y, p)) ++misses;
            if (q && !litNear(wide, 1920, 1080, x, y, q)) ++misses;
        }
    EXPECT_GT(lit, 5000);
    EXPECT_LE(misses, lit / 1000) << "the middle of the wide frame is the 4:3 frame";
    EXPECT_GT(exact, 1440 * 1080 - 1440 * 1080 / 2000) << "all but a few pixels the same";
    EXPECT_GT(sides, 1000) << "the wide screen sees more to the sides";
}

// Standing in a corner, facing it: the walls and the rail along them at eye height run from the corner to
// far behind the eye, so the classic near rule drops every one of their lines and only the corner's post
// shows; with NEARCLIP they are cut at the near limit and the corner shows. Without the key the frame is
// the classic one, bit for bit.
TEST_F(Golden, InACornerTheWallsShowWithTheNearCut) {
    std::string rail;
    const float c[4][2] = {{-6, -6}, {6, -6}, {6, 8}, {-6, 8}};
    for (int i = 0; i < 4; ++i) rail += DxfLine(c[i][0], 1.4f, c[i][1], c[(i + 1) % 4][0], 1.4f, c[(i + 1) % 4][1]);
    WriteFile("railed.dxf", DxfBox(-6, -6, 6, 8, 3) + rail + kDxfEof);
    LoadSingleFrameModel(World.LevelModel, "railed.dxf", 0);
    ObjectRecord& player = World.ObjectTable[0];
    player.pos[0] = 5, player.pos[1] = 1.5f, player.pos[2] = 7;
    player.angles[1] = 315;  // looking along (+x, +z), at the corner (6, 8)
    // The level's lines are the blue ones (the weapon in view is green).
    auto blue = [&] {
        int n = 0;
        for (uint32_t p : RenderScene()) n += p != 0 && (p & 0xFFFF00u) == 0;
        return n;
    };
    Check("corner_classic", 1500);
    const int classicLit = blue();
    Settings.NEARCLIP = 1;
    Check("corner_nearclip", 2000);
    const int cutLit = blue();
    Settings.NEARCLIP = 0;
    EXPECT_LT(classicLit * 2, cutLit) << classicLit << " lit pixels of the level without the near cut, " << cutLit
                                      << " with it";
}

// On a wide screen with SCALEVIEW everything keeps its size (the height's) and its place: the HUD's figures
// in the screen's corners, the menu, console texts, end screens, crosshair and map in the middle, each
// where the 4:3 screen of the same height has it, 240 pixels on at 1920 x 1080.
TEST_F(Golden, OnAWideScreenTheHudKeepsToTheCornersAndTheRestToTheMiddle) {
    Program.GameState = GS_PLAYING;
    ObjectRecord& player = World.ObjectTable[0];
    Settings.CROSSHAIR = 1;
    ConsoleRecord lines;
    const Screens screens = TextScreens(lines);
    // The box round the lines a draw leaves in the frame.
    auto lineBox = [](const std::function<void()>& draw) {
        ClearBackBuffer(0);
        LockBackBuffer();
        draw();
        Box b;
        for (int y = 0; y < Settings.SCREENY; ++y)
            for (int x = 0; x < Settings.SCREENX; ++x)
                if (Video.FramePixels[size_t(y) * Video.FramePitch + x]) {
                    b.x0 = std::min(b.x0, x), b.y0 = std::min(b.y0, y);
                    b.x1 = std::max(b.x1, x), b.y1 = std::max(b.y1, y);
                }
        UnlockBackBuffer();
        return b;
    };
    std::vector<std::pair<const char*, std::function<Box()>>> middle;
    for (const auto& [name, draw] : screens)
        if (std::string(name) != "hud") middle.push_back({name, [&draw = draw] { return TextBox(draw); }});
    middle.push_back({"crosshair", [&] { return lineBox(DrawCrosshair); }});
    middle.push_back({"map", [&] {
                          return lineBox([] {
                              Settings.AUTOMAP = 1;
                              Render.AutomapShown = 1;
                              DrawAutomap();
                              Settings.AUTOMAP = 0;
                              Render.AutomapShown = 0;
                          });
                      }});
    auto hud = [&](int weapon) {
        player.weapon = weapon;
        return TextBox(DrawHud);
    };
    SetScreen(1440, 1080, 1);
    std::vector<Box> narrow;
    for (const auto& [name, box] : middle) narrow.push_back(box());
    const Box healthOnly = hud(WPN_KNIFE), bothNarrow = hud(WPN_SHOTGUN);
    SetScreen(1920, 1080, 1);
    for (size_t i = 0; i < middle.size(); ++i) {
        const Box n = narrow[i], w = middle[i].second();
        ASSERT_GT(n.x1 - n.x0, 10) << middle[i].first;
        EXPECT_EQ(std::vector<int>({w.x0, w.y0, w.x1, w.y1}), std::vector<int>({n.x0 + 240, n.y0, n.x1 + 240, n.y1}))
            << middle[i].first;
    }
    const Box health = hud(WPN_KNIFE), both = hud(WPN_SHOTGUN);
    EXPECT_EQ(std::vector<int>({health.x0, health.y0, health.x1, health.y1}),
              std::vector<int>({healthOnly.x0, healthOnly.y0, healthOnly.x1, healthOnly.y1}))
        << "the health keeps to the left corner";
    EXPECT_EQ(both.x1, bothNarrow.x1 + 480) << "the ammunition keeps to the right corner";
    EXPECT_GT(both.x1, 1920 - 200);
    Program.GameState = GS_MENU;
}

TEST(PngFiles, RoundTripAndRejection) {
    ScratchDir dir;
    std::vector<uint32_t> img(37 * 11);
    for (size_t i = 0; i < img.size(); ++i) img[i] = uint32_t(i * 2654435761u) & 0xFFFFFF;
    ASSERT_TRUE(WritePng("t.png", img.data(), 37, 11));
    std::vector<uint32_t> back;
    int w = 0, h = 0;
    ASSERT_TRUE(ReadPng("t.png", back, &w, &h));
    EXPECT_EQ(w, 37);
    EXPECT_EQ(h, 11);
    EXPECT_EQ(back, img);
    std::string bytes = ReadFile("t.png");
    WriteFile("cut.png", bytes.substr(0, bytes.size() / 2));
    EXPECT_FALSE(ReadPng("cut.png", back, &w, &h));
    WriteFile("junk.png", "not a png at all");
    EXPECT_FALSE(ReadPng("junk.png", back, &w, &h));
}

}  // namespace
