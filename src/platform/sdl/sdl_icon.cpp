// The window's icon, the one the desktop entry names, built into the program (its pixels come from
// packaging/icons when the program is built), so that no file has to be found at run time.
//
// SDL gives a window one icon image: the 256-pixel one, which task bars, docks and window switchers
// scale down well. Under X11 the _NET_WM_ICON property may hold several sizes and the window manager
// takes the one nearest to what it draws; there the property is written again with both the 48-pixel
// icon (drawn at that size, sharper in a panel than a scaled-down one) and the 256-pixel one.
#include <SDL.h>

#include <vector>

#include "platform/sdl/sdl_internal.h"
#include "zarvo_icon_pixels.h"

#if defined(ZARVO_X11_ICON) && defined(SDL_VIDEO_DRIVER_X11)
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#define ZARVO_ICON_SIZES_ON_X11 1
#endif

namespace {

#ifdef ZARVO_ICON_SIZES_ON_X11
// _NET_WM_ICON: width, height and the pixels of each image in turn, each number a CARDINAL, which Xlib
// takes as a long.
void AppendIcon(std::vector<unsigned long>* property, int w, int h, const uint32_t* pixels) {
    property->push_back(static_cast<unsigned long>(w));
    property->push_back(static_cast<unsigned long>(h));
    property->insert(property->end(), pixels, pixels + size_t(w) * size_t(h));
}

void SetX11IconSizes(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    std::vector<unsigned long> property;
    AppendIcon(&property, kIcon48_W, kIcon48_H, kIcon48);
    AppendIcon(&property, kIcon256_W, kIcon256_H, kIcon256);
    Display* display = info.info.x11.display;
    Atom icon = XInternAtom(display, "_NET_WM_ICON", False);
    XChangeProperty(display, info.info.x11.window, icon, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(property.data()), int(property.size()));
    XFlush(display);
}
#endif

}  // namespace

void SdlSetWindowIcon(SDL_Window* window) {
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(kIcon256), kIcon256_W, kIcon256_H,
                                                              32, kIcon256_W * 4, SDL_PIXELFORMAT_ARGB8888);
    if (surface) {
        SDL_SetWindowIcon(window, surface);
        SDL_FreeSurface(surface);
    }
#ifdef ZARVO_ICON_SIZES_ON_X11
    SetX11IconSizes(window);
#endif
}
