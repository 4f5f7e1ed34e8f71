// Presenting frames, without ever waiting for the display. Where the machine has a graphics processor, the
// frame goes into the renderer's streaming texture and the processor scales it into the window (letterboxed,
// by whole multiples with SCALING=integer); SDL's renderer lives on the thread that pumps the window's
// events, so this runs in the main loop, and costs it little. Otherwise a thread of its own takes each
// frame from the video device's image (which is not changed while it reads: PlatformPresentBegin waits),
// scales it into the window's framebuffer (nearest neighbour) and hands it to the display; at one to one
// it copies only the parts of the frame that changed, and shows only those. A frame that shows nothing new
// is not handed over again.
#include <SDL.h>

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "core/settings.h"
#include "platform/platform.h"
#include "platform/present_layout.h"
#include "platform/sdl/sdl_internal.h"

namespace {

struct Presenter {
    int w = 0, h = 0;            // frame size
    int chunk = 8;               // damage chunk width
    bool integer = false;        // whole multiples only (SCALING=integer), taken when the video starts
    bool dirty = true;           // the window needs a whole frame although the image is the same
    bool presentLocked = false;  // PlatformPresentBegin holds `reading` until the frame is handed over

    // The renderer's texture (the graphics processor's path), null where there is none.
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    bool rendererTried = false;

    // The framebuffer path's thread.
    std::thread thread;
    std::mutex handover;  // guards image, pendingDamage, pendingAll, havePending, stop
    std::condition_variable wake;
    std::mutex window;   // held while the thread draws into the window and shows it
    std::mutex reading;  // held while the thread reads the image
    bool running = false;
    bool stop = false;
    const uint32_t* image = nullptr;      // the video device's image of the newest frame
    std::vector<uint64_t> pendingDamage;  // per row: the chunks changed since the thread last showed one
    bool pendingAll = false;              // the window needs all of it
    bool havePending = false;
    // The thread's own: what changed, and its scaling tables (rebuilt when the window's size changes).
    std::vector<uint64_t> shownDamage;
    int outW = 0, outH = 0;
    SDL_Rect dst = {0, 0, 0, 0};
    std::vector<int> columnOf;  // for each column of dst, the frame's column
    std::vector<uint32_t> row;  // one output row in the frame's format
    std::vector<SDL_Rect> rects;
};
Presenter P;

// ---- the graphics processor's path --------------------------------------------------------------------

// Whether an OpenGL renderer draws on the processor (Mesa's llvmpipe and softpipe, swrast): then the
// framebuffer path is the quicker one.
bool SoftwareGl(SDL_Renderer* r) {
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(r, &info) != 0 || !(info.flags & SDL_RENDERER_ACCELERATED)) return true;
    if (strncmp(info.name, "opengl", 6) != 0) return false;
    using GetString = const unsigned char* (*)(unsigned);
    const auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    const char* name = getString ? reinterpret_cast<const char*>(getString(0x1F01)) : nullptr;  // GL_RENDERER
    return !name || strstr(name, "llvmpipe") || strstr(name, "softpipe") || strstr(name, "Software") ||
           strstr(name, "swrast");
}

// The renderer, once per window: a hardware one (no vsync: the loop never waits for the display), unless
// the player names a driver in SDL_RENDER_DRIVER, which is then taken as it is.
void OpenRenderer() {
    if (P.rendererTried) return;
    P.rendererTried = true;
    SDL_Window* window = SdlWindow();
    if (!window) return;
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    const char* asked = SDL_getenv("SDL_RENDER_DRIVER");
    const bool chosen = asked && *asked;
    SDL_Renderer* r = SDL_CreateRenderer(window, -1, chosen ? 0 : SDL_RENDERER_ACCELERATED);
    if (r && !chosen && SoftwareGl(r)) {
        SDL_DestroyRenderer(r);
        r = nullptr;
    }
    P.renderer = r;
}

void CloseTexture() {
    if (P.texture) SDL_DestroyTexture(P.texture);
    P.texture = nullptr;
}

bool OpenTexture(int w, int h) {
    CloseTexture();
    if (!P.renderer) return false;
    P.texture = SDL_CreateTexture(P.renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, w, h);
    if (!P.texture) return false;
    SDL_SetTextureScaleMode(P.texture, SDL_ScaleModeNearest);  // sharp pixels, as the framebuffer path
    return true;
}

