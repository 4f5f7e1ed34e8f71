// The video device: 8-bit palettised back buffer, palette, text over the frame, presentation.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct PaletteEntry {
    uint8_t red, green, blue, flags;
};
// A text or a colour fill issued while a frame is composed, applied over the palette-converted image
// when the frame is presented.
struct VideoOverlay {
    enum Kind : uint8_t { TEXT, FILL } kind;
    uint8_t font;
    int32_t x, y, x1, y1;
    uint32_t colour;      // TEXT: 0x00BBGGRR; FILL: palette index
    uint32_t textOffset;  // into TextStore
};
constexpr int VIDEO_MAX_OVERLAYS = 1024;
constexpr size_t VIDEO_TEXT_BYTES = 64 * 1024;

// The device's state: the palette and, while the back buffer is locked, its pixels; then the device's
// own buffers, which only the video device touches.
struct VideoRecord {
    PaletteEntry GamePalette[256] = {};
    uint8_t* FramePixels = nullptr;  // first pixel of the back buffer while locked, else null
    int32_t FramePitch = 0;          // bytes per pixel row while locked
    // Where the frame being drawn was written, in groups of 8 pixels (bit g % 64 of word g / 64 for the
    // pixels 8g .. 8g + 7 of the buffer): DrawLine and the aids' lines mark what they write, so that a
    // present looks only there and where the last frame was written. A frame written otherwise
    // (FrameWrittenUnmarked) is compared whole instead.
    std::vector<uint64_t> Written, PrevWritten;
    bool WrittenKnown = false, PrevWrittenKnown = false;
    // Screen pixels per pixel of the 640 x 480 view: 1, or with SCALEVIEW the screen height over 480 (the
    // width over 640 on a screen narrower than 4:3), so that a larger screen shows the same picture
    // (projection, texts, aids), only sharper, and a wider one sees more to the sides. Set with the screen
    // by InitVideo.
    double ViewScale = 1.0;

    bool Ready = false;  // a back buffer exists
    int Width = 0, Height = 0;
    std::vector<uint8_t> BackBuffer;
    bool BackBufferClear = false;  // it holds index 0 throughout (as a present leaves it) and is not locked
    std::vector<uint32_t> Image;   // the last image presented (0x00RRGGBB)
    bool ImageValid = false;
    uint32_t PaletteRgb[256] = {};
    VideoOverlay Overlays[VIDEO_MAX_OVERLAYS] = {};
    int OverlayCount = 0;
    char TextStore[VIDEO_TEXT_BYTES] = {};
    size_t TextUsed = 0;
    // The frame presented last, as it was composed: only what a new frame changes is converted again.
    // The image holds its pixels converted, except in each row's damage chunks PrevOverlayChunks, where
    // its texts and fills went.
    std::vector<uint8_t> PrevBackBuffer;
    std::vector<uint64_t> PrevOverlayChunks, OverlayChunks;  // per row
    std::vector<uint64_t> Damage;  // per row: the chunks of the image the present changed (platform.h)
    int ChunkWidth = 8;
    VideoOverlay PrevOverlays[VIDEO_MAX_OVERLAYS] = {};
    int PrevOverlayCount = 0;
    char PrevTextStore[VIDEO_TEXT_BYTES] = {};
    size_t PrevTextUsed = 0;
    bool PrevValid = false;
    char FacePath[512] = "";  // the text face in use
};
extern VideoRecord Video;

// Anything that writes FramePixels other than DrawLine and the aids' lines says so here (the next present
// then compares the whole frame).
void FrameWrittenUnmarked();
// Marks the pixel at offset `at` of the back buffer as written (its group of 8).
inline void MarkWritten(uint64_t* written, size_t at) { written[at >> 9] |= 1ull << ((at >> 3) & 63); }

// A length or offset of the 640 x 480 layout in screen pixels, rounded to the nearest (exact at scale 1).
inline int Scaled(int pixels) {
    const double v = pixels * Video.ViewScale;
    return int(v < 0 ? v - 0.5 : v + 0.5);
}

// The left edge of the 640 x 480 layout on the screen: centred on a screen wider than it (with SCALEVIEW),
// else 0.
int ViewLeft();

enum { LargeFont = 0, SmallFont = 1 };

// Builds the back buffer, palette, fonts and presentation target at SCREENX x SCREENY; the fonts are
// opened at their sizes times ViewScale.
// Fails (0) when SCREENBPP is not 8 or the platform cannot present frames.
int InitVideo();
int ShutdownVideo();
// Tears the device down and builds it again at the current SCREENX x SCREENY. Returns 1.
int ChangeResolution();
int RestoreSurfaces();
// True when a back buffer exists.
bool VideoReady();
int ClearBackBuffer(int index);
int LockBackBuffer();
int UnlockBackBuffer();
// Converts the frame through the palette, applies the texts and fills issued since the last present
// in order, and hands the image to the platform with what changed. Only the pixels that differ from the
// last frame's (and where its or this frame's texts and fills lie) are converted again. Ends the lock
// and leaves a clear back buffer. Counts FrameCount.
int PresentFrame();
// Text at (x, y) top-left; colour 0x00BBGGRR (red in the low byte); font LargeFont or SmallFont.
// The text is drawn over the lines of the frame being composed. 0 when there is no back buffer.
int DrawScreenText(const char* text, int x, int y, uint32_t colour, int font);
int MeasureScreenText(const char* text, int32_t* width, int32_t* height, int font);
// Colour-fills the rectangle [x0, x1) x [y0, y1) with a palette index, over what was drawn before.
int FillScreenRect(int x0, int y0, int x1, int y1, int index);
// The last image handed to the platform (0x00RRGGBB), its size; null before the first present.
const uint32_t* LastPresentedImage(int* w, int* h);

// Chooses the text face: comic.ttf in the working directory, else a system face (then prints which).
void RegisterGameFont();
void RemoveGameFont();
// The face file in use, empty when none.
const char* GameFontPath();

inline uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }
