// Trig tables, projection, occluder spans, clipping and the line rasteriser.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "app/settings.h"
#include "render/raster.h"
#include "render/video.h"

namespace {

// The start-up settings (a 640 x 480 screen centred on 320, 240, the view unscaled) for the projection and
// clipping, restoring the settings afterwards.
class RasterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved = Settings;
        savedScale = Video.ViewScale;
        Settings = SettingsRecord{};
        Video.ViewScale = 1.0;  // the projection's, as the start-up settings give it
        BuildTrigTables();
    }
    void TearDown() override {
        Settings = saved;
        Video.ViewScale = savedScale;
    }
    SettingsRecord saved;
    double savedScale = 1.0;
};

// Projects a single segment given in world space with the eye at the origin looking down +z.
bool ProjectOne(const Segment& s, ProjectedSegment& out, const float rel[3] = nullptr,
                const int32_t* eyeAngles = nullptr) {
    Segment seg = s;
    Mesh m;
    m.segments = &seg;
    m.count = 1;
    uint8_t visible = 7;
    const float zero[3] = {0, 0, 0};
    const int32_t noTurn[3] = {0, 0, 0};
    ProjectFrame(m, &out, &visible, rel ? rel : zero, noTurn, eyeAngles ? eyeAngles : noTurn);
    m.segments = nullptr;  // not owned
    m.count = 0;
    return visible == 1;
}

struct Screen {
    int w, h, pitch;
    std::vector<uint8_t> bytes;  // guard rows before and after the frame
    Screen(int w_, int h_) : w(w_), h(h_), pitch(w_ + 8), bytes(size_t(pitch) * (h_ + 4), 0) {}
    uint8_t* Pixels() { return bytes.data() + 2 * pitch; }
    int Count(uint8_t c) const {
        int n = 0;
        for (uint8_t b : bytes) n += b == c;
        return n;
    }
    uint8_t At(int x, int y) { return Pixels()[x + y * pitch]; }
};

}  // namespace

TEST_F(RasterTest, TablesHoldSineAndCosineOfMinusDegrees) {
    EXPECT_EQ(Render.SinTable[0], 0.0f);
    EXPECT_EQ(Render.SinTable[90], -1.0f);
    EXPECT_NEAR(Render.CosTable[90], 0.0f, 1e-7);
    EXPECT_EQ(Render.CosTable[360], 1.0f);
    EXPECT_NEAR(Render.SinTable[30], -0.5f, 1e-7);
    float before[361];
    std::memcpy(before, Render.SinTable, sizeof before);
    EXPECT_EQ(BuildTrigTables(), 1);
    EXPECT_EQ(std::memcmp(before, Render.SinTable, sizeof before), 0);
    // Out-of-range angles are wrapped, never used as table indexes.
    Segment u{1, 2, 3, 4, 5, 6}, v = u;
    const int32_t wild[3] = {-1, 721, 360 + 45};
    const int32_t tame[3] = {359, 1, 45};
    RotateSegment(u, wild);
    RotateSegment(v, tame);
    EXPECT_EQ(std::memcmp(&u, &v, sizeof u), 0);
}

TEST_F(RasterTest, ProjectionOfAKnownPoint) {
    ProjectedSegment p;
    ASSERT_TRUE(ProjectOne({1, 0, 4.99f, 1, 0, 4.99f}, p));
    EXPECT_FLOAT_EQ(p.x1, 420.5f);
    EXPECT_FLOAT_EQ(p.y1, 240.5f);
    EXPECT_EQ(p.z1, 4.99f);
}

TEST_F(RasterTest, ViewCubeTestsOnlyTheFirstEndpointWithInclusiveBounds) {
    ProjectedSegment p;
    EXPECT_TRUE(ProjectOne({0, 0, 20.0f, 0, 0, 1}, p));
    EXPECT_FALSE(ProjectOne({0, 0, 20.01f, 0, 0, 1}, p));
    EXPECT_TRUE(ProjectOne({-20.0f, 20.0f, 5, 300, -300, 300}, p));
    EXPECT_FALSE(ProjectOne({20.01f, 0, 5, 0, 0, 5}, p));
    // The object offset counts: 15 + 5.01 lies outside.
    const float rel[3] = {0, 0, 5.01f};
    EXPECT_FALSE(ProjectOne({0, 0, 15, 0, 0, 2}, p, rel));
    EXPECT_FALSE(ProjectOne({NAN, 0, 5, 0, 0, 5}, p));
}

