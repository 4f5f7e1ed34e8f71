// Saved games: writing the game into a slot's file, reading it back and restoring it. The level's own
// files give the records their models (a quiet load of the level); the save gives every number.
#include "app/savegame.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "app/dispatch.h"
#include "audio/music.h"
#include "audio/sound.h"
#include "console/console.h"
#include "core/bounded.h"
#include "core/files.h"
#include "core/paths.h"
#include "core/print.h"
#include "core/program.h"
#include "core/random.h"
#include "core/settings.h"
#include "defs/level.h"
#include "defs/menu.h"
#include "defs/sounds.h"
#include "game/skill.h"
#include "game/world.h"
#include "input/input.h"
#include "platform/platform.h"
#include "platform/system.h"

SaveGameData::SaveGameData() : world(std::make_unique<WorldRecord>()) {}
SaveGameData::~SaveGameData() = default;

namespace {

constexpr size_t kFileMaxBytes = 64u << 20;  // a level file larger than this is not hashed (and refused)
constexpr size_t kHeaderLineBytes = 1024;

uint64_t Fnv(const uint8_t* p, size_t n, uint64_t h = 0xcbf29ce484222325ULL) {
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 0x100000001b3ULL;
    return h;
}

// The FNV-1a of a file's bytes; false when it cannot be read.
bool FileHash(const std::string& name, uint64_t* hash) {
    std::vector<uint8_t> bytes;
    if (PlatformPathKind(name.c_str()) != PATH_FILE || !ReadFileBounded(name.c_str(), kFileMaxBytes, bytes))
        return false;
    *hash = Fnv(bytes.data(), bytes.size());
    return true;
}

void Say(const char* fmt, const char* a = "", const char* b = "") {
    char line[CONSOLE_LINE_BYTES];
    snprintf(line, sizeof line, fmt, a, b);
    PrintNotify(NOTIFY_GAME, line);
}

// ---- the world in bytes ------------------------------------------------------------------------------

struct Writer {
    std::vector<uint8_t> out;
    void U8(uint8_t v) { out.push_back(v); }
    void U16(uint16_t v) { U8(uint8_t(v)), U8(uint8_t(v >> 8)); }
    void U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) U8(uint8_t(v >> (8 * i)));
    }
    void U64(uint64_t v) {
        for (int i = 0; i < 8; ++i) U8(uint8_t(v >> (8 * i)));
    }
    void I32(int32_t v) { U32(uint32_t(v)); }
    void I64(int64_t v) { U64(uint64_t(v)); }
    void F32(float v) {
        uint32_t bits;
        memcpy(&bits, &v, 4);
        U32(bits);
    }
    void Bytes(const uint8_t* p, size_t n) { out.insert(out.end(), p, p + n); }
    void Str(const char* s) {
        const size_t n = strlen(s);
        U16(uint16_t(n));
        Bytes(reinterpret_cast<const uint8_t*>(s), n);
    }
};

// Reads within the bytes; once a read would pass their end every later read gives 0 and ok is false.
struct Reader {
    const uint8_t* p;
    const uint8_t* end;
    bool ok = true;
    bool Take(void* dst, size_t n) {
        if (!ok || size_t(end - p) < n) {
            ok = false;
            memset(dst, 0, n);
            return false;
        }
        memcpy(dst, p, n);
        p += n;
        return true;
    }
    uint8_t U8() {
        uint8_t v;
        Take(&v, 1);
        return v;
    }
    uint16_t U16() {
        uint8_t b[2];
        Take(b, 2);
        return uint16_t(b[0] | b[1] << 8);
    }
    uint32_t U32() {
        uint8_t b[4];
        Take(b, 4);
        return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    }
    uint64_t U64() {
        const uint64_t lo = U32();
        return lo | uint64_t(U32()) << 32;
    }
    int32_t I32() { return int32_t(U32()); }
    int64_t I64() { return int64_t(U64()); }
    float F32() {
        const uint32_t bits = U32();
        float v;
        memcpy(&v, &bits, 4);
        return v;
    }
    // A text into a fixed buffer: refused (ok false) when it does not fit.
    void Str(char* dst, size_t cap) {
        const uint16_t n = U16();
        if (n >= cap) ok = false;
        if (!ok) {
            dst[0] = 0;
            return;
        }
        Take(dst, n);
        dst[ok ? n : 0] = 0;
    }
};

