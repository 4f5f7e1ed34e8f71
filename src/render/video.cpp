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

// The rectangle [x0, x1) x [y0, y1) an overlay touches, cut to the screen (empty: x0 >= x1 or y0 >= y1).
struct Span {
    int x0, y0, x1, y1;
};

// The damage chunks the columns from .. to - 1 lie in.
uint64_t ChunksOf(int from, int to) {
    if (from >= to) return 0;
    const int a = from / Video.ChunkWidth, b = (to - 1) / Video.ChunkWidth;
    return b - a >= 63 ? ~0ull : ((2ull << (b - a)) - 1) << a;
}

// Starts the map of written groups of an empty back buffer.
void StartWritten() {
    std::fill(Video.Written.begin(), Video.Written.end(), 0);
    Video.WrittenKnown = true;
}

// The pixels in the groups either frame wrote: those that differ from the last frame's are converted and
// their chunks marked (rows above `covered` lie under a fill and need neither); the last frame's pixels
// are cleared for the next frame to be drawn into. Row by row, as the written groups lie in them.
void ConvertWritten(int covered) {
    const uint8_t* cur = Video.BackBuffer.data();
    uint8_t* prev = Video.PrevBackBuffer.data();
    uint32_t* image = Video.Image.data();
    const uint32_t* palette = Video.PaletteRgb;
    const uint64_t* now = Video.Written.data();
    const uint64_t* before = Video.PrevWritten.data();
    const size_t w = size_t(Video.Width);
    int shift = 0;
    while ((1 << shift) < Video.ChunkWidth) ++shift;
    for (int y = 0; y < Video.Height; ++y) {
        const size_t rowStart = size_t(y) * w, rowEnd = rowStart + w;
        const bool show = y >= covered;
        uint64_t changed = 0;
        const size_t g0 = rowStart >> 3, g1 = (rowEnd - 1) >> 3;  // the row's groups, g0 .. g1
        for (size_t k = g0 >> 6; k <= g1 >> 6; ++k) {
            uint64_t m = now[k] | before[k];
            if (!m) continue;
            if (k == g0 >> 6) m &= ~0ull << (g0 & 63);
            if (k == g1 >> 6 && (g1 & 63) != 63) m &= (2ull << (g1 & 63)) - 1;
            while (m) {
                const int bit = __builtin_ctzll(m);
                const size_t g = (k << 6) + size_t(bit);
                m &= m - 1;
                const size_t a = std::max(g << 3, rowStart), b = std::min((g << 3) + 8, rowEnd);
                if (b - a == 8) {
                    // A group only one of the frames wrote is clear in the other: it need not be read.
                    uint64_t p = 0, c = 0;
                    const bool wasWritten = (before[k] >> bit) & 1, isWritten = (now[k] >> bit) & 1;
                    if (wasWritten) memcpy(&p, prev + a, 8);
                    if (isWritten) memcpy(&c, cur + a, 8);
                    if (p) memset(prev + a, 0, 8);
                    if (p == c || !show) continue;
                    for (size_t i = a; i < b; ++i) image[i] = palette[cur[i]];
                    // A group lies in one row but, in a row of odd width, may straddle two chunks.
                    changed |= (1ull << ((a - rowStart) >> shift)) | (1ull << ((b - 1 - rowStart) >> shift));
                    continue;
                }
                for (size_t i = a; i < b; ++i) {
                    if (prev[i] != cur[i] && show) {
                        image[i] = palette[cur[i]];
                        changed |= 1ull << ((i - rowStart) >> shift);
                    }
                    prev[i] = 0;
                }
            }
        }
        Video.Damage[size_t(y)] = changed;
    }
}

// Marks the chunks of each row a text or fill lies in, as changed and as covered by it.
void NoteOverlay(const Span& r) {
    if (r.x0 >= r.x1 || r.y0 >= r.y1) return;
    const uint64_t bits = ChunksOf(r.x0, r.x1);
    for (int y = r.y0; y < r.y1; ++y) {
        Video.OverlayChunks[size_t(y)] |= bits;
        Video.Damage[size_t(y)] |= bits;
    }
}

