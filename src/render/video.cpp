// The video device: an 8-bit back buffer with the game palette, an ordered list of texts and fills
// applied over the palette-converted image at present time, and the text face.
#include "render/video.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/print.h"
#include "core/program.h"
#include "core/settings.h"
#include "platform/platform.h"
#include "platform/system.h"

VideoRecord Video;

namespace {

const char* const kFallbackFaces[] = {
    "/usr/share/fonts/opentype/comic-neue/ComicNeue-Bold.otf",
    "/usr/share/fonts/truetype/comic-neue/ComicNeue-Bold.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
};

void BuildPalette() {
    memset(Video.GamePalette, 0, sizeof Video.GamePalette);
    for (int i = 1; i <= 85; ++i) Video.GamePalette[i].red = uint8_t(3 * i);
    for (int i = 85; i <= 170; ++i) {
        Video.GamePalette[i].green = uint8_t(3 * (i - 85));
        Video.GamePalette[i].red = Video.GamePalette[i].blue = 0;
    }
    for (int i = 170; i <= 254; ++i) {
        Video.GamePalette[i].blue = uint8_t(3 * (i - 170));
        Video.GamePalette[i].red = Video.GamePalette[i].green = 0;
    }
    Video.GamePalette[0] = {0, 0, 0, 0};
    Video.GamePalette[255] = {255, 255, 255, 0};
    Video.GamePalette[254] = {200, 200, 0, 0};
    for (PaletteEntry& e : Video.GamePalette) e.flags = 4;
    for (int i = 0; i < 256; ++i)
        Video.PaletteRgb[i] = (uint32_t(Video.GamePalette[i].red) << 16) | (uint32_t(Video.GamePalette[i].green) << 8) |
                              Video.GamePalette[i].blue;
}

// Picks the first usable face of comic.ttf and the system fallbacks; returns its index (0 = comic.ttf).
int ChooseFace() {
    if (PlatformFontFileUsable("comic.ttf")) {
        snprintf(Video.FacePath, sizeof Video.FacePath, "%s", "comic.ttf");
        return 0;
    }
    for (size_t i = 0; i < sizeof kFallbackFaces / sizeof *kFallbackFaces; ++i) {
        if (PlatformFontFileUsable(kFallbackFaces[i])) {
            snprintf(Video.FacePath, sizeof Video.FacePath, "%s", kFallbackFaces[i]);
            return int(i) + 1;
        }
    }
    Video.FacePath[0] = 0;
    return -1;
}

void OpenFonts() {
    Video.PrevValid = false;  // the same texts may look different in another face
    PlatformFontCloseAll();
    if (!Video.FacePath[0]) ChooseFace();
    if (!Video.FacePath[0]) return;
    PlatformFontOpen(LargeFont, Video.FacePath, Scaled(38));
    PlatformFontOpen(SmallFont, Video.FacePath, Scaled(14));
}

void BlendText(const PlatformGlyphs& g, int x0, int y0, uint32_t colour) {
    uint32_t r = colour & 0xFF, gr = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
    int xs = x0 < 0 ? -x0 : 0, ys = y0 < 0 ? -y0 : 0;
    int xe = g.w, ye = g.h;
    if (x0 + xe > Video.Width) xe = Video.Width - x0;
    if (y0 + ye > Video.Height) ye = Video.Height - y0;
    for (int y = ys; y < ye; ++y) {
        const uint8_t* cov = g.coverage + size_t(y) * g.w;
        uint32_t* dst = Video.Image.data() + size_t(y0 + y) * Video.Width + x0;
        for (int x = xs; x < xe; ++x) {
            uint32_t a = cov[x];
            if (!a) continue;
            uint32_t d = dst[x];
            if (a == 255) {
                dst[x] = (r << 16) | (gr << 8) | b;
                continue;
            }
            uint32_t dr = (d >> 16) & 0xFF, dg = (d >> 8) & 0xFF, db = d & 0xFF;
            dr = (r * a + dr * (255 - a) + 127) / 255;
            dg = (gr * a + dg * (255 - a) + 127) / 255;
            db = (b * a + db * (255 - a) + 127) / 255;
            dst[x] = (dr << 16) | (dg << 8) | db;
        }
    }
}

void ApplyFill(const VideoOverlay& o) {
    int x0 = o.x < 0 ? 0 : o.x, y0 = o.y < 0 ? 0 : o.y;
    int x1 = o.x1 > Video.Width ? Video.Width : o.x1, y1 = o.y1 > Video.Height ? Video.Height : o.y1;
    uint32_t c = Video.PaletteRgb[o.colour & 0xFF];
    for (int y = y0; y < y1; ++y) {
        uint32_t* row = Video.Image.data() + size_t(y) * Video.Width;
        for (int x = x0; x < x1; ++x) row[x] = c;
    }
}

}  // namespace