void WriteRecord(Writer& w, const ObjectRecord& r) {
    w.U8(r.state), w.U8(r.type), w.U8(r.collisionFlag), w.U8(r.drawFlag);
    w.I32(r.frame), w.I32(r.animState), w.F32(r.radius), w.I32(r.health), w.I32(r.damage);
    for (float v : r.pos) w.F32(v);
    for (int32_t v : r.angles) w.I32(v);
    w.U8(r.collided), w.I32(r.lifetime);
    static_assert(sizeof(ControlFlags) == 16, "the controls are 16 bytes");
    w.Bytes(reinterpret_cast<const uint8_t*>(&r.controls), sizeof r.controls);
    w.Bytes(r.owned, sizeof r.owned);
    for (int32_t v : r.ammo) w.I32(v);
    w.I32(r.weapon), w.I32(r.reload), w.U8(r.fired), w.F32(r.score), w.U32(r.thinkTime);
    w.F32(r.huntX), w.F32(r.huntZ), w.U32(r.huntUntil);
    for (const Model& m : r.models) w.I32(m.frameCount);
}

void ReadRecord(Reader& rd, ObjectRecord& r, int32_t frames[MODEL_SLOTS]) {
    r.state = rd.U8(), r.type = rd.U8(), r.collisionFlag = rd.U8(), r.drawFlag = rd.U8();
    r.frame = rd.I32(), r.animState = rd.I32(), r.radius = rd.F32(), r.health = rd.I32(), r.damage = rd.I32();
    for (float& v : r.pos) v = rd.F32();
    for (int32_t& v : r.angles) v = rd.I32();
    r.collided = rd.U8(), r.lifetime = rd.I32();
    rd.Take(&r.controls, sizeof r.controls);
    rd.Take(r.owned, sizeof r.owned);
    for (int32_t& v : r.ammo) v = rd.I32();
    r.weapon = rd.I32(), r.reload = rd.I32(), r.fired = rd.U8(), r.score = rd.F32(), r.thinkTime = rd.U32();
    r.huntX = rd.F32(), r.huntZ = rd.F32(), r.huntUntil = rd.U32();
    for (int s = 0; s < MODEL_SLOTS; ++s) frames[s] = rd.I32();
}

void WriteWorld(Writer& w, uint32_t gameClock) {
    const WorldRecord& W = World;
    w.U64(Program.TickCount), w.U32(RandomState()), w.U32(gameClock);
    w.I32(Input.PointerX), w.I32(Input.PointerY);
    w.F32(W.MonstersAtStart), w.F32(W.ItemsAtStart), w.F32(W.MonstersLeft), w.F32(W.ItemsLeft);
    for (float v : W.ExitPoint) w.F32(v);
    for (float v : W.SoundOrigin) w.F32(v);
    for (float v : W.LevelPlacement.pos) w.F32(v);
    for (int32_t v : W.LevelPlacement.angles) w.I32(v);
    w.Str(W.NextLevelFile), w.Str(W.LevelFile), w.Str(W.LevelName);
    w.I32(W.Entry.health);
    w.Bytes(W.Entry.owned, sizeof W.Entry.owned);
    for (int32_t v : W.Entry.ammo) w.I32(v);
    w.I32(W.Entry.weapon), w.F32(W.Entry.score);
    w.I32(W.HitMarkTicks), w.I32(W.AnimationCounter), w.I32(W.DeadTicks);
    w.I32(W.Stats.kills), w.I32(W.Stats.items), w.I32(W.Stats.par), w.I64(W.Stats.ticks);
    const WorldRecord::CampaignRecord& c = W.Campaign;
    w.I32(c.kills), w.I32(c.killsTotal), w.I32(c.items), w.I32(c.itemsTotal), w.I32(c.levels), w.I64(c.ticks);
    for (const WeaponRecord& wr : W.WeaponTable) {
        for (float v : wr.screenPos) w.F32(v);
        for (int32_t v : wr.screenRot) w.I32(v);
        w.I32(wr.frame), w.I32(wr.damage), w.I32(wr.reloadTime);
        for (const Model& m : wr.models) w.I32(m.frameCount);
    }
    // The player always; then every record in use.
    uint16_t count = 0;
    for (int i = 0; i < OBJECT_COUNT; ++i) count += i == 0 || W.ObjectTable[i].state != OBJ_FREE;
    w.U16(count);
    for (int i = 0; i < OBJECT_COUNT; ++i)
        if (i == 0 || W.ObjectTable[i].state != OBJ_FREE) w.U16(uint16_t(i)), WriteRecord(w, W.ObjectTable[i]);
    count = 0;
    for (const ObjectRecord& m : W.MissileTable) count += m.state != OBJ_FREE;
    w.U16(count);
    for (int i = 0; i < MISSILE_COUNT; ++i)
        if (W.MissileTable[i].state != OBJ_FREE) w.U16(uint16_t(i)), WriteRecord(w, W.MissileTable[i]);
}

