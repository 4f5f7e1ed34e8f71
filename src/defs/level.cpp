// Level files: rebuilds the world records from a level and its arsenal, then enters play.
#include "defs/level.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "audio/music.h"
#include "audio/sound.h"
#include "console/console.h"
#include "core/bounded.h"
#include "core/files.h"
#include "core/print.h"
#include "core/program.h"
#include "core/settings.h"
#include "defs/definition.h"
#include "defs/objects.h"
#include "defs/sounds.h"
#include "game/contact.h"
#include "game/players.h"
#include "game/skill.h"
#include "game/tick.h"
#include "game/walls.h"
#include "game/world.h"
#include "model/model.h"
#include "render/passes.h"

namespace {

bool Found(const char* key, int field = 0) { return GetDefinitionValue(key, field) != 0; }

int StartVictory() {
    PushDefinitionFile();
    LoadDefinitionFile(Settings.StartMenuFile);
    Program.GameState = GS_WON;
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
    if (Found("MISSILE")) LoadObjectType(World.MissileTable[0], DefinitionValue);
    PopDefinitionFile();
}

}  // namespace

int RetryLevel() {
    if (!World.LevelFile[0]) return 0;
    char level[sizeof World.LevelFile];
    CopyBounded(level, World.LevelFile);
    const WorldRecord::EntryRecord entry = World.Entry;
    // A retry goes on with the campaign's record (a level that resets the player would start it anew).
    const WorldRecord::CampaignRecord campaign = World.Campaign;
    if (!LoadLevel(level)) return 0;
    World.Campaign = campaign;
    ObjectRecord& p = World.ObjectTable[0];
    p.state = 1;
    p.pos[1] = 0;
    p.angles[0] = p.angles[2] = 0;
    p.health = entry.health;
    memcpy(p.owned, entry.owned, sizeof p.owned);
    memcpy(p.ammo, entry.ammo, sizeof p.ammo);
    p.weapon = entry.weapon;
    p.score = entry.score;
    p.reload = 0;
    p.fired = 0;
    World.Entry = entry;
    return 1;
}

