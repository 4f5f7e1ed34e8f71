// Level files: rebuilds the world records from a level and its arsenal, then enters play.
#include "defs/level.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app.h"
#include "app/bounded.h"
#include "app/settings.h"
#include "audio/music.h"
#include "audio/sound.h"
#include "console/console.h"
#include "defs/definition.h"
#include "defs/objects.h"
#include "game/contact.h"
#include "game/tick.h"
#include "game/world.h"
#include "model/model.h"
#include "render/passes.h"

char NextLevelFile[260];

namespace {

bool Found(const char* key, int field = 0) { return GetDefinitionValue(key, field) != 0; }

int StartVictory() {
    PushDefinitionFile();
    LoadDefinitionFile(StartMenuFile);
    GameState = GS_WON;
    StopCurrentMusic();
    UnloadAllMusic();
    if (Found("WINMIDI")) LoadMusic(DefinitionValue);
    PopDefinitionFile();
    return 1;
}

void LoadArsenal(const char* file) {
    char name[sizeof DefinitionValue];
    CopyBounded(name, file);
    PushDefinitionFile();
    LoadDefinitionFileOrSay(name, "arsenal");
    if (Found("WEAPONS")) {
        int count = DefinitionCount("WEAPONS", WEAPON_TABLE_SIZE);
        for (int j = 0; j < count; ++j) {
            char key[32];
            snprintf(key, sizeof key, "WEAPON%d", j);
            if (Found(key)) LoadWeapon(j, DefinitionValue);
        }
    }
    if (Found("MISSILE")) LoadObjectType(MissileTable[0], DefinitionValue);
    PopDefinitionFile();
}

}  // namespace

int LoadLevel(const char* name) {
    if (strcmp(name, "WIN") == 0) return StartVictory();
    char levelName[sizeof DefinitionValue];
    CopyBounded(levelName, name);

    ConsoleOpenFull();
    ConsolePrintNotify(90, "=========================================");
    PushDefinitionFile();
    bool opened = LoadDefinitionFile(levelName);
    if (!Found("MAP")) {
        char line[400];
        snprintf(line, sizeof line, opened ? "Level %s has no MAP" : "Cannot open level file %s", levelName);
        ConsolePrint(line);
        PopDefinitionFile();
        return 0;
    }
    char map[sizeof DefinitionValue];
    CopyBounded(map, DefinitionValue);
    LoadSingleFrameModel(LevelModel, map, 0);
    LoadSingleFrameModel(OcclusionModel, map, 1);
    AllocateColumnBuffer();
    PrepareWalls();

    for (int i = 1; i < OBJECT_COUNT; ++i) ClearObjectRecord(ObjectTable[i]);
    for (ObjectRecord& m : MissileTable) ClearObjectRecord(m);
    MonstersAtStart = 0;
    ItemsAtStart = 0;
    ObjectTable[0].score = 0;

    if (Found("OBJECTS")) {
        // Entries 1..255 hold the placed objects; numbers past them are ignored.
        int count = DefinitionCount("OBJECTS", OBJECT_COUNT - 1);
        for (int i = 0; i < count; ++i) {
            char key[32];
            snprintf(key, sizeof key, "OBJECT%d", i);
            if (!Found(key)) continue;
            ObjectRecord& record = ObjectTable[i + 1];
            LoadObjectType(record, DefinitionValue);
            if (Found(key, 1)) record.pos[0] = float(atoi(DefinitionValue));
            if (Found(key, 2)) record.pos[2] = float(atoi(DefinitionValue));
            if (Found(key, 3)) record.angles[1] = atoi(DefinitionValue);
        }
    }

    if (Found("ARSENAL")) LoadArsenal(DefinitionValue);

    if (Found("EXITCOORD", 0)) ExitPoint[0] = float(atoi(DefinitionValue));
    if (Found("EXITCOORD", 1)) ExitPoint[1] = float(atoi(DefinitionValue));

    ObjectRecord& player = ObjectTable[0];
    if (Found("RESETPLAYER") && atoi(DefinitionValue) != 0) {
        ClearObjectRecord(player);
        player.state = 1;
        player.health = 100;
        player.collisionFlag = 1;
        player.radius = 0.5f;
    }
    const float half[3] = {0.5f, 0.5f, 0.5f};
    MakeBoxModel(player.models[0], half);

    if (Found("STARTCOORD", 0)) player.pos[0] = float(atoi(DefinitionValue));
    if (Found("STARTCOORD", 1)) player.pos[2] = float(atoi(DefinitionValue));
    if (Found("STARTCOORD", 2)) player.angles[1] = atoi(DefinitionValue);

    memset(NextLevelFile, 0, sizeof NextLevelFile);
    if (Found("NEXTLEVEL")) CopyBounded(NextLevelFile, DefinitionValue);

    if (Found("SOUNDS")) LoadSoundList(DefinitionValue);
    StopCurrentMusic();
    UnloadAllMusic();
    if (Found("MUSIC")) LoadMusic(DefinitionValue);

    LevelPlacement = Placement{};
    SoundOrigin[0] = SoundOrigin[1] = SoundOrigin[2] = 0;

    PopDefinitionFile();
    GameState = GS_PLAYING;
    ConsolePrintNotify(90, "Here we go..");
    ConsoleToggle();
    PlaySound(SoundBufferFor(18, 0));
    return 1;
}
