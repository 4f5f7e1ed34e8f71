// World records: the object, missile and weapon tables, the level and its level-wide values.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "model/model.h"

// Record states. Monsters use the AI_ values; any other non-zero value marks a present object.
enum {
    OBJ_FREE = 0,
    AI_SENTRY = 1,
    AI_SEEK = 2,
    AI_EVADE = 3,
    AI_PATROL = 4,
    AI_ATTACK = 5,
    AI_FRENZY = 7,
    OBJ_DYING = 102,  // 'f': death animation running, freed at its end
};

// Object type codes.
enum {
    OBJT_KNIFE = 2,
    OBJT_GUN = 3,
    OBJT_SHOTGUN = 4,
    OBJT_MINIGUN = 5,
    OBJT_ROCKET_LAUNCHER = 6,
    OBJT_HEALTH = 7,
    OBJT_AMMO = 8,
    OBJT_ROCKET = 9,
    OBJT_MONSTER_FIRST = 10,
    OBJT_MONSTER_LAST = 13,
};

// Model slots selected by animState.
enum { ANIM_IDLE = 0, ANIM_ATTACK = 1, ANIM_WALK = 2, ANIM_DEATH = 3 };

// Weapon indexes; the pickup of weapon w has type w + 2, its sounds sit in sound row w + 2.
enum { WPN_KNIFE = 0, WPN_GUN = 1, WPN_SHOTGUN = 2, WPN_MINIGUN = 3, WPN_ROCKET_LAUNCHER = 4 };

constexpr int MODEL_SLOTS = 6;
constexpr int WEAPON_COUNT = 5;  // weapons a record can own (indexes 0..4)
constexpr int OBJECT_COUNT = 256;
constexpr int MISSILE_COUNT = 11;
constexpr int WEAPON_TABLE_SIZE = 6;

// An object's intentions for one tick, one byte each, non-zero meaning on.
struct ControlFlags {
    uint8_t forward, back, turnLeft, turnRight, strafeLeft, strafeRight, fire;
    uint8_t select[5];  // select weapon 0..4
    uint8_t spare[4];
};
static_assert(sizeof(ControlFlags) == 16);

// One thing in the level: the player (ObjectTable entry 0), a monster, a pickup, scenery or a rocket.
// Copying a record (a rocket launched from the template) shares its model geometry without allocating.
struct ObjectRecord {
    uint8_t state = 0;          // OBJ_FREE, player 1 alive / 0 dead, AI_*, OBJ_DYING, or present
    uint8_t type = 0;           // type code
    uint8_t collisionFlag = 0;  // stored only
    uint8_t drawFlag = 0;       // non-zero: acts as an occluder for what is drawn after it
    Model models[MODEL_SLOTS];  // slot animState is drawn: 0 idle, 1 attack, 2 walk, 3 death
    int32_t frame = 0;          // frame within models[animState]
    int32_t animState = 0;      // ANIM_*
    float radius = 0;           // hit radius
    int32_t health = 0;
    int32_t damage = 0;  // stored only
    float pos[3] = {0, 0, 0};
    int32_t angles[3] = {0, 0, 0};  // about x, heading (about y), about z; degrees 0..360
    uint8_t collided = 0;
    int32_t lifetime = 0;  // ticks left for a rocket
    ControlFlags controls = {};
    uint8_t owned[WEAPON_COUNT] = {0, 0, 0, 0, 0};
    int32_t ammo[WEAPON_COUNT] = {0, 0, 0, 0, 0};
    int32_t weapon = 0;  // current weapon index
    int32_t reload = 0;  // ticks until the next shot
    uint8_t fired = 0;
    float score = 0;         // player only
    uint32_t thinkTime = 0;  // ms of the monster's last decision, 0 = none yet
    // A hunter's memory (the hunting rule): where it last saw the player, and until when (ms, 0 = none)
    // it goes on hunting there.
    float huntX = 0, huntZ = 0;
    uint32_t huntUntil = 0;
};

// One weapon of the arsenal, shared by the player and the monsters.
struct WeaponRecord {
    Model models[MODEL_SLOTS];  // slot 0 view model at rest, slot 1 firing animation
    float screenPos[3] = {0, 0, 0};
    int32_t screenRot[3] = {0, 0, 0};
    int32_t frame = 0;  // frame of the firing animation
    int32_t damage = 0;
    int32_t reloadTime = 0;
};

// Object transform of the level and eye of the weapon view; zeroed by every level load.
struct Placement {
    float pos[3];
    int32_t angles[3];
};

