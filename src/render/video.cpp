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

VideoRecord Video;

namespace {

struct Overlay {
    enum Kind : uint8_t { TEXT, FILL } kind;
    uint8_t font;
    int32_t x, y, x1, y1;
    uint32_t colour;      // TEXT: 0x00BBGGRR; FILL: palette index
    uint32_t textOffset;  // into TextStore
};

constexpr int kMaxOverlays = 1024;
constexpr size_t kTextStoreBytes = 64 * 1024;

bool Ready;
int Width, Height;
std::vector<uint8_t> BackBuffer;
std::vector<uint32_t> Image;
bool ImageValid;
uint32_t PaletteRgb[256];
Overlay Overlays[kMaxOverlays];
int OverlayCount;
char TextStore[kTextStoreBytes];
size_t TextUsed;
// The frame presented last, as it was composed (see SameAsLastFrame).
std::vector<uint8_t> PrevBackBuffer;
Overlay PrevOverlays[kMaxOverlays];
int PrevOverlayCount;
char PrevTextStore[kTextStoreBytes];
size_t PrevTextUsed;
bool PrevValid;
char FacePath[512];

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
        PaletteRgb[i] = (uint32_t(Video.GamePalette[i].red) << 16) | (uint32_t(Video.GamePalette[i].green) << 8) |
                        Video.GamePalette[i].blue;
}

// Picks the first usable face of comic.ttf and the system fallbacks; returns its index (0 = comic.ttf).
int ChooseFace() {
    if (PlatformFontFileUsable("comic.ttf")) {
        snprintf(FacePath, sizeof FacePath, "%s", "comic.ttf");
        return 0;
    }
    for (size_t i = 0; i < sizeof kFallbackFaces / sizeof *kFallbackFaces; ++i) {
        if (PlatformFontFileUsable(kFallbackFaces[i])) {
            snprintf(FacePath, sizeof FacePath, "%s", kFallbackFaces[i]);
            return int(i) + 1;
        }
    }
    FacePath[0] = 0;
    return -1;
}

void OpenFonts() {
    PrevValid = false;  // the same texts may look different in another face
    PlatformFontCloseAll();
    if (!FacePath[0]) ChooseFace();
    if (!FacePath[0]) return;
    PlatformFontOpen(LargeFont, FacePath, Scaled(38));
    PlatformFontOpen(SmallFont, FacePath, Scaled(14));
}