void RenderTexture(const uint32_t* rgb, const uint64_t* damage, bool whole) {
    if (whole) {
        SDL_UpdateTexture(P.texture, nullptr, rgb, P.w * 4);
    } else {
        // The band of rows that changed, whole rows: one upload.
        int first = -1, last = -1;
        for (int y = 0; y < P.h; ++y)
            if (damage[y]) {
                if (first < 0) first = y;
                last = y;
            }
        if (first < 0) return;  // nothing new
        const SDL_Rect band = {0, first, P.w, last - first + 1};
        SDL_UpdateTexture(P.texture, &band, rgb + size_t(first) * P.w, P.w * 4);
    }
    int ow = 0, oh = 0;
    if (SDL_GetRendererOutputSize(P.renderer, &ow, &oh) != 0 || ow <= 0 || oh <= 0) return;
    const PresentRect r = PresentLayout(P.w, P.h, ow, oh, P.integer);
    const SDL_Rect to = {r.x, r.y, r.w, r.h};
    SDL_SetRenderDrawColor(P.renderer, 0, 0, 0, 255);
    SDL_RenderClear(P.renderer);
    SDL_RenderCopy(P.renderer, P.texture, nullptr, &to);
    SDL_RenderPresent(P.renderer);
}

// ---- the framebuffer path -----------------------------------------------------------------------------

// Places the frame in the window (fit or whole multiples, centred); the bars stay black.
void Layout(int ow, int oh) {
    P.outW = ow;
    P.outH = oh;
    const PresentRect r = PresentLayout(P.w, P.h, ow, oh, P.integer);
    const SDL_Rect d = {r.x, r.y, r.w, r.h};
    P.dst = d;
    P.columnOf.resize(size_t(d.w > 0 ? d.w : 0));
    for (int x = 0; x < d.w; ++x) P.columnOf[size_t(x)] = int(int64_t(x) * P.w / d.w);
    P.row.assign(size_t(ow), 0);
}

// Whether the surface holds 32-bit pixels laid out as the frame's 0x00RRGGBB.
bool SameLayout(const SDL_Surface* s) {
    const SDL_PixelFormat* f = s->format;
    return f->BytesPerPixel == 4 && f->Rmask == 0xFF0000 && f->Gmask == 0xFF00 && f->Bmask == 0xFF;
}

// At one to one in a surface of the frame's layout: the changed chunks only; and for each band of rows, a
// rectangle for each run of chunks changed in any of its rows, to be shown.
void CopyChanges(SDL_Surface* s, const uint32_t* frame) {
    const SDL_Rect& d = P.dst;
    P.rects.clear();
    constexpr int kBand = 16;  // rows a shown rectangle spans at most
    for (int y0 = 0; y0 < P.h; y0 += kBand) {
        const int y1 = y0 + kBand < P.h ? y0 + kBand : P.h;
        uint64_t band = 0;
        for (int y = y0; y < y1; ++y) {
            const uint64_t mask = P.shownDamage[size_t(y)];
            if (!mask) continue;
            band |= mask;
            const uint32_t* in = frame + size_t(y) * P.w;
            uint32_t* out =
                reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + size_t(d.y + y) * s->pitch) + d.x;
            ForEachDamageRun(mask, P.chunk, P.w, [&](int x, int n) { memcpy(out + x, in + x, size_t(n) * 4); });
        }
        ForEachDamageRun(band, P.chunk, P.w, [&](int x, int n) {
            P.rects.push_back(SDL_Rect{d.x + x, d.y + y0, n, y1 - y0});
        });
    }
}

void Show(const uint32_t* frame, bool whole) {
    std::lock_guard<std::mutex> hold(P.window);
    SDL_Window* window = SdlWindow();
    if (!window) return;
    SDL_Surface* s = SDL_GetWindowSurface(window);
    if (!s || s->w <= 0 || s->h <= 0) return;
    if (s->w != P.outW || s->h != P.outH) {
        Layout(s->w, s->h);
        whole = true;
    }
    if (SDL_MUSTLOCK(s) && SDL_LockSurface(s) != 0) return;
    const bool direct = SameLayout(s);
    const SDL_Rect& d = P.dst;
    const bool oneToOne = d.w == P.w && d.h == P.h;
    if (!whole && direct && oneToOne) {
        {
            std::lock_guard<std::mutex> read(P.reading);
            CopyChanges(s, frame);
        }
        if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
        if (!P.rects.empty()) SDL_UpdateWindowSurfaceRects(window, P.rects.data(), int(P.rects.size()));
        return;
    }
    {
        std::lock_guard<std::mutex> read(P.reading);
        const uint8_t* previous = nullptr;
        int previousSource = -1;
        for (int y = 0; y < s->h; ++y) {
            uint8_t* out = static_cast<uint8_t*>(s->pixels) + size_t(y) * size_t(s->pitch);
            if (y < d.y || y >= d.y + d.h) {
                memset(out, 0, size_t(s->w) * s->format->BytesPerPixel);
                continue;
            }
            int source = int(int64_t(y - d.y) * P.h / d.h);
            if (source == previousSource && previous) {
                memcpy(out, previous, size_t(s->w) * s->format->BytesPerPixel);  // the same frame row again
                continue;
            }
            const uint32_t* in = frame + size_t(source) * size_t(P.w);
            uint32_t* line = direct ? reinterpret_cast<uint32_t*>(out) : P.row.data();
            for (int x = 0; x < d.x; ++x) line[x] = 0;
            if (oneToOne)
                memcpy(line + d.x, in, size_t(d.w) * 4);
            else
                for (int x = 0; x < d.w; ++x) line[d.x + x] = in[P.columnOf[size_t(x)]];
            for (int x = d.x + d.w; x < s->w; ++x) line[x] = 0;
            if (!direct)
                SDL_ConvertPixels(s->w, 1, SDL_PIXELFORMAT_RGB888, line, s->w * 4, s->format->format, out, s->pitch);
            previous = out;
            previousSource = source;
        }
    }
    if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
    SDL_UpdateWindowSurface(window);
}