Span BlendText(const PlatformGlyphs& g, int x0, int y0, uint32_t colour) {
    uint32_t r = colour & 0xFF, gr = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
    int xs = x0 < 0 ? -x0 : 0, ys = y0 < 0 ? -y0 : 0;
    int xe = g.w, ye = g.h;
    if (x0 + xe > Video.Width) xe = Video.Width - x0;
    if (y0 + ye > Video.Height) ye = Video.Height - y0;
    if (xs >= xe || ys >= ye) return {0, 0, 0, 0};
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
    return {x0 + xs, y0 + ys, x0 + xe, y0 + ye};
}

Span ApplyFill(const VideoOverlay& o) {
    int x0 = o.x < 0 ? 0 : o.x, y0 = o.y < 0 ? 0 : o.y;
    int x1 = o.x1 > Video.Width ? Video.Width : o.x1, y1 = o.y1 > Video.Height ? Video.Height : o.y1;
    uint32_t c = Video.PaletteRgb[o.colour & 0xFF];
    for (int y = y0; y < y1; ++y) {
        uint32_t* row = Video.Image.data() + size_t(y) * Video.Width;
        for (int x = x0; x < x1; ++x) row[x] = c;
    }
    return {x0, y0, x1, y1};
}

// Converts pixels from .. to - 1 of row y through the palette into the image.
void ConvertRun(int y, int from, int to) {
    const uint8_t* src = Video.BackBuffer.data() + size_t(y) * Video.Width;
    uint32_t* dst = Video.Image.data() + size_t(y) * Video.Width;
    for (int x = from; x < to; ++x) dst[x] = Video.PaletteRgb[src[x]];
}

inline uint64_t Load8(const uint8_t* p) {
    uint64_t v;
    memcpy(&v, p, 8);
    return v;
}

// Row y of the frame against the last one: the pixels that differ are converted, the last frame's row is
// left clear for the next frame to be drawn into. Returns the changed chunks.
uint64_t ConvertChanges(int y) {
    const int w = Video.Width, cw = Video.ChunkWidth;
    const uint8_t* cur = Video.BackBuffer.data() + size_t(y) * w;
    uint8_t* prev = Video.PrevBackBuffer.data() + size_t(y) * w;
    uint32_t* dst = Video.Image.data() + size_t(y) * w;
    const uint32_t* palette = Video.PaletteRgb;
    uint64_t changed = 0;
    auto word = [&](int x) {
        const uint64_t a = Load8(cur + x), b = Load8(prev + x);
        if (a != b) {
            for (int k = 0; k < 8; ++k) dst[x + k] = palette[cur[x + k]];
            changed |= 1ull << (x / cw);
        }
        if (b) memset(prev + x, 0, 8);
    };
    int x = 0;
    // Most of a wireframe frame is black in both: 32 pixels at a time pass untouched.
    for (; x + 32 <= w; x += 32) {
        if ((Load8(cur + x) | Load8(cur + x + 8) | Load8(cur + x + 16) | Load8(cur + x + 24) | Load8(prev + x) |
             Load8(prev + x + 8) | Load8(prev + x + 16) | Load8(prev + x + 24)) == 0)
            continue;
        word(x), word(x + 8), word(x + 16), word(x + 24);
    }
    for (; x + 8 <= w; x += 8) word(x);
    for (; x < w; ++x) {
        if (cur[x] != prev[x]) {
            dst[x] = palette[cur[x]];
            changed |= 1ull << (x / cw);
        }
        prev[x] = 0;
    }
    return changed;
}

