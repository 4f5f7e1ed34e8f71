// The game tick: death camera, mouse look, exit, weapon selection, pickups, movement with wall
// collision, firing, death, the end-of-level count and score; plus the simulation's small helpers.
#pragma once
#include <cstdint>

#include "game/world.h"

constexpr float WALL_RADIUS = 1.4f;        // every mover's circle against the walls
constexpr float EXIT_RADIUS = 1.0f;
constexpr float PICKUP_HALF_WIDTH = 0.5f;
constexpr float WALK_STEP = 0.02f;         // per tick; the player walks three times as far
constexpr int32_t HEALTH_LIMIT = 150;      // what health packs fill up to
constexpr int32_t AMMO_LIMIT[WEAPON_COUNT] = {0, 100, 50, 200, 5};  // knife's entry unused

// Advances the world one tick in GS_PLAYING (does nothing in any other state): the dead player's camera
// or the living player's mouse look, exit test, weapon selection and pickups; then every record in
// index order (angles, stance, movement and turning, walls, reload, firing, death); then the rockets.
// Called by TickGameState after AnimationStep, MonsterThink and NetPending. Always 1.
int GameStep();

// Recounts MonstersLeft and ItemsLeft over the present records and adds one score term per present
// record with the running counts (at the exit and at the player's death).
void CountAndScore();
// One score term with the counts as they stand: kills percentage plus inventory percentage.
float ScoreTerm();
// (atStart - left) / atStart * 100, in 32-bit floats. A level that started with none of a kind counts
// as fully done (100), and a quotient that is not a number counts 0: the level-complete screen shows
// the same figures.
float CompletionPercent(float atStart, float left);

// Pushes a mover's target position (x = [0], z = [2]) out of every wall of the floor plan, from the last
// segment to the first, each seeing the target as the ones before left it. 1 when any wall touched.
// Uses a grid over the walls (built on first use after the floor plan changes) that gives exactly the
// result of the plain loop below.
int PushFromWalls(float target[3]);
// The same over every wall segment, without the grid (the reference the grid is held to).
int PushFromWallsPlain(float target[3]);
// Builds the wall grid for the current floor plan now instead of at the first moving object (the level
// loader may call it so that the first tick does not allocate). Returns 1.
int PrepareWalls();

// ---- helpers shared by the simulation files ----
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