// Takes what the newest frame changed (or that all of it is to be shown).
bool Take(const uint32_t** frame, bool* whole) {
    std::unique_lock<std::mutex> lock(P.handover);
    P.wake.wait(lock, [] { return P.stop || P.havePending; });
    if (P.stop) return false;
    *frame = P.image;
    *whole = P.pendingAll;
    for (int y = 0; y < P.h; ++y) {
        P.shownDamage[size_t(y)] |= P.pendingDamage[size_t(y)];
        P.pendingDamage[size_t(y)] = 0;
    }
    P.pendingAll = P.havePending = false;
    return true;
}

void Run() {
    const uint32_t* frame = nullptr;
    bool whole = false;
    while (Take(&frame, &whole)) {
        Show(frame, whole);
        std::fill(P.shownDamage.begin(), P.shownDamage.end(), 0);
    }
}

void StopThread() {
    if (!P.running) return;
    {
        std::lock_guard<std::mutex> lock(P.handover);
        P.stop = true;
    }
    P.wake.notify_one();
    P.thread.join();
    P.running = false;
}

}  // namespace

void SdlPresenterWindowChanged() { P.dirty = true; }

void SdlPresenterLockWindow() { P.window.lock(); }
void SdlPresenterUnlockWindow() { P.window.unlock(); }

void SdlPresenterCloseRenderer() {
    PlatformVideoShutdown();
    if (P.renderer) SDL_DestroyRenderer(P.renderer);
    P.renderer = nullptr;
    P.rendererTried = false;
}

bool PlatformVideoInit(int w, int h) {
    if (!SdlWindow() || w <= 0 || h <= 0) return false;
    const bool newSize = w != P.w || h != P.h;
    PlatformVideoShutdown();
    if (newSize) SdlWindowFitFrame(w, h);
    P.w = w;
    P.h = h;
    P.chunk = PresentChunkWidth(w);
    P.integer = Settings.SCALING == 1;
    P.dirty = true;
    OpenRenderer();
    if (OpenTexture(w, h)) return true;
    // The framebuffer path: the window's own surface, which the renderer must not hold.
    if (P.renderer) {
        SDL_DestroyRenderer(P.renderer);
        P.renderer = nullptr;
    }
    P.image = nullptr;
    P.pendingDamage.assign(size_t(h), 0);
    P.shownDamage.assign(size_t(h), 0);
    P.outW = P.outH = 0;
    P.havePending = P.pendingAll = false;
    P.stop = false;
    P.thread = std::thread(Run);
    P.running = true;
    return true;
}

void PlatformVideoShutdown() {
    StopThread();
    CloseTexture();
}

void PlatformPresentBegin() {
    // The thread holds `reading` while it copies from the image; then the image is the device's again.
    if (!P.running || P.presentLocked) return;
    P.reading.lock();
    P.presentLocked = true;
}

void PlatformPresent(const uint32_t* rgb, int w, int h, const uint64_t* damage) {
    if (P.presentLocked) {
        P.presentLocked = false;
        P.reading.unlock();
    }
    if (w != P.w || h != P.h || (!P.running && !P.texture)) return;
    bool changed = damage == nullptr;
    for (int y = 0; y < h && !changed; ++y) changed = damage[y] != 0;
    // A frame the window shows already is not handed over again (the display is the slow part).
    if (!changed && !P.dirty) return;
    const bool redraw = P.dirty;
    P.dirty = false;
    if (P.texture) {
        RenderTexture(rgb, damage, damage == nullptr || redraw);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(P.handover);
        P.image = rgb;
        if (damage)
            for (int y = 0; y < h; ++y) P.pendingDamage[size_t(y)] |= damage[y];
        P.pendingAll = P.pendingAll || redraw || !damage;
        P.havePending = true;  // a frame not yet shown is brought up to date: the newest one is shown
    }
    P.wake.notify_one();
}

int SdlPresenterFrameWidth() { return P.w; }
int SdlPresenterFrameHeight() { return P.h; }