bool ReadWorld(Reader& rd, SaveGameData& d, std::string* why) {
    WorldRecord& W = *d.world;
    d.tickCount = rd.U64(), d.randomSeed = rd.U32(), d.gameClock = rd.U32();
    d.pointer[0] = rd.I32(), d.pointer[1] = rd.I32();
    W.MonstersAtStart = rd.F32(), W.ItemsAtStart = rd.F32(), W.MonstersLeft = rd.F32(), W.ItemsLeft = rd.F32();
    for (float& v : W.ExitPoint) v = rd.F32();
    for (float& v : W.SoundOrigin) v = rd.F32();
    for (float& v : W.LevelPlacement.pos) v = rd.F32();
    for (int32_t& v : W.LevelPlacement.angles) v = rd.I32();
    rd.Str(W.NextLevelFile, sizeof W.NextLevelFile);
    rd.Str(W.LevelFile, sizeof W.LevelFile);
    rd.Str(W.LevelName, sizeof W.LevelName);
    W.Entry.health = rd.I32();
    rd.Take(W.Entry.owned, sizeof W.Entry.owned);
    for (int32_t& v : W.Entry.ammo) v = rd.I32();
    W.Entry.weapon = rd.I32(), W.Entry.score = rd.F32();
    W.HitMarkTicks = rd.I32(), W.AnimationCounter = rd.I32(), W.DeadTicks = rd.I32();
    W.Stats.kills = rd.I32(), W.Stats.items = rd.I32(), W.Stats.par = rd.I32(), W.Stats.ticks = rd.I64();
    WorldRecord::CampaignRecord& c = W.Campaign;
    c.kills = rd.I32(), c.killsTotal = rd.I32(), c.items = rd.I32(), c.itemsTotal = rd.I32(), c.levels = rd.I32();
    c.ticks = rd.I64();
    for (int n = 0; n < WEAPON_TABLE_SIZE; ++n) {
        WeaponRecord& wr = W.WeaponTable[n];
        for (float& v : wr.screenPos) v = rd.F32();
        for (int32_t& v : wr.screenRot) v = rd.I32();
        wr.frame = rd.I32(), wr.damage = rd.I32(), wr.reloadTime = rd.I32();
        for (int s = 0; s < MODEL_SLOTS; ++s) d.weaponFrames[n][s] = rd.I32();
    }
    bool player = false;
    for (int table = 0; table < 2; ++table) {
        const int size = table == 0 ? OBJECT_COUNT : MISSILE_COUNT;
        const uint16_t count = rd.U16();
        if (count > size) rd.ok = false;
        for (uint16_t k = 0; k < count && rd.ok; ++k) {
            const uint16_t i = rd.U16();
            if (i >= size) {
                rd.ok = false;
                break;
            }
            if (table == 0) {
                player = player || i == 0;
                ReadRecord(rd, W.ObjectTable[i], d.objectFrames[i]);
            } else {
                ReadRecord(rd, W.MissileTable[i], d.missileFrames[i]);
            }
        }
    }
    if (!rd.ok) {
        *why = "its records are cut short or out of range";
        return false;
    }
    if (rd.p != rd.end) {
        *why = "it has bytes past its records";
        return false;
    }
    if (!player || !W.LevelFile[0]) {
        *why = "it holds no player or no level";
        return false;
    }
    return true;
}

