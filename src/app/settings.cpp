// Settings from config.ini: screen size, volumes and the start menu's file name.
#include "app/settings.h"

#include <cstdlib>

#include "core/bounded.h"
#include "defs/definition.h"

static void ReadInteger(const char* key, int32_t* target) {
    if (GetDefinitionValue(key, 0)) *target = DefinitionInteger(key);
}

void ReadSettings() {
    LoadDefinitionFile("config.ini");
    ReadInteger("SCREENX", &Settings.SCREENX);
    ReadInteger("SCREENY", &Settings.SCREENY);
    ReadInteger("SCREENBPP", &Settings.SCREENBPP);
    ReadInteger("SOUNDVOL", &Settings.SOUNDVOL);
    ReadInteger("MUSICVOL", &Settings.MUSICVOL);
    for (int i = 0; i < kRuleKeyCount; ++i) ReadInteger(kRuleKeys[i].name, &(Settings.*kRuleKeys[i].field));
    // Width and height are each checked on their own; any pairing of the three sizes is allowed.
    if (Settings.SCREENX != 640 && Settings.SCREENX != 800 && Settings.SCREENX != 1024) {
        Settings.SCREENX = 640;
        Settings.SCREENY = 480;
    }
    if (Settings.SCREENY != 480 && Settings.SCREENY != 600 && Settings.SCREENY != 768) {
        Settings.SCREENX = 640;
        Settings.SCREENY = 480;
    }
    Settings.SCREENBPP = 8;
}

void ReadSoundFontName() {
    if (GetDefinitionValue("SOUNDFONT", 0))
        CopyBounded(Settings.SoundFont, DefinitionValue);
    else
        Settings.SoundFont[0] = 0;
}

void ReadStartMenuName() {
    // Without a START key the name is empty, which behaves like a missing menu file.
    if (GetDefinitionValue("START", 0))
        CopyBounded(Settings.StartMenuFile, DefinitionValue);
    else
        Settings.StartMenuFile[0] = 0;
}
