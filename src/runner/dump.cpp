// The runner's JSON state dump, read from the program's records.
#include "runner/dump.h"

#include <cstdio>

#include "app/savegame.h"
#include "app/settings.h"
#include "audio/mixer.h"
#include "audio/music.h"
#include "audio/sound.h"
#include "console/console.h"
#include "core/program.h"
#include "core/settings.h"
#include "defs/menu.h"
#include "demo/demo.h"
#include "game/tick.h"
#include "game/world.h"
#include "input/input.h"
#include "net/net.h"
#include "net/netplay.h"
#include "platform/platform.h"
#include "render/render.h"
#include "runner/json.h"

namespace {

void RecordFields(JsonWriter& j, const ObjectRecord& r) {
    j.Key("state").Int(r.state);
    j.Key("type").Int(r.type);
    j.Key("pos").Floats(r.pos, 3);
    j.Key("angles").Ints(r.angles, 3);
    j.Key("health").Int(r.health);
    j.Key("weapon").Int(r.weapon);
    j.Key("ammo").Ints(r.ammo, WEAPON_COUNT);
    j.Key("owned").Ints(r.owned, WEAPON_COUNT);
    j.Key("reload").Int(r.reload);
    j.Key("fired").Int(r.fired);
    j.Key("score").Float(r.score);
    const ControlFlags& c = r.controls;
    const uint8_t bytes[16] = {c.forward,  c.back,      c.turnLeft,  c.turnRight, c.strafeLeft, c.strafeRight,
                               c.fire,     c.select[0], c.select[1], c.select[2], c.select[3],  c.select[4],
                               c.spare[0], c.spare[1],  c.spare[2],  c.spare[3]};
    j.Key("controls").Ints(bytes, 16);
    j.Key("radius").Float(r.radius);
    j.Key("animState").Int(r.animState);
    j.Key("frame").Int(r.frame);
    j.Key("collided").Int(r.collided);
    j.Key("lifetime").Int(r.lifetime);
}

void RecordList(JsonWriter& j, const ObjectRecord* table, int first, int count) {
    j.Open('[');
    for (int i = first; i < count; ++i) {
        if (table[i].state == 0) continue;
        j.Open('{');
        j.Key("index").Int(i);
        RecordFields(j, table[i]);
        j.Close('}');
    }
    j.Close(']');
}

int FrameZeroSegments(const Model& m) { return (m.frames && m.frameCount > 0) ? m.frames[0].count : 0; }

void World_(JsonWriter& j) {
    j.Key("player").Open('{');
    RecordFields(j, World.ObjectTable[0]);
    j.Close('}');
    j.Key("objects");
    RecordList(j, World.ObjectTable, 1, OBJECT_COUNT);
    j.Key("missiles");
    RecordList(j, World.MissileTable, 0, MISSILE_COUNT);
    j.Key("weapons").Open('[');
    for (const WeaponRecord& w : World.WeaponTable) {
        j.Open('{');
        j.Key("damage").Int(w.damage);
        j.Key("reloadTime").Int(w.reloadTime);
        j.Key("frame").Int(w.frame);
        j.Key("screenPos").Floats(w.screenPos, 3);
        j.Key("screenRot").Ints(w.screenRot, 3);
        int32_t frames[MODEL_SLOTS];
        for (int s = 0; s < MODEL_SLOTS; ++s) frames[s] = w.models[s].frameCount;
        j.Key("modelFrames").Ints(frames, MODEL_SLOTS);
        j.Close('}');
    }
    j.Close(']');
    j.Key("level").Open('{');
    j.Key("MonstersAtStart").Float(World.MonstersAtStart);
    j.Key("MonstersLeft").Float(World.MonstersLeft);
    j.Key("ItemsAtStart").Float(World.ItemsAtStart);
    j.Key("ItemsLeft").Float(World.ItemsLeft);
    j.Key("ExitPoint").Floats(World.ExitPoint, 2);
    j.Key("segments").Int(FrameZeroSegments(World.LevelModel));
    j.Key("floorSegments").Int(FrameZeroSegments(World.OcclusionModel));
    j.Close('}');
    // The record of the level in play, as the level-complete screen shows it with LEVELSTATS.
    j.Key("stats").Open('{');
    j.Key("kills").Int(World.Stats.kills);
    j.Key("killsTotal").Int(LevelMonsters());
    j.Key("items").Int(World.Stats.items);
    j.Key("itemsTotal").Int(LevelItems());
    j.Key("timeMs").Int(static_cast<long long>(World.Stats.ticks * TICK_MS));
    j.Key("par").Int(World.Stats.par);
    j.Close('}');
}

// The saved games' slots that hold a save (with SAVEGAMES on).
void Saves_(JsonWriter& j) {
    j.Key("saves").Open('[');
    for (int s = 0; Settings.SAVEGAMES && s < SAVE_SLOTS; ++s) {
        const SaveSlotSummary slot = ReadSaveSlot(s);
        if (slot.state != SLOT_SAVED) continue;
        j.Open('{');
        j.Key("slot").Int(s);
        j.Key("level").String(slot.level.c_str());
        j.Key("name").String(slot.name.c_str());
        j.Key("skill").Int(slot.skill);
        j.Key("time").String(slot.saved.c_str());
        j.Close('}');
    }
    j.Close(']');
}

// The sound buffers with their voices, the table rows in use, and the plays since the last dump (which the
// dump takes: the next one starts empty).
void Sound_(JsonWriter& j) {
    j.Key("sound").Open('{');
    j.Key("ready").Int(Sound.SoundReady ? 1 : 0);
    j.Key("volume").Int(Settings.SOUNDVOL);
    j.Key("buffers").Open('[');
    for (int n = 0; n < SOUND_BUFFERS; ++n) {
        const SoundBufferRecord& r = Sound.SoundBuffers[n];
        if (!r.samples) continue;
        j.Open('{');
        j.Key("number").Int(n);
        j.Key("file").String(r.file);
        j.Key("size").Int(r.size);
        j.Key("rate").Int(r.fileRate);
        j.Key("playing").Int(MixerIsPlaying(n) ? 1 : 0);
        j.Key("volume").Int(MixerVolume(n));
        j.Close('}');
    }
    j.Close(']');
    j.Key("table").Open('[');
    for (int r = 0; r < SOUND_ROWS; ++r) {
        // A row is in use when one of its entries names its own loaded buffer.
        bool used = false;
        for (int k = 0; k < SOUND_SLOTS; ++k)
            if (Sound.SoundTable[r][k] == 3 * r + k && Sound.SoundBuffers[3 * r + k].samples) used = true;
        if (!used) continue;
        j.Open('{');
        j.Key("row").Int(r);
        j.Key("buffers").Ints(Sound.SoundTable[r], SOUND_SLOTS);
        j.Close('}');
    }
    j.Close(']');
    j.Key("played").Open('[');
    for (int i = 0; i < SoundPlayCount(); ++i) {
        const SoundPlayRecord* p = SoundPlayAt(i);
        j.Open('{');
        j.Key("buffer").Int(p->buffer);
        j.Key("volume").Int(p->volume);
        j.Key("frequency").Int(p->frequency);
        j.Key("pan").Int(p->pan);
        j.Close('}');
    }
    j.Close(']');
    j.Close('}');
    SoundClearPlays();
}

void Music_(JsonWriter& j) {
    j.Key("music").Open('{');
    j.Key("ready").Int(Music.MusicReady ? 1 : 0);
    j.Key("current").Int(Music.CurrentMusic);
    j.Key("volume").Int(Settings.MUSICVOL);
    j.Key("slots").Open('[');
    for (int s = 0; s < MUSIC_SLOTS; ++s) {
        const MusicSlot& m = Music.MusicSlots[s];
        if (m.state == MUSIC_FREE) continue;
        j.Open('{');
        j.Key("slot").Int(s);
        j.Key("file").String(m.file);
        j.Key("state").Int(m.state);
        j.Close('}');
    }
    j.Close(']');
    j.Close('}');
}

}  // namespace

