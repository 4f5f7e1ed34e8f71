// Program settings from config.ini, and the window title.
#pragma once
#include <cstdint>

extern int32_t SCREENX;    // screen width in pixels: 640, 800 or 1024
extern int32_t SCREENY;    // screen height in pixels: 480, 600 or 768
extern int32_t SCREENBPP;  // display depth; always 8 once settings are read
extern int32_t SOUNDVOL;   // sound-effect volume 0..100
extern int32_t MUSICVOL;   // music volume 0..100
extern char StartMenuFile[72];
extern char WindowTitle[52];

// Reads config.ini into the current definition table (no push) and validates the screen size.
void ReadSettings();
// Copies the START value of the current definition table into StartMenuFile (empty when absent).
void ReadStartMenuName();