bool VideoReady() { return Video.Ready; }

int InitVideo() {
    // A height outside the sensible range (a hostile recording) keeps the classic scale.
    const int32_t h = Settings.SCREENY;
    Video.ViewScale = Settings.SCALEVIEW && h > 480 && h <= 4800 ? h / 480.0 : 1.0;
    if (Settings.SCREENBPP != 8) return 0;  // only the palettised mode exists
    if (!PlatformVideoInit(Settings.SCREENX, Settings.SCREENY)) return 0;
    Video.Width = Settings.SCREENX;
    Video.Height = Settings.SCREENY;
    Settings.ScreenCentreX = uint32_t(Settings.SCREENX) >> 1;
    Settings.ScreenCentreY = uint32_t(Settings.SCREENY) >> 1;
    Video.BackBuffer.assign(size_t(Video.Width) * Video.Height, 0);
    Video.PrevBackBuffer.assign(size_t(Video.Width) * Video.Height, 0);
    Video.PrevValid = false;
    Video.Image.assign(size_t(Video.Width) * Video.Height, 0);
    Video.ImageValid = false;
    BuildPalette();
    Video.Ready = true;
    ClearBackBuffer(0);
    PresentFrame();
    OpenFonts();
    return 1;
}

int ShutdownVideo() {
    if (Video.Ready) {
        ClearBackBuffer(0);
        PresentFrame();
    }
    Video.Ready = false;
    Video.FramePixels = nullptr;
    PlatformVideoShutdown();
    return 1;
}

int ChangeResolution() {
    if (Video.Ready) {
        Video.Ready = false;
        Video.FramePixels = nullptr;
        PlatformVideoShutdown();
    }
    InitVideo();
    return 1;
}

int RestoreSurfaces() { return 1; }  // our surfaces live in ordinary memory and are never lost

int ClearBackBuffer(int index) {
    if (!Video.Ready) return 0;
    memset(Video.BackBuffer.data(), index & 0xFF, Video.BackBuffer.size());
    // Texts and fills drawn onto the back buffer are cleared with it.
    Video.OverlayCount = 0;
    Video.TextUsed = 0;
    return 1;
}

int LockBackBuffer() {
    if (!Video.Ready) return 0;
    Video.FramePixels = Video.BackBuffer.data();
    Video.FramePitch = Video.Width;
    return 1;
}

int UnlockBackBuffer() {
    if (!Video.Ready) return 0;
    return 1;
}

// Whether the frame being presented is the one presented last: the same back buffer, and the same texts
// and fills in the same order (then it makes the same image, which is neither made nor shown again).
bool SameAsLastFrame() {
    if (!Video.PrevValid || Video.OverlayCount != Video.PrevOverlayCount || Video.TextUsed != Video.PrevTextUsed)
        return false;
    for (int i = 0; i < Video.OverlayCount; ++i) {
        const VideoOverlay &a = Video.Overlays[i], &b = Video.PrevOverlays[i];
        if (a.kind != b.kind || a.font != b.font || a.x != b.x || a.y != b.y || a.x1 != b.x1 || a.y1 != b.y1 ||
            a.colour != b.colour || a.textOffset != b.textOffset)
            return false;
    }
    return memcmp(Video.TextStore, Video.PrevTextStore, Video.TextUsed) == 0 &&
           memcmp(Video.BackBuffer.data(), Video.PrevBackBuffer.data(), Video.BackBuffer.size()) == 0;
}

void KeepAsLastFrame() {
    memcpy(Video.PrevBackBuffer.data(), Video.BackBuffer.data(), Video.BackBuffer.size());
    std::copy(Video.Overlays, Video.Overlays + Video.OverlayCount, Video.PrevOverlays);
    Video.PrevOverlayCount = Video.OverlayCount;
    memcpy(Video.PrevTextStore, Video.TextStore, Video.TextUsed);
    Video.PrevTextUsed = Video.TextUsed;
    Video.PrevValid = true;
}