// The data folder's name, made safe for a folder name, and a hash of its whole path.
std::string DataFolderTag() {
    const std::string here = PlatformCurrentDirectory();
    std::string base = here.substr(here.find_last_of('/') + 1);
    for (char& ch : base)
        if (!((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == '-' ||
              ch == '_'))
            ch = '_';
    if (base.size() > 40) base.resize(40);
    if (base.empty()) base = "data";
    char hash[16];
    snprintf(hash, sizeof hash, "%08" PRIx32,
             uint32_t(Fnv(reinterpret_cast<const uint8_t*>(here.data()), here.size()) & 0xFFFFFFFFu));
    return base + "-" + hash;
}

bool ValidSlot(int slot) { return slot >= 0 && slot < SAVE_SLOTS; }

// The file's header lines.
bool ReadLine(const uint8_t*& p, const uint8_t* end, std::string* line) {
    const uint8_t* nl = static_cast<const uint8_t*>(memchr(p, '\n', size_t(end - p)));
    if (!nl || size_t(nl - p) > kHeaderLineBytes) return false;
    line->assign(reinterpret_cast<const char*>(p), size_t(nl - p));
    p = nl + 1;
    return true;
}

// "WORD rest": the word and what follows the first space.
bool Split(const std::string& line, std::string* word, std::string* rest) {
    const size_t sp = line.find(' ');
    if (sp == std::string::npos) return false;
    *word = line.substr(0, sp);
    *rest = line.substr(sp + 1);
    return true;
}

bool ParseNumber(const std::string& s, int64_t lo, int64_t hi, int64_t* out) {
    if (s.empty() || s.size() > 20) return false;
    char* end = nullptr;
    const long long v = strtoll(s.c_str(), &end, 10);
    if (*end || v < lo || v > hi) return false;
    *out = v;
    return true;
}

bool ParseHex64(const std::string& s, uint64_t* out) {
    if (s.size() != 16) return false;
    char* end = nullptr;
    const unsigned long long v = strtoull(s.c_str(), &end, 16);
    if (*end) return false;
    *out = v;
    return true;
}

// The time of the save as the slot lists show it.
std::string Now() {
    const time_t t = time(nullptr);
    const tm* local = localtime(&t);
    char text[32] = "";
    if (local) strftime(text, sizeof text, "%Y-%m-%d %H:%M", local);
    return text;
}

// Restores everything the save holds over the level just loaded from its files.
void Restore(const SaveGameData& d) {
    const WorldRecord& S = *d.world;
    WorldRecord& W = World;
    // Every number of a record, its models kept.
    auto numbers = [](ObjectRecord& dst, const ObjectRecord& src) {
        Model models[MODEL_SLOTS];
        for (int s = 0; s < MODEL_SLOTS; ++s) models[s] = dst.models[s];
        dst = src;
        for (int s = 0; s < MODEL_SLOTS; ++s) dst.models[s] = models[s];
    };
    int differ = 0;
    auto check = [&differ](const ObjectRecord& r, const int32_t frames[MODEL_SLOTS]) {
        for (int s = 0; s < MODEL_SLOTS; ++s) differ += r.models[s].frameCount != frames[s];
    };
    for (int i = 0; i < OBJECT_COUNT; ++i) {
        if (i != 0 && S.ObjectTable[i].state == OBJ_FREE) {
            ClearObjectRecord(W.ObjectTable[i]);  // gone in the saved game
            continue;
        }
        numbers(W.ObjectTable[i], S.ObjectTable[i]);
        check(W.ObjectTable[i], d.objectFrames[i]);
    }
    for (int i = 0; i < MISSILE_COUNT; ++i) {
        if (S.MissileTable[i].state == OBJ_FREE) {
            ClearObjectRecord(W.MissileTable[i]);
            continue;
        }
        // A rocket in flight is a copy of the missile template.
        if (i != 0) W.MissileTable[i] = W.MissileTable[0];
        numbers(W.MissileTable[i], S.MissileTable[i]);
        check(W.MissileTable[i], d.missileFrames[i]);
    }
    for (int n = 0; n < WEAPON_TABLE_SIZE; ++n) {
        WeaponRecord& w = W.WeaponTable[n];
        const WeaponRecord& s = S.WeaponTable[n];
        memcpy(w.screenPos, s.screenPos, sizeof w.screenPos);
        memcpy(w.screenRot, s.screenRot, sizeof w.screenRot);
        w.frame = s.frame, w.damage = s.damage, w.reloadTime = s.reloadTime;
        for (int k = 0; k < MODEL_SLOTS; ++k) differ += w.models[k].frameCount != d.weaponFrames[n][k];
    }
    W.MonstersAtStart = S.MonstersAtStart, W.ItemsAtStart = S.ItemsAtStart;
    W.MonstersLeft = S.MonstersLeft, W.ItemsLeft = S.ItemsLeft;
    memcpy(W.ExitPoint, S.ExitPoint, sizeof W.ExitPoint);
    memcpy(W.SoundOrigin, S.SoundOrigin, sizeof W.SoundOrigin);
    W.LevelPlacement = S.LevelPlacement;
    CopyBounded(W.NextLevelFile, S.NextLevelFile);
    CopyBounded(W.LevelFile, S.LevelFile);
    CopyBounded(W.LevelName, S.LevelName);
    W.Entry = S.Entry;
    W.HitMarkTicks = S.HitMarkTicks, W.AnimationCounter = S.AnimationCounter, W.DeadTicks = S.DeadTicks;
    W.Stats = S.Stats;
    W.Campaign = S.Campaign;

    // The rules it was played by (the player's own choices among them stay his).
    for (int i = 0; i < kSettingCount; ++i) {
        const SettingDef& def = kSettings[i];
        if (!(def.flags & SETTING_RULE) || (def.flags & SETTING_SAVED)) continue;
        int32_t value = def.byDefault;
        for (const auto& kv : d.settings)
            if (kv.first == def.name) value = kv.second;
        // A game saved without the skill question is skill 2: where the question is on, it stays on.
        if (def.field == &SettingsRecord::SKILL && value == 0 && Settings.SKILL != 0) value = 2;
        SetSettingNumber(Settings, def, value);
    }

    Program.TickCount = d.tickCount;
    SeedRandom(d.randomSeed);
    // The game clock goes on from the saved one: the monsters' decision times are stamped on it.
    const uint32_t raw = Program.ClockHeld ? Program.HeldClock : PlatformTicksMs();
    Program.GameClockOffset = d.gameClock - raw;
    Program.GameState = GS_PLAYING;
    Input.PointerX = d.pointer[0];
    Input.PointerY = d.pointer[1];

    // The music and the sound list, where the level's own differ from the saved game's.
    bool sameMusic = true;
    size_t loaded = 0;
    for (const MusicSlot& m : Music.MusicSlots)
        if (m.state != MUSIC_FREE) sameMusic = sameMusic && loaded < d.music.size() && d.music[loaded++] == m.file;
    if (!sameMusic || loaded != d.music.size()) {
        StopCurrentMusic();
        UnloadAllMusic();
        for (const std::string& m : d.music) LoadMusic(m.c_str());
    }
    if (!d.sounds.empty() && d.sounds != Sound.ListFile) LoadSoundList(d.sounds.c_str());

    if (differ) Print("The saved game's models differ from its level's: the level's files have changed");
}

// Reads a slot's file as a save; false with the reason (one phrase) when it is none.
bool ReadSlot(int slot, SaveGameData* d, std::string* why, bool* empty) {
    *empty = false;
    const std::string path = SaveSlotPath(slot);
    if (path.empty() || PlatformPathKind(path.c_str()) == PATH_NONE) {
        *empty = true;
        return false;
    }
    std::vector<uint8_t> bytes;
    if (!ReadFileBounded(path.c_str(), SAVE_MAX_BYTES, bytes)) {
        *why = "it cannot be read";
        return false;
    }
    return ParseSaveGame(bytes.data(), bytes.size(), d, why);
}

}  // namespace

