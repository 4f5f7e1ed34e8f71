// Golden frames: a small room with a pillar, a monster, a pickup, a rocket and the weapon in view,
// rendered by the line passes and compared pixel for pixel with committed PNGs, with and without
// occlusion and shading. Set ZARVO_UPDATE_GOLDEN=1 to write the PNGs anew after an intended change.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/settings.h"
#include "game/world.h"
#include "model/model.h"
#include "app/frame.h"
#include "render/passes.h"
#include "render/raster.h"
#include "render/video.h"
#include "render/png.h"
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
        Place(World.ObjectTable[1], 10, 2.5f, 5, 30);    // a monster, red
        Place(World.ObjectTable[2], 3, -2.5f, 1, 0);     // a gun pickup, yellow
        Place(World.ObjectTable[3], 12, 0, 6, 45);       // a monster behind the pillar
        Place(World.MissileTable[1], 9, 1.2f, 0, 0);     // a rocket in flight
        LoadSingleFrameModel(World.WeaponTable[0].models[0], "box.dxf", 0);
        World.WeaponTable[0].screenPos[0] = 0.6f;
        World.WeaponTable[0].screenPos[1] = -0.8f;
        World.WeaponTable[0].screenPos[2] = 2.0f;
        World.WeaponTable[0].screenRot[1] = 20;
    }
    void TearDown() override {
        ResetWorld();
        ResetRenderSwitches();
    }
    static void Place(ObjectRecord& r, int type, float x, float z, int heading) {
        r.state = 1;
        r.type = uint8_t(type);
        r.pos[0] = x;
        r.pos[2] = z;
        r.angles[1] = heading;
        LoadSingleFrameModel(r.models[0], "box.dxf", 0);
    }

    // The line passes' frame, through the palette.
    std::vector<uint32_t> RenderScene() {
        ClearBackBuffer(0);
        EXPECT_EQ(LockBackBuffer(), 1);
        DrawLevelPass();
        DrawObjectPass();
        DrawViewPass();
        std::vector<uint32_t> rgb(size_t(Settings.SCREENX) * Settings.SCREENY);
        for (int y = 0; y < Settings.SCREENY; ++y)
            for (int x = 0; x < Settings.SCREENX; ++x) {
                const PaletteEntry& p = Video.GamePalette[Video.FramePixels[y * Video.FramePitch + x]];
                rgb[size_t(y) * Settings.SCREENX + x] = (uint32_t(p.red) << 16) | (uint32_t(p.green) << 8) | p.blue;
            }
        UnlockBackBuffer();
        return rgb;
    }

    void Check(const char* name) {
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
        EXPECT_GT(lit, 2000) << "the scene is drawn";
    }
    ScratchDir dir;
};

TEST_F(Golden, ShadedWithOcclusion) { Check("room_shaded_occluded"); }

TEST_F(Golden, ShadedWithoutOcclusion) {
    Render.OcclusionEnabled = 0;
    Check("room_shaded_open");
}

TEST_F(Golden, FlatWithOcclusion) {
    Render.ShadingEnabled = 0;
    Check("room_flat_occluded");
}

TEST_F(Golden, FlatWithoutOcclusion) {
    Render.ShadingEnabled = 0;
    Render.OcclusionEnabled = 0;
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