// Whether this frame's texts and fills are the last frame's, in the same order.
bool SameOverlaysAsLastFrame() {
    if (!Video.PrevValid || Video.OverlayCount != Video.PrevOverlayCount || Video.TextUsed != Video.PrevTextUsed)
        return false;
    for (int i = 0; i < Video.OverlayCount; ++i) {
        const VideoOverlay &a = Video.Overlays[i], &b = Video.PrevOverlays[i];
        if (a.kind != b.kind || a.font != b.font || a.x != b.x || a.y != b.y || a.x1 != b.x1 || a.y1 != b.y1 ||
            a.colour != b.colour || a.textOffset != b.textOffset)
            return false;
    }
    return memcmp(Video.TextStore, Video.PrevTextStore, Video.TextUsed) == 0;
}

}  // namespace

bool VideoReady() { return Video.Ready; }

void FrameWrittenUnmarked() { Video.WrittenKnown = false; }

int ViewLeft() {
    if (!Settings.SCALEVIEW) return 0;
    const int margin = (Settings.SCREENX - Scaled(640)) / 2;
    return margin > 0 ? margin : 0;
}

int InitVideo() {
    // The 640 x 480 picture as large as the screen holds it: by the height on a wide screen (which then
    // sees more to the sides), by the width on a tall one. A size outside the game's keeps the classic scale.
    const int32_t w = Settings.SCREENX, h = Settings.SCREENY;
    const double scale = std::min(h / 480.0, w / 640.0);
    Video.ViewScale = Settings.SCALEVIEW && scale > 1.0 && w <= SCREEN_MAX_W && h <= SCREEN_MAX_H ? scale : 1.0;
    if (Settings.SCREENBPP != 8) return 0;  // only the palettised mode exists
    if (!PlatformVideoInit(Settings.SCREENX, Settings.SCREENY)) return 0;
    Video.Width = Settings.SCREENX;
    Video.Height = Settings.SCREENY;
    Settings.ScreenCentreX = uint32_t(Settings.SCREENX) >> 1;
    Settings.ScreenCentreY = uint32_t(Settings.SCREENY) >> 1;
    // Every buffer is sized for the screen: the frames, the image, and the per-row spans and damage.
    Video.BackBuffer.assign(size_t(Video.Width) * Video.Height, 0);
    Video.BackBufferClear = false;
    Video.PrevBackBuffer.assign(size_t(Video.Width) * Video.Height, 0);
    Video.PrevValid = false;
    Video.PrevOverlayChunks.assign(size_t(Video.Height), 0);
    Video.OverlayChunks.assign(size_t(Video.Height), 0);
    Video.Damage.assign(size_t(Video.Height), 0);
    Video.ChunkWidth = PresentChunkWidth(Video.Width);
    // The maps of written groups: a bit for every 8 pixels.
    const size_t words = (size_t(Video.Width) * Video.Height / 8 + 63) / 64 + 1;
    Video.Written.assign(words, 0);
    Video.PrevWritten.assign(words, 0);
    Video.WrittenKnown = Video.PrevWrittenKnown = true;
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
    // Texts and fills drawn onto the back buffer are cleared with it.
    Video.OverlayCount = 0;
    Video.TextUsed = 0;
    const bool zero = (index & 0xFF) == 0;
    if (zero && Video.BackBufferClear) return 1;  // as the present left it: clear, nothing written
    memset(Video.BackBuffer.data(), index & 0xFF, Video.BackBuffer.size());
    Video.BackBufferClear = zero;
    // A buffer of zeros has nothing written; one of another index has every pixel written.
    StartWritten();
    Video.WrittenKnown = zero;
    return 1;
}

int LockBackBuffer() {
    if (!Video.Ready) return 0;
    Video.BackBufferClear = false;  // whatever is drawn now is the frame's
    Video.FramePixels = Video.BackBuffer.data();
    Video.FramePitch = Video.Width;
    return 1;
}

int UnlockBackBuffer() {
    if (!Video.Ready) return 0;
    return 1;
}

