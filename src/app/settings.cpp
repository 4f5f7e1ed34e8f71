// Settings from config.ini: screen size, volumes, the start menu's file name and the scaling keys.
#include "app/settings.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>

#include "core/bounded.h"
#include "core/print.h"
#include "defs/definition.h"

static void ReadInteger(const char* key, int32_t* target) {
    if (GetDefinitionValue(key, 0)) *target = DefinitionInteger(key);
}

// SCALING is "fit" (the default) or "integer"; any other value is reported and fit is used.
static void ReadScaling() {
    if (!GetDefinitionValue("SCALING", 0)) return;
    Settings.SCALING = strcasecmp(DefinitionValue, "integer") == 0 ? 1 : 0;
    if (Settings.SCALING || strcasecmp(DefinitionValue, "fit") == 0) return;
    char line[CONSOLE_LINE_BYTES];
    snprintf(line, sizeof line, "SCALING=%.40s is not fit or integer: fit is used", DefinitionValue);
    Print(line);
}

void ReadSettings() {
    LoadDefinitionFile("config.ini");
    ReadInteger("SCREENX", &Settings.SCREENX);
    ReadInteger("SCREENY", &Settings.SCREENY);
    ReadInteger("SCREENBPP", &Settings.SCREENBPP);
    ReadInteger("SOUNDVOL", &Settings.SOUNDVOL);
    ReadInteger("MUSICVOL", &Settings.MUSICVOL);
    for (int i = 0; i < kRuleKeyCount; ++i) ReadInteger(kRuleKeys[i].name, &(Settings.*kRuleKeys[i].field));
    ReadScaling();
    ReadInteger("SCALEVIEW", &Settings.SCALEVIEW);
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
