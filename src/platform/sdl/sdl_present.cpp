// Presenting frames: a thread of its own scales each finished frame into the window (nearest neighbour,
// letterboxed, by whole multiples with SCALING=integer) and hands it to the display, so that the main
// loop never waits for the display. A frame that shows nothing new is not handed over again.
#include <SDL.h>

#include <condition_variable>
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
    std::thread thread;
    std::mutex handover;  // guards pending, havePending, stop
    std::condition_variable wake;
    std::mutex window;  // held while the thread draws into the window and shows it
    bool running = false;
    bool stop = false;
    int w = 0, h = 0;               // frame size
    bool integer = false;           // whole multiples only (SCALING=integer), taken when the video starts
    std::vector<uint32_t> pending;  // handed over, not yet shown
    std::vector<uint32_t> shown;    // the thread's frame
    bool havePending = false;
    bool dirty = true;  // the window needs a frame although the image is the same
    // The thread's scaling tables, rebuilt when the window's size changes.
    int outW = 0, outH = 0;
    SDL_Rect dst = {0, 0, 0, 0};
    std::vector<int> columnOf;  // for each column of dst, the frame's column
    std::vector<uint32_t> row;  // one output row in the frame's format
};
Presenter P;

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

void Show(const uint32_t* frame) {
    std::lock_guard<std::mutex> hold(P.window);
    SDL_Window* window = SdlWindow();
    if (!window) return;
    SDL_Surface* s = SDL_GetWindowSurface(window);
    if (!s || s->w <= 0 || s->h <= 0) return;
    if (s->w != P.outW || s->h != P.outH) Layout(s->w, s->h);
    if (SDL_MUSTLOCK(s) && SDL_LockSurface(s) != 0) return;
    const bool direct = SameLayout(s);
    const SDL_Rect& d = P.dst;
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
        for (int x = 0; x < d.w; ++x) line[d.x + x] = in[P.columnOf[size_t(x)]];
        for (int x = d.x + d.w; x < s->w; ++x) line[x] = 0;
        if (!direct)
            SDL_ConvertPixels(s->w, 1, SDL_PIXELFORMAT_RGB888, line, s->w * 4, s->format->format, out, s->pitch);
        previous = out;
        previousSource = source;
    }
    if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
    SDL_UpdateWindowSurface(window);
}

void Run() {
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(P.handover);
            P.wake.wait(lock, [] { return P.stop || P.havePending; });
            if (P.stop) return;
            P.pending.swap(P.shown);
            P.havePending = false;
        }
        Show(P.shown.data());
    }
}

}  // namespace

void SdlPresenterWindowChanged() { P.dirty = true; }

void SdlPresenterLockWindow() { P.window.lock(); }
void SdlPresenterUnlockWindow() { P.window.unlock(); }

bool PlatformVideoInit(int w, int h) {
    if (!SdlWindow() || w <= 0 || h <= 0) return false;
    const bool newSize = w != P.w || h != P.h;
    PlatformVideoShutdown();
    if (newSize) SdlWindowFitFrame(w, h);
    P.w = w;
    P.h = h;
    P.integer = Settings.SCALING == 1;
    size_t n = size_t(w) * size_t(h);
    P.pending.assign(n, 0);
    P.shown.assign(n, 0);
    P.outW = P.outH = 0;
    P.havePending = false;
    P.stop = false;
    P.dirty = true;
    P.thread = std::thread(Run);
    P.running = true;
    return true;
}

void PlatformVideoShutdown() {
    if (!P.running) return;
    {
        std::lock_guard<std::mutex> lock(P.handover);
        P.stop = true;
    }
    P.wake.notify_one();
    P.thread.join();
    P.running = false;
}

void PlatformPresent(const uint32_t* rgb, int w, int h, bool changed) {
    if (!P.running || w != P.w || h != P.h) return;
    // A frame the window shows already is not handed over again (the display is the slow part).
    if (!changed && !P.dirty) return;
    P.dirty = false;
    const size_t bytes = size_t(w) * size_t(h) * sizeof(uint32_t);
    {
        std::lock_guard<std::mutex> lock(P.handover);
        memcpy(P.pending.data(), rgb, bytes);
        P.havePending = true;  // a frame not yet taken is replaced: the newest one is shown
    }
    P.wake.notify_one();
}

int SdlPresenterFrameWidth() { return P.w; }
int SdlPresenterFrameHeight() { return P.h; }
