// Program settings: the data directory's config.ini, the player's own config.ini over it, saving, and the
// text form of every key of the registry (core/settings.h).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/settings.h"

// What the settings files left behind: the data directory's values, and the player's file as read.
struct ConfigRecord {
    SettingsRecord FromDataDirectory;  // the settings as the data directory's config.ini gives them
    bool UserFileEnabled = false;
    bool UserFileSaved = false;  // false while a recording plays: what it changes is not the player's
    bool StartedFullscreen = true;
    std::string UserFile;
    // The user file's lines as read, each with the line end it had ("" for a last line without one).
    std::vector<std::string> UserLines, UserLineEnds;
    // The commands the console recalls, kept across runs in the player's data folder ("" : not kept).
    std::string HistoryFile;
};
extern ConfigRecord Config;

// Reads config.ini into the current definition table (no push): every key of the registry takes its value
// there, or its default when absent; the screen size is validated.
void ReadSettings();
// The player's own settings file: $XDG_CONFIG_HOME/zarvo/config.ini (empty when there is no home).
std::string DefaultUserSettingsFile();
// Reads the player's file over the settings, key by key (lines end with CR, LF or both). A file that does
// not read as a settings file is ignored with one console line. An empty path turns the player's file off
// (the scripted runner): nothing is read and SaveUserSettings writes nothing; without `saving` (a
// recording playing) it is read but never written.
void ReadUserSettings(const std::string& path, bool saving = true);
// The screen's size and frame rate as the settings ask for them now: SCREENSIZE's size (the display's, the
// window's, or the classic SCREENX and SCREENY when they are classic sizes, else 640x480) in SCREENX and
// SCREENY, FRAMERATE=DISPLAY as the display's rate. Start-up does this as it reads the files; a change
// made in play does it again.
void ResolveScreenSettings();
// Puts the start-up options into the platform: full screen, or a window when `window` (for this run only).
void ApplyStartupOptions(bool window = false);
// Writes the keys the registry marks as saved into the player's file, where they differ from the data
// directory's config.ini; his other lines, and every line's end, are kept as he wrote them. The data
// directory's file is never written. False (with a console line) when it cannot be written, or when the
// player's file is off.
bool SaveUserSettings();
// The console's recalled commands: read from `path` (one a line; "" keeps none across runs), and written
// back whole after each command typed. A file that cannot be read or written is passed over silently:
// the history is a convenience, never worth a line over the game.
void ReadCommandHistory(const std::string& path);
void SaveCommandHistory();
// Whether any key the registry marks as saved differs between the two records.
bool SavedSettingsDiffer(const SettingsRecord& a, const SettingsRecord& b);

// A key's value as config.ini writes it: a number, a choice's word, key names joined by ';', or the text.
std::string SettingValueText(const SettingsRecord& s, const SettingDef& d);
// Sets a key from its config.ini text (field 0, or the ';'-separated fields of a binding), as the files
// are read: a value out of range, an unknown choice or key name gives one console line.
void SetSettingFromText(SettingsRecord& s, const SettingDef& d, const std::string& text);
// One line per key, in the registry's order: "KEY=DEFAULT<TAB>values<TAB>flags<TAB>help" (--list-settings).
std::string ListSettings();
// Makes the screen w x h (the resolution commands, a window the screen follows): the video device anew at
// that size, the pointer centred and the current menu's items laid out again.
void ChangeScreenSize(int w, int h);
// Makes a setting's new value take effect at once: the music's volume, full screen or a window, the
// screen's size, scale and frame rate, the overhead map put away when it is switched off. (What reads
// its setting anew every time needs nothing.)
void ApplySettingNow(const SettingDef& d);