TEST_F(RasterTest, NearLimit) {
    ProjectedSegment p;
    EXPECT_FALSE(ProjectOne({0, 0, 0.5f, 0, 0, 3}, p));
    EXPECT_TRUE(ProjectOne({0, 0, 0.6f, 0, 0, 0.5f}, p));
    EXPECT_FALSE(ProjectOne({0, 0, 3, 0, 0, 0.49f}, p));  // crossing segments are dropped whole
    // The eye turns the world: a point behind the eye is ahead after a half turn.
    const int32_t halfTurn[3] = {0, 180, 0};
    EXPECT_TRUE(ProjectOne({0, 0, -3, 0, 0, -4}, p, nullptr, halfTurn));
    EXPECT_NEAR(p.z1, 3, 1e-5);
}

// NEARCLIP: a segment with one end behind the near limit is cut where it crosses it (depth 0.5), the
// end in front kept; both ends behind, or a coordinate that is not a number, still drop it.
TEST_F(RasterTest, NearClipCutsASegmentAtTheNearLimit) {
    ProjectedSegment p;
    const Segment crossing{0, 0, 3, 4, 2, -1};  // crosses z = 0.5 at (2.5, 1.25), five eighths of the way
    EXPECT_FALSE(ProjectOne(crossing, p)) << "the classic rule drops it whole";
    Settings.NEARCLIP = 1;
    ASSERT_TRUE(ProjectOne(crossing, p));
    EXPECT_FLOAT_EQ(p.z1, 3);
    EXPECT_FLOAT_EQ(p.x1, 320.5f);
    EXPECT_FLOAT_EQ(p.z2, 0.5f);
    // (2.5, 1.25) at depth 0.5: 320 + 1000 * 0.5 * 2.5 / 0.51 + 0.5, and 240 + 1000 * 0.5 * 1.25 / 0.51 + 0.5
    EXPECT_NEAR(p.x2, 320 + 1000 * 1.25 / 0.51 + 0.5, 1e-3);
    EXPECT_NEAR(p.y2, 240 + 1000 * 0.625 / 0.51 + 0.5, 1e-3);
    // Either end may be the one behind; the order of the ends is kept.
    ASSERT_TRUE(ProjectOne({4, 2, -1, 0, 0, 3}, p));
    EXPECT_FLOAT_EQ(p.z1, 0.5f);
    EXPECT_FLOAT_EQ(p.z2, 3);
    EXPECT_NEAR(p.x1, 320 + 1000 * 1.25 / 0.51 + 0.5, 1e-3);
    // An end exactly on the limit stays where it is (the classic rule drops a first end there).
    ASSERT_TRUE(ProjectOne({1, 0, 0.5f, 1, 0, 3}, p));
    EXPECT_FLOAT_EQ(p.z1, 0.5f);
    EXPECT_NEAR(p.x1, 320 + 1000 * 0.5 / 0.51 + 0.5, 1e-3);
    // Segments wholly in front are projected as before, bit for bit.
    ProjectedSegment classic;
    Settings.NEARCLIP = 0;
    ASSERT_TRUE(ProjectOne({1, -1, 4.99f, -2, 0.5f, 7}, classic));
    Settings.NEARCLIP = 1;
    ASSERT_TRUE(ProjectOne({1, -1, 4.99f, -2, 0.5f, 7}, p));
    EXPECT_EQ(std::memcmp(&p, &classic, sizeof p), 0);
    EXPECT_FALSE(ProjectOne({0, 0, 0.5f, 1, 1, 0.2f}, p)) << "both ends behind";
    EXPECT_FALSE(ProjectOne({0, 0, 0.4f, 1, 1, -3}, p));
    EXPECT_FALSE(ProjectOne({0, NAN, 3, 1, 1, -1}, p)) << "not a number";
    EXPECT_FALSE(ProjectOne({0, 0, 3, 1, INFINITY, -1}, p));
}

