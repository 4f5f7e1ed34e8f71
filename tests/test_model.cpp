// Model tests: model files, single-frame and box models, transformation, sharing between copies.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/settings.h"
#include "console/console.h"
#include "defs/definition.h"
#include "defs/models.h"
#include "model/model.h"
#include "render/raster.h"
#include "render/video.h"
#include "support/dxf.h"
#include "test_util.h"

namespace {

// A DXF of n distinct segments along z = 5, x from 0 upward.
std::string Segments(const std::string& name, int n, float y = 0) {
    std::string s;
    for (int i = 0; i < n; ++i) s += DxfLine(float(i), y, 5, float(i), y, 6);
    return ScratchFile(name, s);
}

std::string ModelFile(const std::string& name, const std::vector<std::string>& lines) {
    return ScratchFile(name, DefinitionText(lines));
}

class ModelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        BuildTrigTables();
        ConsoleInit();
    }
    const float eye[3] = {0, 0, 0};
    const int32_t still[3] = {0, 0, 0};
};

}  // namespace

TEST_F(ModelTest, FrameCountOutsideOneToFiveFailsBeforeAnyDrawing) {
    std::string dxf = Segments("ten.dxf", 10);
    for (const char* frames : {"FRAMES=0", "FRAMES=6", "SCALE=2", "FRAMES=-1"}) {
        Model m;
        std::string file = ModelFile("bad.mdl", {frames, "FRAME0=" + dxf, "FRAME1=missing.dxf"});
        EXPECT_EQ(LoadModelFile(m, file.c_str(), 0), 0) << frames;
        EXPECT_EQ(m.frameCount, 0);
        EXPECT_EQ(m.frames, nullptr);
        EXPECT_FALSE(ConsoleShows("Failed to loead file"));
    }
    Model m;
    EXPECT_EQ(LoadModelFile(m, ScratchPath("no-such-model.mdl").c_str(), 0), 0);
}

TEST_F(ModelTest, ArraysFollowTheLargestFrameAndMissingFramesStayEmpty) {
    std::string a = Segments("a10.dxf", 10), b = Segments("b25.dxf", 25);
    Model m;
    std::string file = ModelFile("gap.mdl", {"FRAMES=3", "FRAME0=" + a, "FRAME2=" + b});
    ASSERT_EQ(LoadModelFile(m, file.c_str(), 0), 1);
    EXPECT_EQ(m.frameCount, 3);
    EXPECT_EQ(m.maxSegments, 25);
    ASSERT_NE(m.projected, nullptr);
    ASSERT_NE(m.visible, nullptr);
    EXPECT_EQ(TransformModel(m, 0, eye, still, eye, still), 1);
    EXPECT_EQ(m.drawnCount, 10);
    EXPECT_EQ(m.visible[0], 1);
    EXPECT_EQ(TransformModel(m, 1, eye, still, eye, still), 1);
    EXPECT_EQ(m.drawnCount, 0);
    EXPECT_EQ(TransformModel(m, 2, eye, still, eye, still), 1);
    EXPECT_EQ(m.drawnCount, 25);
    // A bad frame index changes nothing.
    EXPECT_EQ(TransformModel(m, 3, eye, still, eye, still), 0);
    EXPECT_EQ(TransformModel(m, -1, eye, still, eye, still), 0);
    EXPECT_EQ(m.drawnCount, 25);
}

TEST_F(ModelTest, ScaleMultipliesCoordinatesButNotExtents) {
    std::string a = Segments("s.dxf", 3);
    Model m;
    std::string file = ModelFile("scaled.mdl", {"FRAMES=1", "SCALE=2", "FRAME0=" + a});
    ASSERT_EQ(LoadModelFile(m, file.c_str(), 0), 1);
    ASSERT_EQ(m.frames[0].count, 3);
    EXPECT_EQ(m.frames[0].segments[2].x1, 4.0f);
    EXPECT_EQ(m.frames[0].segments[2].z2, 12.0f);
    EXPECT_FLOAT_EQ(m.frames[0].halfExtents[0], 1.0f);  // from the unscaled 0..2
}

