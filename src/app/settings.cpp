// Settings from config.ini: screen size, volumes and the start menu's file name.
#include "app/settings.h"

#include <cstdlib>

#include "core/bounded.h"
#include "defs/definition.h"

int32_t SCREENX = 640;
int32_t SCREENY = 480;
int32_t SCREENBPP = 8;
int32_t SOUNDVOL = 80;
int32_t MUSICVOL = 80;
char StartMenuFile[72];
char WindowTitle[52];

static void ReadInteger(const char* key, int32_t* target) {
    if (GetDefinitionValue(key, 0)) *target = DefinitionInteger(key);
}

void ReadSettings() {
    LoadDefinitionFile("config.ini");
    ReadInteger("SCREENX", &SCREENX);
    ReadInteger("SCREENY", &SCREENY);
    ReadInteger("SCREENBPP", &SCREENBPP);
    ReadInteger("SOUNDVOL", &SOUNDVOL);
    ReadInteger("MUSICVOL", &MUSICVOL);
    // Width and height are each checked on their own; any pairing of the three sizes is allowed.
    if (SCREENX != 640 && SCREENX != 800 && SCREENX != 1024) {
        SCREENX = 640;
        SCREENY = 480;
    }
    if (SCREENY != 480 && SCREENY != 600 && SCREENY != 768) {
        SCREENX = 640;
        SCREENY = 480;
    }
    SCREENBPP = 8;
}

void ReadStartMenuName() {
    // Without a START key the name is empty, which behaves like a missing menu file.
    if (GetDefinitionValue("START", 0))
        CopyBounded(StartMenuFile, DefinitionValue);
    else
        StartMenuFile[0] = 0;
}
