// What the files of the SDL backend share: the one window, the presenter's hooks and the pad's events.
#pragma once
#include <SDL.h>

// The game's window, null while none is open.
SDL_Window* SdlWindow();
// The window was exposed or changed size: the next frame is shown even if its image is the same.
void SdlPresenterWindowChanged();
// Held around changes of the window (full screen, size) so that the presenter is not drawing into it.
void SdlPresenterLockWindow();
void SdlPresenterUnlockWindow();
// A window (not full screen) takes the size of a new frame size, within the desktop, centred: a game
// started with --window or a resolution chosen in the options shows its frame at one to one.
void SdlWindowFitFrame(int w, int h);
// Stops presenting and lets go of the renderer (before the window is destroyed).
void SdlPresenterCloseRenderer();
// The size of the frames being presented (0 before the first).
int SdlPresenterFrameWidth();
int SdlPresenterFrameHeight();
// Gives the window the game's icon (built into the program).
void SdlSetWindowIcon(SDL_Window* window);
// A device was plugged in or pulled out (SDL_JOYDEVICE* and SDL_CONTROLLERDEVICE* events).
void SdlPadEvent(const SDL_Event& e);