// Projection, occluder spans, clipping and the rasteriser on screens of any size the game has, odd ones
// and the largest among them, with and without the scaled view and the near cut: over random segments
// (crossing the near limit, far off, huge, not a number) nothing is written outside the frame or the
// column buffer of SCREENX + 1 entries.
TEST_F(RasterTest, NothingWritesPastTheFrameOrTheColumnBufferAtAnySize) {
    const std::vector<std::pair<int, int>> sizes = {{641, 481}, {640, 480}, {1921, 1079}, {7680, 4320}};
    std::mt19937 rng(42);
    // First ends within the view cube (the rest is culled before anything is drawn), second ends anywhere.
    std::uniform_real_distribution<float> near(-15, 15), nearDeep(-3, 18), across(-60, 60), deep(-8, 25);
    for (const auto& size : sizes) {
        const int w = size.first, h = size.second;
        Settings.SCREENX = w, Settings.SCREENY = h;
        Settings.ScreenCentreX = uint32_t(w) >> 1, Settings.ScreenCentreY = uint32_t(h) >> 1;
        Screen s(w, h);
        constexpr int kGuard = 16;
        constexpr float kCanary = -1234.5f;
        std::vector<float> store(size_t(w) + 1 + 2 * kGuard, kCanary);
        float* column = store.data() + kGuard;
        int drawn = 0;
        for (int round = 0; round < 4; ++round) {
            Settings.NEARCLIP = round & 1;
            Video.ViewScale = (round & 2) ? std::min(h / 480.0, w / 640.0) : 1.0;
            for (int c = 0; c <= w; ++c) column[c] = -20.0f;
            for (int i = 0; i < 3000; ++i) {
                Segment seg{near(rng), near(rng), nearDeep(rng), across(rng), across(rng), deep(rng)};
                if (i % 97 == 0) seg.x2 = 1e30f;
                if (i % 89 == 0) seg.z2 = -1e30f;
                if (i % 83 == 0) seg.y1 = NAN;
                if (i % 79 == 0) seg.z1 = 0.5f;
                const int32_t turn[3] = {int32_t(rng() % 361), int32_t(rng() % 361), int32_t(rng() % 361)};
                const float rel[3] = {0, 0, 0};
                Mesh m;
                m.segments = &seg;
                m.count = 1;
                ProjectedSegment p;
                uint8_t visible = 0;
                const int32_t noTurn[3] = {0, 0, 0};
                ProjectFrame(m, &p, &visible, rel, noTurn, (i & 1) ? turn : noTurn);
                m.segments = nullptr;
                m.count = 0;
                if (!visible) continue;
                AddOccluderSpan(p.x1, p.x2, p.z1, p.z2, column);
                if (!ClipSegmentX(p.x1, p.x2, p.y1, p.y2, p.z1, p.z2)) continue;
                if (!ClipSegmentY(p.x1, p.x2, p.y1, p.y2, p.z1, p.z2)) continue;
                auto inside = [](float v, int n) { return v > -1.0f && v < float(n); };  // as the passes test
                if (!inside(p.x1, w) || !inside(p.x2, w) || !inside(p.y1, h) || !inside(p.y2, h)) continue;
                DrawLine(int(p.x1), int(p.y1), -p.z1, int(p.x2), int(p.y2), -p.z2, 7, s.Pixels(), s.pitch, column,
                         i & 2);
                ++drawn;
            }
        }
        EXPECT_GT(drawn, 1000) << w << "x" << h;
        // The guard rows above and below, and the padding right of every row, are untouched.
        for (int y = -2; y < h + 2; ++y)
            for (int x = (y < 0 || y >= h) ? 0 : w; x < s.pitch; ++x)
                ASSERT_EQ(s.bytes[size_t(y + 2) * s.pitch + x], 0) << w << "x" << h << " at " << x << "," << y;
        for (int g = 0; g < kGuard; ++g) {
            ASSERT_EQ(store[size_t(g)], kCanary) << w << "x" << h;
            ASSERT_EQ(store[size_t(kGuard) + w + 1 + g], kCanary) << w << "x" << h;
        }
    }
    Video.ViewScale = 1.0;
}