int PresentFrame() {
    if (!Video.Ready) return 0;
    if (Video.ImageValid && SameAsLastFrame()) {
        Video.OverlayCount = 0;
        Video.TextUsed = 0;
        PlatformPresent(Video.Image.data(), Video.Width, Video.Height, false);
        ++Program.FrameCount;
        return 1;
    }
    // Rows under an opaque fill that spans the whole width from the top (the console panel) are
    // overwritten anyway: they need no palette conversion.
    int covered = 0;
    for (int i = 0; i < Video.OverlayCount; ++i) {
        const VideoOverlay& o = Video.Overlays[i];
        if (o.kind == VideoOverlay::FILL && o.x <= 0 && o.x1 >= Video.Width && o.y <= 0 && o.y1 > covered)
            covered = o.y1 < Video.Height ? o.y1 : Video.Height;
    }
    const size_t start = size_t(covered) * Video.Width;
    const size_t n = Video.BackBuffer.size();
    const uint8_t* src = Video.BackBuffer.data();
    uint32_t* dst = Video.Image.data();
    for (size_t i = start; i < n; ++i) dst[i] = Video.PaletteRgb[src[i]];
    for (int i = 0; i < Video.OverlayCount; ++i) {
        const VideoOverlay& o = Video.Overlays[i];
        if (o.kind == VideoOverlay::FILL) {
            ApplyFill(o);
        } else {
            PlatformGlyphs g;
            if (PlatformTextRender(o.font, Video.TextStore + o.textOffset, &g)) BlendText(g, o.x, o.y, o.colour);
        }
    }
    KeepAsLastFrame();
    Video.OverlayCount = 0;
    Video.TextUsed = 0;
    Video.ImageValid = true;
    PlatformPresent(Video.Image.data(), Video.Width, Video.Height, true);
    ++Program.FrameCount;
    return 1;
}

int DrawScreenText(const char* text, int x, int y, uint32_t colour, int font) {
    if (!Video.Ready || !text) return 0;
    size_t len = strlen(text);
    // A frame holds a bounded number of texts; further ones are dropped rather than overflow.
    if (Video.OverlayCount >= VIDEO_MAX_OVERLAYS || Video.TextUsed + len + 1 > VIDEO_TEXT_BYTES) return 1;
    memcpy(Video.TextStore + Video.TextUsed, text, len + 1);
    Video.Overlays[Video.OverlayCount++] = {
        VideoOverlay::TEXT,      uint8_t(font == SmallFont ? SmallFont : LargeFont), x, y, 0, 0, colour & 0xFFFFFF,
        uint32_t(Video.TextUsed)};
    Video.TextUsed += len + 1;
    return 1;
}

int MeasureScreenText(const char* text, int32_t* width, int32_t* height, int font) {
    if (!Video.Ready || !text) return 0;
    int w = 0, h = 0;
    if (!PlatformTextMeasure(font == SmallFont ? SmallFont : LargeFont, text, &w, &h)) return 0;
    *width = w;
    *height = h;
    return 1;
}

int FillScreenRect(int x0, int y0, int x1, int y1, int index) {
    if (!Video.Ready || Video.OverlayCount >= VIDEO_MAX_OVERLAYS) return 0;
    Video.Overlays[Video.OverlayCount++] = {VideoOverlay::FILL, 0, x0, y0, x1, y1, uint32_t(index & 0xFF), 0};
    return 1;
}

const uint32_t* LastPresentedImage(int* w, int* h) {
    if (!Video.ImageValid) return nullptr;
    *w = Video.Width;
    *h = Video.Height;
    return Video.Image.data();
}

void RegisterGameFont() {
    int face = ChooseFace();
    if (face != 0) {
        // Absent is the usual case on Linux (the face is not free); a file that is there but cannot be
        // opened is the author's to mend.
        const char* why = PlatformPathKind("comic.ttf") == PATH_NONE ? "comic.ttf is absent" : "comic.ttf not usable";
        char line[600];
        if (face < 0)
            snprintf(line, sizeof line, "%s and no system face was found: no text", why);
        else
            snprintf(line, sizeof line, "%s, using the face %s", why, Video.FacePath);
        Print(line);
    }
    if (Video.Ready) OpenFonts();
}

void RemoveGameFont() {
    PlatformFontCloseAll();
    Video.FacePath[0] = 0;
}

const char* GameFontPath() { return Video.FacePath; }