std::string StateDumpJson() {
    JsonWriter j;
    j.out.reserve(8192);
    j.Open('{');
    j.Key("time").Int(PlatformTicksMs());
    j.Key("ticks").Int(static_cast<long long>(Program.TickCount));
    j.Key("frames").Int(static_cast<long long>(Program.FrameCount));
    j.Key("GameState").Int(Program.GameState);
    char digest[24];
    snprintf(digest, sizeof digest, "%016llx", static_cast<unsigned long long>(WorldDigest()));
    j.Key("digest").String(digest);

    j.Key("settings").Open('{');
    j.IntMembers({{"SCREENX", Settings.SCREENX},
                  {"SCREENY", Settings.SCREENY},
                  {"SCREENBPP", Settings.SCREENBPP},
                  {"SOUNDVOL", Settings.SOUNDVOL},
                  {"MUSICVOL", Settings.MUSICVOL}});
    j.Key("StartMenuFile").String(Settings.StartMenuFile);
    j.Key("rules").Open('{');
    for (int i = 0; i < kSettingCount; ++i)
        if (kSettings[i].flags & SETTING_RULE) j.Key(kSettings[i].name).Int(Settings.*kSettings[i].field);
    j.Close('}');
    // Every key of the registry: the number it holds, or its text (a text, key names, a screen size).
    j.Key("values").Open('{');
    for (int i = 0; i < kSettingCount; ++i) {
        const SettingDef& d = kSettings[i];
        if (d.kind == SETTING_TEXT || d.kind == SETTING_KEYS || d.kind == SETTING_SIZE)
            j.Key(d.name).String(SettingValueText(Settings, d).c_str());
        else
            j.Key(d.name).Int(Settings.*d.field);
    }
    j.Close('}');
    j.Close('}');

    j.Key("console").Open('{');
    j.Key("state").Int(Console.ConsoleState);
    j.Key("height").Int(Console.ConsoleHeight);
    j.Key("input").String(reinterpret_cast<const char*>(Console.ConsoleBuffer[CONSOLE_INPUT_SLOT] + 5));
    j.Key("lines").Open('[');
    for (int i = 0; i < CONSOLE_HISTORY_SLOTS; ++i) {
        const uint8_t* s = Console.ConsoleBuffer[i];
        if (!s[0]) continue;  // empty slot
        j.Open('{');
        j.Key("slot").Int(i);
        j.Key("notify").Int(s[0]);
        j.Key("rgb").Ints(s + 1, 3);
        j.Key("text").String(reinterpret_cast<const char*>(s + 4));
        j.Close('}');
    }
    j.Close(']');
    j.Close('}');

    const int32_t pointer[2] = {Input.PointerX, Input.PointerY};
    j.Key("pointer").Ints(pointer, 2);

    j.Key("flags").Open('{');
    j.IntMembers({{"AppActive", Program.AppActive},
                  {"InputActive", Input.InputActive},
                  {"MouseLook", Settings.MOUSELOOK},
                  {"ShadingEnabled", Settings.SHADING},
                  {"OcclusionEnabled", Settings.ZBUFFER},
                  {"JoystickOn", Settings.JoystickOn},
                  {"JoystickPresent", Input.JoystickPresent}});
    j.Close('}');

    // The network start-up's socket, and network play: its mode, this machine's part, the tick, the
    // players and the last 16 digest marks.
    const NetPlayView net = NetPlayDescribe();
    j.Key("net").Open('{').Key("started").Int(NetIsStarted() ? 1 : 0);
    j.Key("mode");
    if (net.mode < 0)
        j.Null();
    else
        j.String(net.mode == NET_DEATHMATCH ? "deathmatch" : "coop");
    j.Key("role");
    if (net.role == NET_ROLE_NONE)
        j.Null();
    else
        j.String(net.role == NET_ROLE_HOST ? "host" : net.role == NET_ROLE_PLAYER ? "player" : "dedicated");
    j.Key("tick").Int(net.tick);
    j.Key("players").Open('[');
    for (int i = 0; i < net.playerCount; ++i) {
        const NetPlayView::Player& p = net.players[i];
        j.Open('{');
        j.Key("id").Int(p.id).Key("name").String(p.name.c_str()).Key("record");
        if (p.record < 0)
            j.Null();
        else
            j.Int(p.record);
        j.Key("ping").Int(p.ping).Key("frags").Int(p.frags);
        j.Close('}');
    }
    j.Close(']');
    j.Key("marks").Open('[');
    for (int i = 0; i < net.markCount; ++i) {
        char digest[20];
        snprintf(digest, sizeof digest, "%016llx", static_cast<unsigned long long>(net.markDigest[i]));
        j.Open('[').Int(net.markTick[i]).String(digest).Close(']');
    }
    j.Close(']');
    j.IntMembers({{"inputDelay", net.inputDelay},
                  {"bytesSent", static_cast<long long>(net.bytesSent)},
                  {"bytesReceived", static_cast<long long>(net.bytesReceived)},
                  {"ticksRun", net.ticksRun}});
    j.Close('}');

    j.Key("menu").Open('{');
    j.IntMembers({{"visible", Menu.Visible}, {"selected", Menu.selected}, {"count", Menu.itemCount}});
    j.Key("file").String(Menu.fileName);
    j.Key("items").Open('[');
    for (int i = 0; i < Menu.itemCount && i < MENU_ITEMS; ++i) {
        const MenuItem& m = Menu.items[i];
        j.Open('{');
        j.Key("text").String(m.text);
        j.Key("shown").String(SettingsInText(Settings, m.text).substr(0, sizeof m.shown - 1).c_str());
        j.Key("action").String(m.action);
        j.Key("argument").String(m.argument);
        j.Key("x").Int(m.x);
        j.Key("y").Int(m.y);
        j.Key("width").Int(m.width);
        j.Key("height").Int(m.height);
        j.Close('}');
    }
    j.Close(']');
    j.Close('}');
    j.Key("NextLevelFile").String(World.NextLevelFile);
    World_(j);
    Saves_(j);
    Sound_(j);
    Music_(j);
    j.Close('}');
    return j.out;
}
