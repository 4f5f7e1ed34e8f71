// The keys of SDL's scancodes as the game reads them: DirectInput key codes (platform/dik.h).
#pragma once
#include <SDL.h>

#include <cstdint>

// The DirectInput code of an SDL scancode; 0 for a key the game has no code for.
uint8_t SdlScancodeToDik(SDL_Scancode sc);