TEST_F(RasterTest, DrawLineCountsAndEndpoints) {
    Screen s(640, 480);
    DrawLine(10, 10, 0, 13, 11, 0, 9, s.Pixels(), s.pitch, nullptr, 0);
    EXPECT_EQ(s.Count(9), 4);
    EXPECT_EQ(s.At(10, 10), 9);
    EXPECT_EQ(s.At(13, 11), 9);
    DrawLine(100, 100, 0, 100, 100, 0, 5, s.Pixels(), s.pitch, nullptr, 0);
    EXPECT_EQ(s.Count(5), 1);
    EXPECT_EQ(s.At(100, 100), 5);
}

// Every line with ends on screen writes max(|dx|, |dy|) + 1 pixels inside its bounding box, both ends
// included, and nothing outside the frame.
TEST_F(RasterTest, DrawLineStaysInsideItsBoxForAnyOnScreenEnds) {
    Settings.SCREENX = 37, Settings.SCREENY = 23;
    Screen s(37, 23);
    std::mt19937 rng(99);
    for (int i = 0; i < 3000; ++i) {
        int x1 = rng() % 37, y1 = rng() % 23, x2 = rng() % 37, y2 = rng() % 23;
        std::fill(s.bytes.begin(), s.bytes.end(), 0);
        DrawLine(x1, y1, 1, x2, y2, 1, 200, s.Pixels(), s.pitch, nullptr, 0);
        int expected = std::max(std::abs(x2 - x1), std::abs(y2 - y1)) + 1;
        ASSERT_EQ(s.Count(200), expected) << x1 << "," << y1 << " -> " << x2 << "," << y2;
        ASSERT_EQ(s.At(x1, y1), 200);
        ASSERT_EQ(s.At(x2, y2), 200);
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 37; ++x) {
                if (s.At(x, y)) {
                    ASSERT_TRUE(x >= std::min(x1, x2) && x <= std::max(x1, x2) && y >= std::min(y1, y2) &&
                                y <= std::max(y1, y2));
                }
            }
    }
    // Ends off screen or a missing frame draw nothing at all.
    std::fill(s.bytes.begin(), s.bytes.end(), 0);
    DrawLine(-1, 0, 0, 5, 5, 0, 1, s.Pixels(), s.pitch, nullptr, 0);
    DrawLine(0, 0, 0, 37, 5, 0, 1, s.Pixels(), s.pitch, nullptr, 0);
    DrawLine(0, 0, 0, 5, 23, 0, 1, s.Pixels(), s.pitch, nullptr, 0);
    DrawLine(0, -100000, 0, 5, 5, 0, 1, s.Pixels(), s.pitch, nullptr, 0);
    DrawLine(0, 0, 0, 5, 5, 0, 1, nullptr, s.pitch, nullptr, 0);
    EXPECT_EQ(s.Count(1), 0);
}

TEST_F(RasterTest, DepthTestHasATolerance) {
    Screen s(640, 480);
    std::vector<float> column(641, -5.0f);
    // Negated depths: -5.008 is within the slack of -5, -5.009 is behind it.
    DrawLine(0, 0, -5.008f, 0, 10, -5.008f, 1, s.Pixels(), s.pitch, column.data(), 1);
    DrawLine(1, 0, -5.009f, 1, 10, -5.009f, 2, s.Pixels(), s.pitch, column.data(), 1);
    EXPECT_EQ(s.Count(1), 11);
    EXPECT_EQ(s.Count(2), 0);
    // Depth moves only with the column: from -4 at x 10 to -6 at x 20, hidden from x 16 on.
    DrawLine(10, 50, -4, 20, 50, -6, 3, s.Pixels(), s.pitch, column.data(), 1);
    EXPECT_EQ(s.Count(3), 6);
    EXPECT_EQ(s.At(15, 50), 3);
    EXPECT_EQ(s.At(16, 50), 0);
    // Without the test (or without a buffer) every pixel is written.
    DrawLine(1, 0, -9, 1, 10, -9, 4, s.Pixels(), s.pitch, column.data(), 0);
    DrawLine(2, 0, -9, 2, 10, -9, 5, s.Pixels(), s.pitch, nullptr, 1);
    EXPECT_EQ(s.Count(4), 11);
    EXPECT_EQ(s.Count(5), 11);
}