// Everything a level consists of: its records, its drawing and floor plan, its counters.
struct WorldRecord {
    ObjectRecord ObjectTable[OBJECT_COUNT];    // 0 = player, 1..255 level objects
    ObjectRecord MissileTable[MISSILE_COUNT];  // 0 = template, 1..9 rockets in flight, 10 unused
    WeaponRecord WeaponTable[WEAPON_TABLE_SIZE];
    float MonstersAtStart = 0, ItemsAtStart = 0, MonstersLeft = 0, ItemsLeft = 0;
    float ExitPoint[2] = {0, 0};       // x, z
    float SoundOrigin[3] = {0, 0, 0};  // always zero
    Placement LevelPlacement = {{0, 0, 0}, {0, 0, 0}};
    // The level: the full map drawing, and its floor plan (y = 0 segments) used for the walls and for
    // hidden-line removal.
    Model LevelModel;
    Model OcclusionModel;
    // The NEXTLEVEL value of the level loaded last; the level-complete screen's continue key loads it.
    char NextLevelFile[260] = "";
    // The level loaded last and its NAME (empty when it has none), and the player as he entered it: what
    // a retry restores.
    char LevelFile[260] = "";
    char LevelName[96] = "";
    struct EntryRecord {
        int32_t health = 0;
        uint8_t owned[WEAPON_COUNT] = {};
        int32_t ammo[WEAPON_COUNT] = {};
        int32_t weapon = 0;
        float score = 0;
    } Entry;
    // Ticks left of the crosshair's hit mark: set when the player's shot hurts a monster.
    int32_t HitMarkTicks = 0;
    // The last hurt of the player this machine shows, for the hit feedback drawn over the view (HITFEEDBACK):
    // what it cost (the losses of one tick added up), the tick it came in, and a point it came from. Not
    // part of the simulation: the digest, recordings and saves leave it out.
    struct HurtRecord {
        int32_t amount = 0;
        uint64_t tick = 0;
        float fromX = 0, fromZ = 0;
    } Hurt;
    // The animation step's counter, 0..10: frames advance on the ticks where it is 0.
    int32_t AnimationCounter = 0;
    // The record of the level in play: monsters that died, pickups the player took, the ticks it has run
    // (6 ms each) and its PAR in seconds (0: none); what the level-complete screen shows with LEVELSTATS.
    struct LevelStatsRecord {
        int32_t kills = 0, items = 0;
        int64_t ticks = 0;
        int32_t par = 0;
    } Stats;
    // The campaign's sums since the last level that reset the player: kills and items of the levels
    // finished, out of their monsters and items, and every tick played (tries that ended in death too).
    struct CampaignRecord {
        int32_t kills = 0, killsTotal = 0, items = 0, itemsTotal = 0, levels = 0;
        int64_t ticks = 0;
    } Campaign;
    // Ticks since the player died (0 while he lives): the retry rule waits for the death screen.
    int32_t DeadTicks = 0;
    // The files the level was loaded from (its definition files and drawings), in the order they were read.
    std::vector<std::string> LevelFiles;
};
extern WorldRecord World;

// ---- what every part of the simulation asks of the records ----
// Degrees to radians in single precision, the game's own factor.
inline float DegreesToRadians(int32_t degrees) { return static_cast<float>(degrees) * 0.017453292f; }
// Into 0..360 as repeated +360 / -360 would bring it (360 stays 360, 720 becomes 360, -360 becomes 0).
inline int32_t NormaliseAngle(int32_t a) {
    if (a < 0) {
        a %= 360;
        return a < 0 ? a + 360 : a;
    }
    if (a > 360) return (a - 1) % 360 + 1;
    return a;
}
// -a, except that the one angle without a negation is first brought into range.
inline int32_t NegateAngle(int32_t a) { return a == INT32_MIN ? -NormaliseAngle(a) : -a; }
inline int32_t SaturateInt32(int64_t v) {
    return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : static_cast<int32_t>(v);
}
inline bool ValidWeapon(int32_t w) { return w >= 0 && w < WEAPON_COUNT; }
inline bool IsMonsterType(int type) { return type >= OBJT_MONSTER_FIRST && type <= OBJT_MONSTER_LAST; }
inline bool IsItemType(int type) { return type >= OBJT_KNIFE && type <= OBJT_AMMO; }
// The level's kills and monsters, items taken and items, as the level-complete screen counts them.
inline int32_t LevelMonsters() { return int32_t(World.MonstersAtStart); }
inline int32_t LevelItems() { return int32_t(World.ItemsAtStart); }

// Notes a hurt of the player this machine shows (World.Hurt): `loss` from the point (x, z).
void NoteViewHurt(int64_t loss, float x, float z);
// Clears a record completely: all fields 0, every model slot emptied.
void ClearObjectRecord(ObjectRecord& record);
void ClearWeaponRecord(WeaponRecord& record);
// Empties the whole world: every object, missile and weapon record and both level models cleared, the
// counters, exit, sound origin, placement and next level back to their start.
void ResetWorld();
// Makes ObjectTable entry 0 a fresh player: cleared, alive (state 1), health 100, collision flag 1,
// radius 0.5, the knife. Start-up does this once, and every level that asks for RESETPLAYER.
void ResetPlayer();
