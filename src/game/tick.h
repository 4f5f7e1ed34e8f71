// The game tick: death camera, mouse look, exit, weapon selection, pickups, movement with wall
// collision, firing, death, the end-of-level count and score; plus the simulation's small helpers.
#pragma once
#include <cstdint>

#include "game/world.h"

constexpr float EXIT_RADIUS = 1.0f;
constexpr float PICKUP_HALF_WIDTH = 0.5f;
constexpr float WALK_STEP = 0.02f;                                  // per tick; the player walks three times as far
constexpr int32_t HEALTH_LIMIT = 150;                               // what health packs fill up to
constexpr int32_t AMMO_LIMIT[WEAPON_COUNT] = {0, 100, 50, 200, 5};  // knife's entry unused
constexpr int32_t TICK_MS = 6;                                      // a logic tick, as the main loop runs them

// Advances the world one tick in GS_PLAYING (does nothing in any other state): the dead player's camera
// or the living player's mouse look, exit test, weapon selection and pickups; then every record in
// index order (angles, stance, movement and turning, walls, reload, firing, death); then the rockets.
// Called by TickGameState after AnimationStep, MonsterThink and NetPending. Always 1.
int GameStep();

// Recounts MonstersLeft and ItemsLeft over the present records and adds one score term per present
// record with the running counts (at the exit and at the player's death). With TOTALSCORE the exit adds
// instead one term with the final counts plus the health left, and the death one term.
void CountAndScore();
// The same, scoring for the player record p (a network game's players each keep their own score).
void CountAndScore(ObjectRecord& p);
// Recounts MonstersLeft and ItemsLeft only (the total score's exit and death).
void CountLeft();
// Whether the player is dead and the death camera has risen all the way.
bool DeathCameraDone();
// The retry rule's wait: the death camera has risen and the death screen has shown for a second.
constexpr int32_t RETRY_WAIT_TICKS = 167;  // 1 s of 6 ms ticks
bool RetryReady();
// One score term with the counts as they stand: kills percentage plus inventory percentage.
float ScoreTerm();
// (atStart - left) / atStart * 100, in 32-bit floats. A level that started with none of a kind counts
// as fully done (100), and a quotient that is not a number counts 0: the level-complete screen shows
// the same figures.
float CompletionPercent(float atStart, float left);
