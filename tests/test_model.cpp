// Model tests: model files, single-frame and box models, transformation, sharing between copies.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/settings.h"
#include "console/console.h"
#include "defs/definition.h"
#include "defs/models.h"
#include "model/model.h"
#include "render/raster.h"
#include "render/video.h"

namespace {

std::string TempPath(const std::string& name) {
    return (std::filesystem::path(::testing::TempDir()) / ("zarvo_model_" + name)).string();
}

std::string WriteTemp(const std::string& name, const std::string& bytes) {
    std::string path = TempPath(name);
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

// A DXF of n distinct segments along z = 5, x from 0 upward.
std::string Segments(const std::string& name, int n, float y = 0) {
    std::string s;
    for (int i = 0; i < n; ++i) {
        char b[160];
        std::snprintf(b, sizeof b, "0\n3DLINE\n10\n%d\n20\n%g\n30\n5\n11\n%d\n21\n%g\n31\n6\n", i, y, i, y);
        s += b;
    }
    return WriteTemp(name, s);
}

// Definition files end their lines with carriage returns.
std::string ModelFile(const std::string& name, const std::string& lines) {
    std::string s;
    for (char c : lines) s += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return WriteTemp(name, s);
}

bool ConsoleShows(const char* text) {
    for (auto& slot : Console.ConsoleBuffer)
        if (std::strcmp(reinterpret_cast<const char*>(slot) + 4, text) == 0) return true;
    return false;
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
    for (const char* frames : {"FRAMES=0\n", "FRAMES=6\n", "SCALE=2\n", "FRAMES=-1\n"}) {
        Model m;
        std::string file = ModelFile("bad.mdl", std::string(frames) + "FRAME0=" + dxf + "\nFRAME1=missing.dxf\n");
        EXPECT_EQ(LoadModelFile(m, file.c_str(), 0), 0) << frames;
        EXPECT_EQ(m.frameCount, 0);
        EXPECT_EQ(m.frames, nullptr);
        EXPECT_FALSE(ConsoleShows("Failed to loead file"));
    }
    Model m;
    EXPECT_EQ(LoadModelFile(m, TempPath("no-such-model.mdl").c_str(), 0), 0);
}

TEST_F(ModelTest, ArraysFollowTheLargestFrameAndMissingFramesStayEmpty) {
    std::string a = Segments("a10.dxf", 10), b = Segments("b25.dxf", 25);
    Model m;
    ASSERT_EQ(LoadModelFile(m, ModelFile("gap.mdl", "FRAMES=3\nFRAME0=" + a + "\nFRAME2=" + b + "\n").c_str(), 0),
              1);
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
    ASSERT_EQ(LoadModelFile(m, ModelFile("scaled.mdl", "FRAMES=1\nSCALE=2\nFRAME0=" + a + "\n").c_str(), 0), 1);
    ASSERT_EQ(m.frames[0].count, 3);
    EXPECT_EQ(m.frames[0].segments[2].x1, 4.0f);
    EXPECT_EQ(m.frames[0].segments[2].z2, 12.0f);
    EXPECT_FLOAT_EQ(m.frames[0].halfExtents[0], 1.0f);  // from the unscaled 0..2
}

TEST_F(ModelTest, UnreadableFrameFailsLoudlyAndDrawsNothing) {
    std::string a = Segments("ok.dxf", 4);
    std::string missing = TempPath("gone.dxf");
    Model m;
    ASSERT_EQ(LoadModelFile(m, ModelFile("broken.mdl", "FRAMES=2\nFRAME0=" + a + "\nFRAME1=" + missing + "\n").c_str(),
                            0),
              0);
    EXPECT_TRUE(ConsoleShows(missing.c_str()));
    EXPECT_TRUE(ConsoleShows("Failed to loead file"));
    EXPECT_EQ(m.frameCount, 2);  // frames loaded so far stay
    EXPECT_EQ(m.frames[0].count, 4);
    EXPECT_EQ(m.projected, nullptr);  // but without projection arrays: drawn as nothing
    EXPECT_EQ(TransformModel(m, 0, eye, still, eye, still), 1);
    EXPECT_EQ(m.drawnCount, 0);
}

TEST_F(ModelTest, CallersDefinitionTableIsRestored) {
    std::string a = Segments("r.dxf", 2);
    ASSERT_EQ(LoadDefinitionFile(ModelFile("caller.def", "MINE=yes\n").c_str()), 1);
    Model m;
    EXPECT_EQ(LoadModelFile(m, ModelFile("ok.mdl", "FRAMES=1\nFRAME0=" + a + "\n").c_str(), 0), 1);
    ASSERT_EQ(GetDefinitionValue("MINE", 0), 1);
    EXPECT_STREQ(DefinitionValue, "yes");
    EXPECT_EQ(LoadModelFile(m, ModelFile("bad2.mdl", "FRAMES=9\n").c_str(), 0), 0);
    EXPECT_EQ(GetDefinitionValue("MINE", 0), 1);
    EXPECT_EQ(LoadModelFile(m, ModelFile("bad3.mdl", "FRAMES=1\nFRAME0=" + TempPath("x.dxf") + "\n").c_str(), 0), 0);
    EXPECT_EQ(GetDefinitionValue("MINE", 0), 1);
    ClearDefinitionFile();
}

TEST_F(ModelTest, SingleFrameAndBoxModels) {
    Model level, floor, box;
    std::string map = WriteTemp("room.dxf", "3DLINE\n10\n0\n20\n0\n30\n0\n11\n4\n21\n0\n31\n0\n"
                                            "3DLINE\n10\n0\n20\n0\n30\n0\n11\n0\n21\n3\n31\n0\n");
    EXPECT_EQ(LoadSingleFrameModel(level, map.c_str(), 0), 1);
    EXPECT_EQ(LoadSingleFrameModel(floor, map.c_str(), 1), 1);
    EXPECT_EQ(level.frames[0].count, 2);
    EXPECT_EQ(floor.frames[0].count, 1);
    EXPECT_EQ(floor.maxSegments, 1);
    EXPECT_EQ(LoadSingleFrameModel(level, TempPath("nowhere.dxf").c_str(), 0), 1);
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