uint64_t SaveChecksum(const uint8_t* bytes, size_t size) { return Fnv(bytes, size); }

std::string SaveFolder() {
    const std::string home = UserDataDirectory();
    if (home.empty()) return "";
    return home + "/saves/" + DataFolderTag() + "/";
}

std::string SaveSlotPath(int slot) {
    const std::string folder = SaveFolder();
    if (folder.empty() || !ValidSlot(slot)) return "";
    return folder + "slot" + std::to_string(slot) + ".zsav";
}

std::vector<uint8_t> SaveGameBytes() {
    Writer body;
    WriteWorld(body, GameClockMs());
    std::string head;
    auto line = [&head](const std::string& s) { head += s + "\n"; };
    line("level " + std::string(World.LevelFile));
    line("name " + std::string(World.LevelName));
    line("skill " + std::to_string(Skill()));
    line("saved " + Now());
    for (int i = 0; i < kSettingCount; ++i)
        if (kSettings[i].flags & SETTING_RULE)
            line(std::string("set ") + kSettings[i].name + " " + std::to_string(SettingNumber(Settings, kSettings[i])));
    for (const std::string& f : World.LevelFiles) {
        uint64_t hash = 0;
        if (!FileHash(f, &hash)) continue;  // gone since the level loaded: it cannot be asked for
        char h[20];
        snprintf(h, sizeof h, "%016" PRIx64, hash);
        line(std::string("file ") + h + " " + f);
    }
    for (const MusicSlot& m : Music.MusicSlots)
        if (m.state != MUSIC_FREE) line(std::string("music ") + m.file);
    if (Sound.ListFile[0]) line(std::string("sounds ") + Sound.ListFile);
    line("world " + std::to_string(body.out.size()));
    std::vector<uint8_t> rest(head.begin(), head.end());
    rest.insert(rest.end(), body.out.begin(), body.out.end());
    char top[64];
    snprintf(top, sizeof top, "zarvo-save %d\nchecksum %016" PRIx64 "\n", SAVE_VERSION,
             SaveChecksum(rest.data(), rest.size()));
    std::vector<uint8_t> out(top, top + strlen(top));
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

bool ParseSaveGame(const uint8_t* bytes, size_t size, SaveGameData* d, std::string* why) {
    const uint8_t* p = bytes;
    const uint8_t* end = bytes + size;
    std::string line, word, rest;
    int64_t n = 0;
    if (!ReadLine(p, end, &line) || !Split(line, &word, &rest) || word != "zarvo-save" ||
        !ParseNumber(rest, 0, INT32_MAX, &n)) {
        *why = "it is not a saved game of this game";
        return false;
    }
    d->version = int32_t(n);
    if (n != SAVE_VERSION) {
        *why = "it was saved by version " + std::to_string(n) + "; this game reads version " +
               std::to_string(SAVE_VERSION);
        return false;
    }
    uint64_t sum = 0;
    if (!ReadLine(p, end, &line) || !Split(line, &word, &rest) || word != "checksum" || !ParseHex64(rest, &sum)) {
        *why = "it is damaged (no checksum)";
        return false;
    }
    if (SaveChecksum(p, size_t(end - p)) != sum) {
        *why = "it is damaged or cut short (its checksum does not match)";
        return false;
    }
    for (;;) {
        if (!ReadLine(p, end, &line) || !Split(line, &word, &rest)) {
            *why = "its header is damaged";
            return false;
        }
        if (word == "world") break;
        if (word == "level") {
            d->level = rest;
        } else if (word == "name") {
            d->name = rest;
        } else if (word == "saved") {
            d->saved = rest;
        } else if (word == "skill" && ParseNumber(rest, 0, SKILL_LEVELS, &n)) {
            d->skill = int32_t(n);
        } else if (word == "set" && Split(rest, &word, &line) && ParseNumber(line, INT32_MIN, INT32_MAX, &n)) {
            if (d->settings.size() < 256) d->settings.emplace_back(word, int32_t(n));
        } else if (word == "file" && Split(rest, &word, &line) && !line.empty()) {
            uint64_t hash = 0;
            if (!ParseHex64(word, &hash) || d->files.size() >= FILE_LOG_NAMES) {
                *why = "its list of level files is damaged";
                return false;
            }
            d->files.emplace_back(line, hash);
        } else if (word == "music") {
            if (d->music.size() < 64) d->music.push_back(rest);
        } else if (word == "sounds") {
            d->sounds = rest;
        } else {
            *why = "its header has a line this game does not know";
            return false;
        }
    }
    if (!ParseNumber(rest, 0, int64_t(SAVE_MAX_BYTES), &n) || size_t(end - p) != size_t(n)) {
        *why = "it is cut short";
        return false;
    }
    if (d->level.empty() || d->level.size() >= sizeof World.LevelFile) {
        *why = "it names no level";
        return false;
    }
    Reader rd{p, end};
    if (!ReadWorld(rd, *d, why)) return false;
    return true;
}

bool SaveGamesReady(bool saving) {
    if (!Settings.SAVEGAMES) {
        Say("Saved games are off (SAVEGAMES=1 turns them on)");
        return false;
    }
    if (!saving) return true;
    if ((Program.GameState != GS_PLAYING && Program.GameState != GS_PAUSED) || !World.LevelFile[0]) {
        Say("Nothing to save: no level is being played");
        return false;
    }
    if (World.ObjectTable[0].state == 0) {
        Say("Cannot save while dead");
        return false;
    }
    return true;
}

namespace {

// Saved games are ready for it and the slot is one of the eight (else one line says why).
bool ReadyForSlot(int slot, bool saving) {
    if (!SaveGamesReady(saving)) return false;
    if (ValidSlot(slot)) return true;
    char number[16];
    snprintf(number, sizeof number, "%d", slot);
    Say("There is no slot %s: the slots are 0 to 7", number);
    return false;
}

}  // namespace

int SaveGame(int slot) {
    if (!ReadyForSlot(slot, true)) return 0;
    const std::string folder = SaveFolder();
    if (folder.empty()) {
        Say("Cannot save: there is no home folder to keep saved games in");
        return 0;
    }
    if (!PlatformMakeDirectories(folder) || !PlatformFolderWritable(folder.c_str())) {
        char line[CONSOLE_LINE_BYTES];
        snprintf(line, sizeof line, "Cannot save in slot %d: the folder %.80s cannot be written", slot, folder.c_str());
        PrintNotify(NOTIFY_GAME, line);
        return 0;
    }
    const std::vector<uint8_t> bytes = SaveGameBytes();
    std::string why;
    if (!PlatformWriteFileWhole(SaveSlotPath(slot).c_str(), bytes.data(), bytes.size(), &why)) {
        char line[CONSOLE_LINE_BYTES];
        snprintf(line, sizeof line, "Cannot save in slot %d (%.60s): the slot keeps what it held", slot, why.c_str());
        PrintNotify(NOTIFY_GAME, line);
        return 0;
    }
    char line[CONSOLE_LINE_BYTES];
    snprintf(line, sizeof line, "Game saved in slot %d%s%.60s", slot, World.LevelName[0] ? ": " : "", World.LevelName);
    PrintNotify(NOTIFY_GAME, line);
    return 1;
}

int LoadGame(int slot) {
    if (!ReadyForSlot(slot, false)) return 0;
    char number[16];
    snprintf(number, sizeof number, "%d", slot);
    SaveGameData d;
    std::string why;
    bool empty = false;
    if (!ReadSlot(slot, &d, &why, &empty)) {
        if (empty)
            Say("Slot %s is empty", number);
        else
            Say("Saved game %s refused: %s", number, why.c_str());
        return 0;
    }
    // Every file the level was loaded from must be there as it was.
    bool levelListed = false;
    for (const auto& f : d.files) {
        levelListed = levelListed || f.first == d.level;
        uint64_t hash = 0;
        const bool there = FileHash(f.first, &hash);
        if (!there || hash != f.second) {
            char line[CONSOLE_LINE_BYTES];
            snprintf(line, sizeof line, "Saved game %d refused: %.80s %s", slot, f.first.c_str(),
                     there ? "has changed since the game was saved" : "is missing");
            PrintNotify(NOTIFY_GAME, line);
            return 0;
        }
    }
    if (!levelListed && PlatformPathKind(d.level.c_str()) != PATH_FILE) {
        Say("Saved game %s refused: its level %s is missing", number, d.level.c_str());
        return 0;
    }
    if (!LoadLevelQuietly(d.level.c_str())) {
        Say("Saved game %s refused: its level %s does not load", number, d.level.c_str());
        return 0;
    }
    Restore(d);
    // The game plays on at once: no menu, no console over it.
    LeaveMenuItems();
    Menu.Visible = 0;
    ConsoleClose();
    char line[CONSOLE_LINE_BYTES];
    snprintf(line, sizeof line, "Loaded the game of slot %d%s%.60s", slot, World.LevelName[0] ? ": " : "",
             World.LevelName);
    PrintNotify(NOTIFY_GAME, line);
    return 1;
}

SaveSlotSummary ReadSaveSlot(int slot) {
    SaveSlotSummary s;
    SaveGameData d;
    std::string why;
    bool empty = false;
    if (ReadSlot(slot, &d, &why, &empty)) {
        s.state = SLOT_SAVED;
        s.level = d.level, s.name = d.name, s.saved = d.saved, s.skill = d.skill;
    } else {
        s.state = empty ? SLOT_EMPTY : SLOT_UNREADABLE;
    }
    return s;
}