TEST_F(RasterTest, OccluderSpans) {
    std::vector<float> column(641, -20.0f);
    EXPECT_EQ(AddOccluderSpan(-10, 30, 2, 6, column.data()), 1);
    EXPECT_FLOAT_EQ(column[0], -3.0f);  // 2 + 10 * 0.1
    EXPECT_NEAR(column[30], -6.0f, 1e-4);
    EXPECT_EQ(column[31], -20.0f);
    // Nearer spans win, farther ones leave the buffer alone; order of the ends does not matter.
    EXPECT_EQ(AddOccluderSpan(30, 0, 10, 10, column.data()), 1);
    EXPECT_FLOAT_EQ(column[0], -3.0f);
    // A span past the right edge ends on the guard entry.
    EXPECT_EQ(AddOccluderSpan(630, 700, 1, 1, column.data()), 1);
    EXPECT_FLOAT_EQ(column[639], -1.0f);
    EXPECT_FLOAT_EQ(column[640], -1.0f);
    // A span within one column covers just that column.
    EXPECT_EQ(AddOccluderSpan(100.2f, 100.8f, 1, 2, column.data()), 1);
    EXPECT_FLOAT_EQ(column[100], -1.0f);
    EXPECT_EQ(column[101], -20.0f);
    // Off screen, not a number, or no buffer: nothing written.
    EXPECT_EQ(AddOccluderSpan(-10, -1, 1, 1, column.data()), 0);
    EXPECT_EQ(AddOccluderSpan(640, 900, 1, 1, column.data()), 0);
    EXPECT_EQ(AddOccluderSpan(NAN, 10, 1, 1, column.data()), 0);
    EXPECT_EQ(AddOccluderSpan(0, 10, 1, 1, nullptr), 0);
    EXPECT_EQ(AddOccluderSpan(-1e30f, INFINITY, 1, 1, column.data()), 1);
    EXPECT_EQ(column.size(), 641u);
}

TEST_F(RasterTest, ClippingKeepsTheCallersOrder) {
    float x1 = -10, x2 = 10, y1 = 0, y2 = 20, z1 = 1, z2 = 3;
    ASSERT_EQ(ClipSegmentX(x1, x2, y1, y2, z1, z2), 1);
    EXPECT_EQ(x1, 0);
    EXPECT_EQ(y1, 10);
    EXPECT_EQ(z1, 2);
    EXPECT_EQ(x2, 10);
    EXPECT_EQ(y2, 20);
    // Reversed input: the clipped end stays second.
    x1 = 700, x2 = 600, y1 = 0, y2 = 100, z1 = 1, z2 = 1;
    ASSERT_EQ(ClipSegmentX(x1, x2, y1, y2, z1, z2), 1);
    EXPECT_EQ(x1, 639);
    EXPECT_EQ(y1, 61);
    EXPECT_EQ(x2, 600);
    x1 = -5, x2 = -1;
    EXPECT_EQ(ClipSegmentX(x1, x2, y1, y2, z1, z2), 0);
    x1 = 100, x2 = 100, y1 = -100, y2 = 1000, z1 = 1, z2 = 12;
    ASSERT_EQ(ClipSegmentY(x1, x2, y1, y2, z1, z2), 1);
    EXPECT_EQ(y1, 0);
    EXPECT_EQ(y2, 479);
    EXPECT_FLOAT_EQ(z1, 2);
    x1 = 10, x2 = 10, y1 = 480, y2 = 500;
    EXPECT_EQ(ClipSegmentY(x1, x2, y1, y2, z1, z2), 0);
}
