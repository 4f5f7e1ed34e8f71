// Program settings from config.ini, and the window title.
#pragma once
#include <cstdint>

#include "core/settings.h"

// Reads config.ini into the current definition table (no push) and validates the screen size.
void ReadSettings();
// Copies the SOUNDFONT value of the current definition table into the settings (empty when absent).
void ReadSoundFontName();
// Copies the START value of the current definition table into StartMenuFile (empty when absent).
void ReadStartMenuName();