namespace {

// The lines of a quiet load reach the event log only.
void LogLineOnly(uint8_t, const char* text) { LogEvent(text); }

int LoadLevelFiles(const char* name, bool quiet) {
    char levelName[sizeof DefinitionValue];
    CopyBounded(levelName, name);

    if (!quiet) {
        ConsoleOpenFull();
        PrintNotify(NOTIFY_GAME, "=========================================");
    }
    PushDefinitionFile();
    FileLogStart();
    bool opened = LoadDefinitionFile(levelName);
    if (!Found("MAP")) {
        FileLogStop();
        char line[400];
        snprintf(line, sizeof line, opened ? "Level %s has no MAP" : "Cannot open level file %s", levelName);
        // A notify line, so that the reason stays readable once the console has rolled away (a menu
        // item whose level fails leaves the menu up).
        PrintNotify(NOTIFY_GAME, line);
        PopDefinitionFile();
        return 0;
    }
    char map[sizeof DefinitionValue];
    CopyBounded(map, DefinitionValue);
    LoadSingleFrameModel(World.LevelModel, map, 0);
    if (World.LevelModel.frames[0].count == 0) {
        // An empty level would leave the player in a void without a word: say which drawing failed.
        char line[400];
        FILE* f = fopen(map, "rb");
        if (f) fclose(f);
        snprintf(line, sizeof line, f ? "Map %s holds no 3DLINE or 3DFACE" : "Cannot open map file %s", map);
        PrintNotify(NOTIFY_GAME, line);
    }
    LoadSingleFrameModel(World.OcclusionModel, map, 1);
    AllocateColumnBuffer();
    PrepareWalls();

    for (int i = 1; i < OBJECT_COUNT; ++i) ClearObjectRecord(World.ObjectTable[i]);
    for (ObjectRecord& m : World.MissileTable) ClearObjectRecord(m);
    World.MonstersAtStart = 0;
    World.ItemsAtStart = 0;
    World.Stats = WorldRecord::LevelStatsRecord{};
    World.DeadTicks = 0;
    if (Found("PAR")) World.Stats.par = DefinitionInteger("PAR") > 0 ? DefinitionInteger("PAR") : 0;
    // The classic score is the level's own; the total score adds up until a level resets the player.
    if (!Settings.TOTALSCORE) World.ObjectTable[0].score = 0;

    if (Found("OBJECTS")) {
        // Entries 1..255 hold the placed objects; numbers past them are ignored (past 252 in a network
        // game, whose players 2 to 4 are the top three records).
        int count = DefinitionCount("OBJECTS", Players.network ? PLAYER_OBJECT_SLOTS : OBJECT_COUNT - 1);
        for (int i = 0; i < count; ++i) {
            char key[32];
            snprintf(key, sizeof key, "OBJECT%d", i);
            if (!Found(key)) continue;
            ObjectRecord& record = World.ObjectTable[i + 1];
            LoadObjectType(record, DefinitionValue);
            if (Found(key, 1)) record.pos[0] = float(DefinitionInteger(key));
            if (Found(key, 2)) record.pos[2] = float(DefinitionInteger(key));
            if (Found(key, 3)) record.angles[1] = DefinitionInteger(key);
            if (IsMonsterType(record.type)) record.health = SkillMonsterHealth(record.health);
        }
    }

    if (Found("ARSENAL")) LoadArsenal(DefinitionValue);

    if (Found("EXITCOORD", 0)) World.ExitPoint[0] = float(DefinitionInteger("EXITCOORD"));
    if (Found("EXITCOORD", 1)) World.ExitPoint[1] = float(DefinitionInteger("EXITCOORD"));

    ObjectRecord& player = World.ObjectTable[0];
    Players.levelResetsPlayers = Found("RESETPLAYER") && DefinitionInteger("RESETPLAYER") != 0;
    if (Players.levelResetsPlayers) {
        ResetPlayer();
        World.Campaign = WorldRecord::CampaignRecord{};  // a campaign starts with a fresh player
    }
    const float half[3] = {0.5f, 0.5f, 0.5f};
    MakeBoxModel(player.models[0], half);

    if (Found("STARTCOORD", 0)) player.pos[0] = float(DefinitionInteger("STARTCOORD"));
    if (Found("STARTCOORD", 1)) player.pos[2] = float(DefinitionInteger("STARTCOORD"));
    if (Found("STARTCOORD", 2)) player.angles[1] = DefinitionInteger("STARTCOORD");
    // The start points of a network game: the start, then the deathmatch's DMSTART0..DMSTART7.
    Players.startCount = 1;
    Players.starts[0][0] = player.pos[0];
    Players.starts[0][1] = player.pos[2];
    Players.starts[0][2] = float(NormaliseAngle(player.angles[1]));
    for (int k = 0; k < MAX_PLAYER_STARTS - 1; ++k) {
        char key[16];
        snprintf(key, sizeof key, "DMSTART%d", k);
        if (!Found(key, 0) || !Found(key, 1)) continue;
        float* start = Players.starts[Players.startCount++];
        Found(key, 0), start[0] = float(DefinitionInteger(key));
        Found(key, 1), start[1] = float(DefinitionInteger(key));
        start[2] = Found(key, 2) ? float(NormaliseAngle(DefinitionInteger(key))) : 0;
    }
    // Keys held when the last level ended are not walked on into this one: the controls are not
    // rewritten while the loading console is on screen.
    player.controls = ControlFlags{};

    memset(World.NextLevelFile, 0, sizeof World.NextLevelFile);
    if (Found("NEXTLEVEL")) CopyBounded(World.NextLevelFile, DefinitionValue);
    CopyBounded(World.LevelFile, levelName);
    World.LevelName[0] = 0;
    if (Found("NAME")) CopyBounded(World.LevelName, DefinitionValue);
    // The player as he enters: what a retry gives him back.
    World.Entry.health = player.health;
    memcpy(World.Entry.owned, player.owned, sizeof player.owned);
    memcpy(World.Entry.ammo, player.ammo, sizeof player.ammo);
    World.Entry.weapon = player.weapon;
    World.Entry.score = player.score;
    World.HitMarkTicks = 0;
    World.Hurt = WorldRecord::HurtRecord{};

    if (Found("SOUNDS")) LoadSoundList(DefinitionValue);
    StopCurrentMusic();
    UnloadAllMusic();
    if (Found("MUSIC")) LoadMusic(DefinitionValue);

    World.LevelPlacement = Placement{};
    World.SoundOrigin[0] = World.SoundOrigin[1] = World.SoundOrigin[2] = 0;

    PopDefinitionFile();
    FileLogStop();
    World.LevelFiles = FileLog.Names;
    Program.GameState = GS_PLAYING;
    if (quiet) return 1;
    PrintNotify(NOTIFY_GAME, "Here we go..");
    if (Settings.LEVELNAMES && World.LevelName[0]) PrintNotify(NOTIFY_GAME, World.LevelName);
    ConsoleToggle();
    PlaySound(SoundBufferFor(SOUND_ROW_LEVEL, SOUND_SLOT_LEVEL_START));
    return 1;
}

}  // namespace

int LoadLevel(const char* name) {
    if (strcmp(name, "WIN") == 0) return StartVictory();
    return LoadLevelFiles(name, false);
}

int LoadLevelQuietly(const char* name) {
    const PrintSink sink = Log.Sink;
    SetPrintSink(LogLineOnly);
    const int loaded = LoadLevelFiles(name, true);
    SetPrintSink(sink);
    return loaded;
}