TEST_F(ModelTest, UnreadableFrameFailsLoudlyAndDrawsNothing) {
    std::string a = Segments("ok.dxf", 4);
    std::string missing = ScratchPath("gone.dxf");
    Model m;
    std::string file = ModelFile("broken.mdl", {"FRAMES=2", "FRAME0=" + a, "FRAME1=" + missing});
    ASSERT_EQ(LoadModelFile(m, file.c_str(), 0), 0);
    EXPECT_TRUE(ConsoleShows("Cannot open drawing " + missing + " of model file " + file));
    EXPECT_TRUE(ConsoleShows(missing));
    EXPECT_TRUE(ConsoleShows("Failed to loead file"));
    EXPECT_EQ(m.frameCount, 2);  // frames loaded so far stay
    EXPECT_EQ(m.frames[0].count, 4);
    EXPECT_EQ(m.projected, nullptr);  // but without projection arrays: drawn as nothing
    EXPECT_EQ(TransformModel(m, 0, eye, still, eye, still), 1);
    EXPECT_EQ(m.drawnCount, 0);

    // A drawing of 2D LINEs (what a CAD program saves) is read but holds nothing the game draws; a
    // drawing named where a model file belongs has no FRAMES. Each says why before the game's own line.
    std::string flat = ScratchFile("flat.dxf", "0\nLINE\n8\nWALLS\n10\n0\n20\n0\n11\n5\n21\n0\n0\nEOF\n");
    std::string plain = ModelFile("plain.mdl", {"FRAMES=1", "FRAME0=" + flat});
    Model p;
    EXPECT_EQ(LoadModelFile(p, plain.c_str(), 0), 0);
    EXPECT_TRUE(ConsoleShows("Drawing " + flat + " of model file " + plain + " holds no 3DLINE or 3DFACE"));
    Model d;
    EXPECT_EQ(LoadModelFile(d, a.c_str(), 0), 0);
    EXPECT_TRUE(ConsoleShows("Model file " + a + " refused: it has no FRAMES (a model file names its drawings)"));
    Model gone;
    EXPECT_EQ(LoadModelFile(gone, ScratchPath("gone.mdl").c_str(), 0), 0);
    EXPECT_TRUE(ConsoleShows("Cannot open model file " + ScratchPath("gone.mdl")));
}

TEST_F(ModelTest, CallersDefinitionTableIsRestored) {
    std::string a = Segments("r.dxf", 2);
    ASSERT_EQ(LoadDefinitionFile(ModelFile("caller.def", {"MINE=yes"}).c_str()), 1);
    Model m;
    EXPECT_EQ(LoadModelFile(m, ModelFile("ok.mdl", {"FRAMES=1", "FRAME0=" + a}).c_str(), 0), 1);
    ASSERT_EQ(GetDefinitionValue("MINE", 0), 1);
    EXPECT_STREQ(DefinitionValue, "yes");
    EXPECT_EQ(LoadModelFile(m, ModelFile("bad2.mdl", {"FRAMES=9"}).c_str(), 0), 0);
    EXPECT_EQ(GetDefinitionValue("MINE", 0), 1);
    std::string noFrame = ModelFile("bad3.mdl", {"FRAMES=1", "FRAME0=" + ScratchPath("x.dxf")});
    EXPECT_EQ(LoadModelFile(m, noFrame.c_str(), 0), 0);
    EXPECT_EQ(GetDefinitionValue("MINE", 0), 1);
    ClearDefinitionFile();
}

TEST_F(ModelTest, SingleFrameAndBoxModels) {
    Model level, floor, box;
    std::string map = ScratchFile("room.dxf",
                                  "3DLINE\n10\n0\n20\n0\n30\n0\n11\n4\n21\n0\n31\n0\n"
                                  "3DLINE\n10\n0\n20\n0\n30\n0\n11\n0\n21\n3\n31\n0\n");
    EXPECT_EQ(LoadSingleFrameModel(level, map.c_str(), 0), 1);
    EXPECT_EQ(LoadSingleFrameModel(floor, map.c_str(), 1), 1);
    EXPECT_EQ(level.frames[0].count, 2);
    EXPECT_EQ(floor.frames[0].count, 1);
    EXPECT_EQ(floor.maxSegments, 1);
    EXPECT_EQ(LoadSingleFrameModel(level, ScratchPath("nowhere.dxf").c_str(), 0), 1);
    EXPECT_EQ(level.frameCount, 1);
    EXPECT_EQ(level.frames[0].count, 0);
    EXPECT_EQ(TransformModel(level, 0, eye, still, eye, still), 1);
    EXPECT_EQ(level.drawnCount, 0);

    const float half[3] = {0.5f, 0.25f, 2};
    EXPECT_EQ(MakeBoxModel(box, half), 1);
    EXPECT_EQ(box.frameCount, 1);
    EXPECT_EQ(box.frames[0].halfExtents[2], 2.0f);
    EXPECT_EQ(box.projected, nullptr);
    EXPECT_EQ(TransformModel(box, 0, eye, still, eye, still), 1);
    EXPECT_EQ(box.drawnCount, 0);
    ClearModel(box);
    EXPECT_EQ(box.frames, nullptr);
    EXPECT_EQ(box.frameCount, 0);
}

// Copies share the geometry: clearing or reloading the original leaves a copy whole.
TEST_F(ModelTest, CopiesShareGeometryWithoutSharingOwnership) {
    Model original;
    ASSERT_EQ(LoadSingleFrameModel(original, Segments("share.dxf", 7).c_str(), 0), 1);
    Model copy = original;
    EXPECT_EQ(copy.frames, original.frames);
    ClearModel(original);
    ASSERT_EQ(copy.frameCount, 1);
    EXPECT_EQ(copy.frames[0].count, 7);
    EXPECT_EQ(TransformModel(copy, 0, eye, still, eye, still), 1);
    EXPECT_EQ(copy.drawnCount, 7);
    Model other = copy;
    EXPECT_EQ(LoadSingleFrameModel(copy, Segments("other.dxf", 2).c_str(), 0), 1);
    EXPECT_EQ(other.frames[0].count, 7);
    EXPECT_EQ(copy.frames[0].count, 2);
}
