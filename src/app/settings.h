// Program settings: the data directory's config.ini, the player's own config.ini over it, saving.
#pragma once
#include <cstdint>
#include <string>

#include "core/settings.h"

// Reads config.ini into the current definition table (no push), takes every key the game knows from it
// and validates the screen size.
void ReadSettings();
// The player's own settings file: $XDG_CONFIG_HOME/zarvo/config.ini (empty when there is no home).
std::string DefaultUserSettingsFile();
// Reads the player's file over the settings, key by key (lines end with CR, LF or both). A file that does
// not read as a settings file is ignored with one console line. An empty path turns the player's file off
// (the scripted runner): nothing is read and SaveUserSettings writes nothing; without `saving` (a
// recording playing) it is read but never written.
void ReadUserSettings(const std::string& path, bool saving = true);
// Puts the start-up options into the records they steer: shading, hidden-line removal, mouse look, full
// screen (a window when `window`, for this run only).
void ApplyStartupOptions(bool window = false);
// Writes the options the player changes while playing (volumes, screen size, shading, hidden-line
// removal, mouse look, joystick, full screen, crosshair) into his file, where they differ from the data
// directory's config.ini; his other lines are kept. The data directory's file is never written. False
// (with a console line) when it cannot be written, or when the player's file is off.
bool SaveUserSettings();
// Copies the SOUNDFONT value of the current definition table into the settings (empty when absent).
void ReadSoundFontName();
// Copies the START value of the current definition table into StartMenuFile (empty when absent).
void ReadStartMenuName();
