// Text through SDL_ttf for both backends: Windows-1252 bytes to UTF-8, anti-aliased coverage bitmaps,
// and a small cache so that steady frames reuse their rendered texts.
#include <SDL.h>
#include <SDL_ttf.h>

#include <cstring>
#include <vector>

#include "platform/platform.h"

namespace {

TTF_Font* Fonts[2];
bool TtfStarted;

struct CacheEntry {
    int slot = -1;
    uint64_t hash = 0;
    uint64_t lastUse = 0;
    std::vector<char> text;
    std::vector<uint8_t> coverage;
    int w = 0, h = 0;
};
constexpr int kCacheEntries = 192;
CacheEntry Cache[kCacheEntries];
uint64_t UseClock;

bool StartTtf() {
    if (TtfStarted) return true;
    if (TTF_Init() != 0) return false;
    TtfStarted = true;
    return true;
}

// Windows-1252 to UTF-8; bytes 0x80..0x9F follow the code page, undefined ones become '?'.
void ToUtf8(const char* text, char* out, size_t cap) {
    static const uint16_t k80[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                     0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    size_t o = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        uint32_t cp = *p;
        if (cp >= 0x80 && cp < 0xA0) cp = k80[cp - 0x80] ? k80[cp - 0x80] : '?';
        if (cp < 0x80) {
            if (o + 1 >= cap) break;
            out[o++] = char(cp);
        } else if (cp < 0x800) {
            if (o + 2 >= cap) break;
            out[o++] = char(0xC0 | (cp >> 6));
            out[o++] = char(0x80 | (cp & 0x3F));
        } else {
            if (o + 3 >= cap) break;
            out[o++] = char(0xE0 | (cp >> 12));
            out[o++] = char(0x80 | ((cp >> 6) & 0x3F));
            out[o++] = char(0x80 | (cp & 0x3F));
        }
    }
    out[o] = 0;
}

uint64_t Hash(int slot, const char* text) {
    uint64_t h = 1469598103934665603ull ^ uint64_t(slot);
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p)
        h = (h ^ *p) * 1099511628211ull;
    return h;
}

void FlushCache() {
    for (CacheEntry& e : Cache) e.slot = -1;
}

}  // namespace

bool PlatformFontFileUsable(const char* path) {
    if (!StartTtf()) return false;
    TTF_Font* f = TTF_OpenFont(path, 14);
    if (!f) return false;
    TTF_CloseFont(f);
    return true;
}

bool PlatformFontOpen(int slot, const char* path, int pixels) {
    if (slot < 0 || slot > 1 || !StartTtf()) return false;
    if (Fonts[slot]) TTF_CloseFont(Fonts[slot]);
    Fonts[slot] = TTF_OpenFont(path, pixels);
    FlushCache();
    if (!Fonts[slot]) return false;
    // The game's texts are bold; a regular face is emboldened.
    const char* style = TTF_FontFaceStyleName(Fonts[slot]);
    if (!style || !strstr(style, "Bold")) TTF_SetFontStyle(Fonts[slot], TTF_STYLE_BOLD);
    TTF_SetFontHinting(Fonts[slot], TTF_HINTING_LIGHT);
    return true;
}

void PlatformFontCloseAll() {
    for (TTF_Font*& f : Fonts) {
        if (f) TTF_CloseFont(f);
        f = nullptr;
    }
    FlushCache();
}

bool PlatformFontReady(int slot) { return slot >= 0 && slot <= 1 && Fonts[slot]; }

bool PlatformTextMeasure(int slot, const char* text, int* w, int* h) {
    if (!PlatformFontReady(slot)) return false;
    char utf8[1024];
    ToUtf8(text, utf8, sizeof utf8);
    int tw = 0, th = 0;
    if (TTF_SizeUTF8(Fonts[slot], utf8, &tw, &th) != 0) return false;
    *w = utf8[0] ? tw : 0;
    *h = th;
    return true;
}

bool PlatformTextRender(int slot, const char* text, PlatformGlyphs* out) {
    if (!PlatformFontReady(slot) || !text[0]) return false;
    uint64_t h = Hash(slot, text);
    size_t len = strlen(text);
    CacheEntry* victim = &Cache[0];
    for (CacheEntry& e : Cache) {
        if (e.slot == slot && e.hash == h && e.text.size() == len + 1 && memcmp(e.text.data(), text, len) == 0) {
            e.lastUse = ++UseClock;
            out->coverage = e.coverage.data();
            out->w = e.w;
            out->h = e.h;
            return e.w > 0;
        }
        if (e.lastUse < victim->lastUse) victim = &e;
    }
    char utf8[1024];
    ToUtf8(text, utf8, sizeof utf8);
    SDL_Color white = {255, 255, 255, 255};
    SDL_Surface* s = TTF_RenderUTF8_Blended(Fonts[slot], utf8, white);
    victim->slot = slot;
    victim->hash = h;
    victim->lastUse = ++UseClock;
    victim->text.assign(text, text + len + 1);
    victim->w = victim->h = 0;
    if (s) {
        SDL_Surface* conv = SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_ARGB8888, 0);
        SDL_FreeSurface(s);
        if (conv) {
            victim->w = conv->w;
            victim->h = conv->h;
            victim->coverage.resize(size_t(conv->w) * conv->h);
            SDL_LockSurface(conv);
            for (int y = 0; y < conv->h; ++y) {
                const uint32_t* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(conv->pixels) +
                                                                        size_t(y) * conv->pitch);
                for (int x = 0; x < conv->w; ++x) victim->coverage[size_t(y) * conv->w + x] = uint8_t(row[x] >> 24);
            }
            SDL_UnlockSurface(conv);
            SDL_FreeSurface(conv);
        }
    }
    out->coverage = victim->coverage.data();
    out->w = victim->w;
    out->h = victim->h;
    return victim->w > 0;
}
