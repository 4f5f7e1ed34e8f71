// The video device: palette entries, centres, the device-less paths, and text over lines in order.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

#include "app/settings.h"
#include "platform/headless/headless.h"
#include "platform/present_layout.h"
#include "render/raster.h"
#include "render/video.h"
#include "test_util.h"

namespace {

class VideoTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetProgram(); }
    void TearDown() override { ResetProgram(); }  // back to the palettised 640 x 480
};

TEST_F(VideoTest, PaletteEntries) {
    auto rgb = [](int i) {
        return std::vector<int>{Video.GamePalette[i].red, Video.GamePalette[i].green, Video.GamePalette[i].blue};
    };
    EXPECT_EQ(rgb(0), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(rgb(1), (std::vector<int>{3, 0, 0}));
    EXPECT_EQ(rgb(84), (std::vector<int>{252, 0, 0}));
    EXPECT_EQ(rgb(85), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(rgb(86), (std::vector<int>{0, 3, 0}));
    EXPECT_EQ(rgb(169), (std::vector<int>{0, 252, 0}));
    EXPECT_EQ(rgb(170), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(rgb(253), (std::vector<int>{0, 0, 249}));
    EXPECT_EQ(rgb(254), (std::vector<int>{200, 200, 0}));
    EXPECT_EQ(rgb(255), (std::vector<int>{255, 255, 255}));
    for (const PaletteEntry& e : Video.GamePalette) EXPECT_EQ(e.flags, 4);
}

TEST_F(VideoTest, CentresFollowTheResolution) {
    EXPECT_EQ(Settings.ScreenCentreX, 320u);
    EXPECT_EQ(Settings.ScreenCentreY, 240u);
    Settings.SCREENX = 800;
    Settings.SCREENY = 600;
    ChangeResolution();
    EXPECT_EQ(Settings.ScreenCentreX, 400u);
    EXPECT_EQ(Settings.ScreenCentreY, 300u);
    Settings.SCREENX = 1024;
    Settings.SCREENY = 768;
    ChangeResolution();
    EXPECT_EQ(Settings.ScreenCentreX, 512u);
    EXPECT_EQ(Settings.ScreenCentreY, 384u);
    ASSERT_EQ(LockBackBuffer(), 1);
    EXPECT_EQ(Video.FramePitch, 1024);
}

TEST_F(VideoTest, NoBackBufferMeansNothingIsTouched) {
    Settings.SCREENBPP = 32;
    ChangeResolution();
    EXPECT_FALSE(VideoReady()) << "only the palettised mode exists";
    EXPECT_EQ(InitVideo(), 0);
    EXPECT_EQ(ClearBackBuffer(0), 0);
    EXPECT_EQ(LockBackBuffer(), 0);
    EXPECT_EQ(DrawScreenText("x", 0, 0, 0xFFFFFF, SmallFont), 0);
    int32_t w = -7, h = -7;
    EXPECT_EQ(MeasureScreenText("x", &w, &h, SmallFont), 0);
    EXPECT_EQ(w, -7);
    EXPECT_EQ(PresentFrame(), 0);
}

TEST_F(VideoTest, AnAbsentOrBrokenComicTtfFallsBackOnASystemFace) {
    ScratchDir dir;
    RegisterGameFont();
    EXPECT_EQ(ConsoleText(53), std::string("comic.ttf is absent, using the face ") + GameFontPath())
        << "absent is not the same as broken";
    WriteFile("comic.ttf", "this is not a font");
    RegisterGameFont();
    EXPECT_STRNE(GameFontPath(), "comic.ttf");
    EXPECT_NE(GameFontPath()[0], 0) << "a system face is used";
    EXPECT_EQ(ConsoleText(53), std::string("comic.ttf not usable, using the face ") + GameFontPath());
    int32_t w = 0, h = 0;
    EXPECT_EQ(MeasureScreenText("Text", &w, &h, SmallFont), 1);
    EXPECT_GT(w, 10);
}

TEST_F(VideoTest, TextsAndFillsLieOverLinesInOrder) {
    ASSERT_EQ(ClearBackBuffer(0), 1);
    ASSERT_EQ(LockBackBuffer(), 1);
    for (int x = 0; x < 640; ++x) Video.FramePixels[100 * Video.FramePitch + x] = 255;  // a white line
    FrameWrittenUnmarked();  // written by hand, not through the rasteriser
    UnlockBackBuffer();
    int32_t w = 0, h = 0;
    ASSERT_EQ(MeasureScreenText("MMMM", &w, &h, LargeFont), 1);
    EXPECT_GT(w, 40);
    EXPECT_GE(h, 38);
    DrawScreenText("MMMM", 100, 80, Rgb(255, 0, 0), LargeFont);
    FillScreenRect(0, 0, 50, 120, 210);
    DrawScreenText("MMMM", 0, 80, Rgb(0, 255, 0), LargeFont);
    ASSERT_EQ(PresentFrame(), 1);
    int iw = 0, ih = 0;
    const uint32_t* img = LastPresentedImage(&iw, &ih);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img[100 * 640 + 600], 0xFFFFFFu) << "the line where no text lies";
    int red = 0, green = 0, fill = 0;
    for (int y = 80; y < 80 + h; ++y)
        for (int x = 0; x < 640; ++x) {
            uint32_t p = img[y * 640 + x];
            red += p == 0xFF0000u;
            green += p == 0x00FF00u;
            fill += p == 0x000078u;
        }
    EXPECT_GT(red, 100) << "exact text colour over the line";
    EXPECT_GT(green, 50) << "the later text lies over the fill";
    EXPECT_GT(fill, 100);
    // Texts hanging off any edge are clipped, not written out of bounds.
    DrawScreenText("MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMM", -300, -20, 0xFFFFFF, LargeFont);
    DrawScreenText("MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMM", 600, 470, 0xFFFFFF, LargeFont);
    FillScreenRect(-50, -50, 5000, 5000, 1);
    EXPECT_EQ(PresentFrame(), 1);
}

// A present converts only what changed since the last frame and hands over which chunks of the image
// changed. Over frames of random lines, hand-written pixels, texts hanging off the edges, fills and a
// console panel, at odd and large sizes: each image is the one a conversion of the whole frame gives, and
// the chunks handed over bring a copy of the last image up to it.
TEST_F(VideoTest, PresentingOnlyWhatChangedGivesTheWholeFramesImage) {
    for (const auto& size : std::vector<std::pair<int, int>>{{641, 481}, {1920, 1080}}) {
        const int w = size.first, h = size.second;
        Settings.SCREENX = w, Settings.SCREENY = h;
        ChangeResolution();
        std::mt19937 rng{uint32_t(w)};
        std::vector<uint32_t> shown(size_t(w) * h, 0);
        const int chunk = PresentChunkWidth(w);
        uint32_t frameSeed = 1;
        bool unmarked = false;  // pixels written by hand, not through the rasteriser
        for (int frame = 0; frame < 60; ++frame) {
            const bool repeat = frame > 0 && rng() % 5 == 0;  // one frame in five is the one before again
            if (!repeat) frameSeed = rng(), unmarked = rng() % 7 == 0;
            auto compose = [&] {
                std::mt19937 r(frameSeed);
                ClearBackBuffer(0);
                ASSERT_EQ(LockBackBuffer(), 1);
                const int lines = int(r() % 40);
                for (int i = 0; i < lines; ++i)
                    DrawLine(int(r() % w), int(r() % h), 0, int(r() % w), int(r() % h), 0, uint8_t(1 + r() % 255),
                             Video.FramePixels, Video.FramePitch, nullptr, 0);
                if (unmarked) {
                    for (int x = 0; x < w; x += 3) Video.FramePixels[size_t(r() % h) * Video.FramePitch + x] = 200;
                    FrameWrittenUnmarked();
                }
                UnlockBackBuffer();
                for (int t = int(r() % 4); t > 0; --t)
                    DrawScreenText("Loading the level", int(r() % (w + 200)) - 100, int(r() % (h + 60)) - 30,
                                   Rgb(r() % 256, r() % 256, 255), int(r() % 2));
                if (r() % 3 == 0) FillScreenRect(0, 0, w, int(r() % h), 210);  // the console panel
                if (r() % 4 == 0) FillScreenRect(int(r() % w), int(r() % h), int(r() % w), int(r() % h), 30);
                ASSERT_EQ(PresentFrame(), 1);
            };
            compose();
            int iw = 0, ih = 0;
            const std::vector<uint32_t> image(LastPresentedImage(&iw, &ih), LastPresentedImage(&iw, &ih) + w * h);
            const uint64_t* damage = HeadlessLastDamage();
            int changedRows = 0;
            for (int y = 0; y < h; ++y) {
                const uint64_t m = damage ? damage[y] : ~0ull;
                changedRows += m != 0;
                for (int c = 0; c < 64 && c * chunk < w; ++c) {
                    if (!((m >> c) & 1)) continue;
                    for (int x = c * chunk; x < std::min(w, (c + 1) * chunk); ++x)
                        shown[size_t(y) * w + x] = image[size_t(y) * w + x];
                }
            }
            ASSERT_TRUE(shown == image) << w << "x" << h << " frame " << frame
                                        << ": the chunks handed over miss a change";
            // The same frame converted whole.
            Video.ImageValid = false;
            compose();
            const uint32_t* whole = LastPresentedImage(&iw, &ih);
            int differing = 0;
            for (size_t i = 0; i < image.size(); ++i) differing += image[i] != whole[i];
            ASSERT_EQ(differing, 0) << w << "x" << h << " frame " << frame;
            if (repeat) {
                EXPECT_EQ(changedRows, 0) << "the frame before again changes nothing";
            }
        }
        // A frame like the last one changes nothing; one line more changes its rows' chunks only.
        ClearBackBuffer(0);
        LockBackBuffer();
        UnlockBackBuffer();
        PresentFrame();
        ClearBackBuffer(0);
        LockBackBuffer();
        UnlockBackBuffer();
        PresentFrame();
        ASSERT_NE(HeadlessLastDamage(), nullptr);
        for (int y = 0; y < h; ++y) ASSERT_EQ(HeadlessLastDamage()[y], 0u) << y;
        ClearBackBuffer(0);
        LockBackBuffer();
        DrawLine(5, 10, 0, 300, 12, 0, 77, Video.FramePixels, Video.FramePitch, nullptr, 0);
        UnlockBackBuffer();
        PresentFrame();
        for (int y = 0; y < h; ++y) EXPECT_EQ(HeadlessLastDamage()[y] != 0, y >= 10 && y <= 12) << y;
        const uint64_t line = HeadlessLastDamage()[10] | HeadlessLastDamage()[11] | HeadlessLastDamage()[12];
        // The chunks of columns 5 to 300, and at most those of the 8-pixel groups round its ends (in a row of
        // odd width a group may straddle two chunks).
        const uint64_t ends = (2ull << (300 / chunk)) - (1ull << (5 / chunk));
        const uint64_t groups = (2ull << (307 / chunk)) - (1ull << 0);
        EXPECT_EQ(line & ends, ends) << "the chunks of columns 5 to 300";
        EXPECT_EQ(line & ~groups, 0u);
    }
}

// Where the presenter puts each screen size in the common monitor sizes, fit and by whole multiples.
TEST(PresentLayout, FitAndIntegerScalingInTheWindow) {
    struct Case {
        int frameW, frameH, outW, outH;
        PresentRect fit, integer;
    };
    const Case cases[] = {
        {640, 480, 1920, 1080, {240, 0, 1440, 1080}, {320, 60, 1280, 960}},
        {800, 600, 1920, 1080, {240, 0, 1440, 1080}, {560, 240, 800, 600}},
        {1024, 768, 1920, 1080, {240, 0, 1440, 1080}, {448, 156, 1024, 768}},
        {640, 480, 2560, 1440, {320, 0, 1920, 1440}, {320, 0, 1920, 1440}},
        {800, 600, 2560, 1440, {320, 0, 1920, 1440}, {480, 120, 1600, 1200}},
        {1024, 768, 2560, 1440, {320, 0, 1920, 1440}, {768, 336, 1024, 768}},
        {640, 480, 1080, 1920, {0, 555, 1080, 810}, {220, 720, 640, 480}},   // a portrait window
        {1024, 480, 1920, 1080, {0, 90, 1920, 900}, {448, 300, 1024, 480}},  // a wide pairing of sizes
        {1024, 768, 1000, 700, {33, 0, 933, 700}, {33, 0, 933, 700}},        // smaller than the frame: fit
        {640, 480, 640, 480, {0, 0, 640, 480}, {0, 0, 640, 480}},
        {640, 480, 0, 1080, {0, 0, 0, 0}, {0, 0, 0, 0}},  // nothing to draw into
        {0, 480, 1920, 1080, {0, 0, 0, 0}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases)
        for (bool integer : {false, true}) {
            const PresentRect r = PresentLayout(c.frameW, c.frameH, c.outW, c.outH, integer);
            const PresentRect& want = integer ? c.integer : c.fit;
            EXPECT_EQ(std::vector<int>({r.x, r.y, r.w, r.h}), std::vector<int>({want.x, want.y, want.w, want.h}))
                << c.frameW << "x" << c.frameH << " in " << c.outW << "x" << c.outH << (integer ? " integer" : " fit");
        }
}

}  // namespace
