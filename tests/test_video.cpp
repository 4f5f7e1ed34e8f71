// The video device: palette entries, centres, the device-less paths, and text over lines in order.
#include <gtest/gtest.h>

#include "app/settings.h"
#include "platform/present_layout.h"
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
    FrameWrittenUnlogged();  // written by hand, not through the rasteriser
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