int PresentFrame() {
    if (!Video.Ready) return 0;
    const int w = Video.Width, h = Video.Height;
    PlatformPresentBegin();       // the image is ours to change until it is handed over below
    Video.FramePixels = nullptr;  // the frame is finished: nothing draws into it after this
    // Rows under an opaque fill that spans the whole width from the top (the console panel) are overwritten
    // anyway: they need no palette conversion.
    int covered = 0;
    for (int i = 0; i < Video.OverlayCount; ++i) {
        const VideoOverlay& o = Video.Overlays[i];
        if (o.kind == VideoOverlay::FILL && o.x <= 0 && o.x1 >= w && o.y <= 0 && o.y1 > covered)
            covered = o.y1 < h ? o.y1 : h;
    }
    const bool full = !Video.ImageValid;
    const bool sameOverlays = !full && SameOverlaysAsLastFrame();
    // The lines: every pixel of a first frame, else those that differ from the last frame's, looked for
    // where the two frames were written when that is known, else over the whole frame. Either way the last
    // frame's buffer is left clear, to be drawn into next.
    bool redoOverlays = full || !sameOverlays;
    const bool marked = !full && Video.WrittenKnown && Video.PrevWrittenKnown;
    if (marked) {
        ConvertWritten(covered);
        for (int y = covered; y < h && !redoOverlays; ++y)
            if (Video.Damage[size_t(y)] & Video.PrevOverlayChunks[size_t(y)]) redoOverlays = true;
    }
    for (int y = 0; y < h && !marked; ++y) {
        uint8_t* prev = Video.PrevBackBuffer.data() + size_t(y) * w;
        if (y < covered) {
            memset(prev, 0, size_t(w));
            Video.Damage[size_t(y)] = 0;
            continue;
        }
        if (full) {
            ConvertRun(y, 0, w);
            memset(prev, 0, size_t(w));
            continue;
        }
        const uint64_t changed = ConvertChanges(y);
        Video.Damage[size_t(y)] = changed;
        // A changed pixel under a text or fill has overwritten it: the texts and fills are laid anew.
        if (changed & Video.PrevOverlayChunks[size_t(y)]) redoOverlays = true;
    }
    if (redoOverlays) {
        // Where the last frame's texts and fills lay, the lines come back (rows the fill covers need not),
        // then this frame's texts and fills go over them in order.
        for (int y = covered; y < h; ++y) {
            const uint64_t chunks = Video.PrevOverlayChunks[size_t(y)];
            if (!chunks) continue;
            ForEachDamageRun(chunks, Video.ChunkWidth, w, [y](int x, int n) { ConvertRun(y, x, x + n); });
            Video.Damage[size_t(y)] |= chunks;
        }
        std::fill(Video.OverlayChunks.begin(), Video.OverlayChunks.end(), 0);
        for (int i = 0; i < Video.OverlayCount; ++i) {
            const VideoOverlay& o = Video.Overlays[i];
            PlatformGlyphs g;
            if (o.kind == VideoOverlay::FILL)
                NoteOverlay(ApplyFill(o));
            else if (PlatformTextRender(o.font, Video.TextStore + o.textOffset, &g))
                NoteOverlay(BlendText(g, o.x, o.y, o.colour));
        }
        Video.PrevOverlayChunks.swap(Video.OverlayChunks);
    }
    if (!sameOverlays) {
        std::copy(Video.Overlays, Video.Overlays + Video.OverlayCount, Video.PrevOverlays);
        Video.PrevOverlayCount = Video.OverlayCount;
        memcpy(Video.PrevTextStore, Video.TextStore, Video.TextUsed);
        Video.PrevTextUsed = Video.TextUsed;
    }
    // This frame becomes the last one; the last one's buffer, cleared above, is the next back buffer.
    Video.BackBuffer.swap(Video.PrevBackBuffer);
    Video.Written.swap(Video.PrevWritten);
    Video.PrevWrittenKnown = Video.WrittenKnown;
    StartWritten();
    Video.BackBufferClear = true;
    Video.PrevValid = true;
    Video.OverlayCount = 0;
    Video.TextUsed = 0;
    Video.ImageValid = true;
    PlatformPresent(Video.Image.data(), w, h, full ? nullptr : Video.Damage.data());
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