void BlendText(const PlatformGlyphs& g, int x0, int y0, uint32_t colour) {
    uint32_t r = colour & 0xFF, gr = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
    int xs = x0 < 0 ? -x0 : 0, ys = y0 < 0 ? -y0 : 0;
    int xe = g.w, ye = g.h;
    if (x0 + xe > Width) xe = Width - x0;
    if (y0 + ye > Height) ye = Height - y0;
    for (int y = ys; y < ye; ++y) {
        const uint8_t* cov = g.coverage + size_t(y) * g.w;
        uint32_t* dst = Image.data() + size_t(y0 + y) * Width + x0;
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

void ApplyFill(const Overlay& o) {
    int x0 = o.x < 0 ? 0 : o.x, y0 = o.y < 0 ? 0 : o.y;
    int x1 = o.x1 > Width ? Width : o.x1, y1 = o.y1 > Height ? Height : o.y1;
    uint32_t c = PaletteRgb[o.colour & 0xFF];
    for (int y = y0; y < y1; ++y) {
        uint32_t* row = Image.data() + size_t(y) * Width;
        for (int x = x0; x < x1; ++x) row[x] = c;
    }
}

}  // namespace

bool VideoReady() { return Ready; }

int InitVideo() {
    // A height outside the sensible range (a hostile recording) keeps the classic scale.
    const int32_t h = Settings.SCREENY;
    Video.ViewScale = Settings.SCALEVIEW && h > 480 && h <= 4800 ? h / 480.0 : 1.0;
    if (Settings.SCREENBPP != 8) return 0;  // only the palettised mode exists
    if (!PlatformVideoInit(Settings.SCREENX, Settings.SCREENY)) return 0;
    Width = Settings.SCREENX;
    Height = Settings.SCREENY;
    Settings.ScreenCentreX = uint32_t(Settings.SCREENX) >> 1;
    Settings.ScreenCentreY = uint32_t(Settings.SCREENY) >> 1;
    BackBuffer.assign(size_t(Width) * Height, 0);
    PrevBackBuffer.assign(size_t(Width) * Height, 0);
    PrevValid = false;
    Image.assign(size_t(Width) * Height, 0);
    ImageValid = false;
    BuildPalette();
    Ready = true;
    ClearBackBuffer(0);
    PresentFrame();
    OpenFonts();
    return 1;
}

int ShutdownVideo() {
    if (Ready) {
        ClearBackBuffer(0);
        PresentFrame();
    }
    Ready = false;
    Video.FramePixels = nullptr;
    PlatformVideoShutdown();
    return 1;
}

int ChangeResolution() {
    if (Ready) {
        Ready = false;
        Video.FramePixels = nullptr;
        PlatformVideoShutdown();
    }
    InitVideo();
    return 1;
}

int RestoreSurfaces() { return 1; }  // our surfaces live in ordinary memory and are never lost

int ClearBackBuffer(int index) {
    if (!Ready) return 0;
    memset(BackBuffer.data(), index & 0xFF, BackBuffer.size());
    // Texts and fills drawn onto the back buffer are cleared with it.
    OverlayCount = 0;
    TextUsed = 0;
    return 1;
}

int LockBackBuffer() {
    if (!Ready) return 0;
    Video.FramePixels = BackBuffer.data();
    Video.FramePitch = Width;
    return 1;
}

int UnlockBackBuffer() {
    if (!Ready) return 0;
    return 1;
}

// Whether the frame being presented is the one presented last: the same back buffer, and the same texts
// and fills in the same order (then it makes the same image, which is neither made nor shown again).
bool SameAsLastFrame() {
    if (!PrevValid || OverlayCount != PrevOverlayCount || TextUsed != PrevTextUsed) return false;
    for (int i = 0; i < OverlayCount; ++i) {
        const Overlay &a = Overlays[i], &b = PrevOverlays[i];
        if (a.kind != b.kind || a.font != b.font || a.x != b.x || a.y != b.y || a.x1 != b.x1 || a.y1 != b.y1 ||
            a.colour != b.colour || a.textOffset != b.textOffset)
            return false;
    }
    return memcmp(TextStore, PrevTextStore, TextUsed) == 0 &&
           memcmp(BackBuffer.data(), PrevBackBuffer.data(), BackBuffer.size()) == 0;
}

void KeepAsLastFrame() {
    memcpy(PrevBackBuffer.data(), BackBuffer.data(), BackBuffer.size());
    std::copy(Overlays, Overlays + OverlayCount, PrevOverlays);
    PrevOverlayCount = OverlayCount;
    memcpy(PrevTextStore, TextStore, TextUsed);
    PrevTextUsed = TextUsed;
    PrevValid = true;
}

int PresentFrame() {
    if (!Ready) return 0;
    if (ImageValid && SameAsLastFrame()) {
        OverlayCount = 0;
        TextUsed = 0;
        PlatformPresent(Image.data(), Width, Height, false);
        ++Program.FrameCount;
        return 1;
    }
    // Rows under an opaque fill that spans the whole width from the top (the console panel) are
    // overwritten anyway: they need no palette conversion.
    int covered = 0;
    for (int i = 0; i < OverlayCount; ++i) {
        const Overlay& o = Overlays[i];
        if (o.kind == Overlay::FILL && o.x <= 0 && o.x1 >= Width && o.y <= 0 && o.y1 > covered)
            covered = o.y1 < Height ? o.y1 : Height;
    }
    const size_t start = size_t(covered) * Width;
    const size_t n = BackBuffer.size();
    const uint8_t* src = BackBuffer.data();
    uint32_t* dst = Image.data();
    for (size_t i = start; i < n; ++i) dst[i] = PaletteRgb[src[i]];
    for (int i = 0; i < OverlayCount; ++i) {
        const Overlay& o = Overlays[i];
        if (o.kind == Overlay::FILL) {
            ApplyFill(o);
        } else {
            PlatformGlyphs g;
            if (PlatformTextRender(o.font, TextStore + o.textOffset, &g)) BlendText(g, o.x, o.y, o.colour);
        }
    }
    KeepAsLastFrame();
    OverlayCount = 0;
    TextUsed = 0;
    ImageValid = true;
    PlatformPresent(Image.data(), Width, Height, true);
    ++Program.FrameCount;
    return 1;
}

int DrawScreenText(const char* text, int x, int y, uint32_t colour, int font) {
    if (!Ready || !text) return 0;
    size_t len = strlen(text);
    // A frame holds a bounded number of texts; further ones are dropped rather than overflow.
    if (OverlayCount >= kMaxOverlays || TextUsed + len + 1 > kTextStoreBytes) return 1;
    memcpy(TextStore + TextUsed, text, len + 1);
    Overlays[OverlayCount++] = {
        Overlay::TEXT,     uint8_t(font == SmallFont ? SmallFont : LargeFont), x, y, 0, 0, colour & 0xFFFFFF,
        uint32_t(TextUsed)};
    TextUsed += len + 1;
    return 1;
}

int MeasureScreenText(const char* text, int32_t* width, int32_t* height, int font) {
    if (!Ready || !text) return 0;
    int w = 0, h = 0;
    if (!PlatformTextMeasure(font == SmallFont ? SmallFont : LargeFont, text, &w, &h)) return 0;
    *width = w;
    *height = h;
    return 1;
}

int FillScreenRect(int x0, int y0, int x1, int y1, int index) {
    if (!Ready || OverlayCount >= kMaxOverlays) return 0;
    Overlays[OverlayCount++] = {Overlay::FILL, 0, x0, y0, x1, y1, uint32_t(index & 0xFF), 0};
    return 1;
}

const uint32_t* LastPresentedImage(int* w, int* h) {
    if (!ImageValid) return nullptr;
    *w = Width;
    *h = Height;
    return Image.data();
}

void RegisterGameFont() {
    int face = ChooseFace();
    if (face != 0) {
        char line[600];
        if (face < 0)
            snprintf(line, sizeof line, "comic.ttf not usable and no system face found: no text");
        else
            snprintf(line, sizeof line, "comic.ttf not usable, using the face %s", FacePath);
        Print(line);
    }
    if (Ready) OpenFonts();
}

void RemoveGameFont() {
    PlatformFontCloseAll();
    FacePath[0] = 0;
}

const char* GameFontPath() { return FacePath; }
