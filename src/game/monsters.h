// Monster behaviour: a small random state machine that writes the monsters' controls.
#pragma once
#include <cstdint>

#include "game/world.h"

constexpr uint32_t THINK_INTERVAL_MS = 25;
constexpr float SIGHT_RANGE = 10.0f;
constexpr float SIGHT_RADIUS = 0.3f;  // the player's circle as the monsters see it
constexpr float GUARD_RANGE = 20.0f;  // half-width of the square a sentry or patrol watches
// The hunting rule (HUNTERS): how far a seeker sees the player whichever way it faces, how long it
// remembers where, how close to that place the trail ends, and how far off its heading it still walks.
constexpr float HUNT_RANGE = 20.0f;
constexpr uint32_t HUNT_MEMORY_MS = 4000;
constexpr float HUNT_ARRIVED = 1.0f;
constexpr float HUNT_WALK_ANGLE = 45.0f;

// One decision for every present monster (types 10..13) whose last decision lies at least 25 ms back
// at nowMs (the tick's time on the millisecond clock); the first visit only stamps the time. Called by
// TickGameState in GS_PLAYING, after AnimationStep and before GameStep. With HUNTERS a seeker that does
// not have the player in its line of sight turns (and walks) toward him when he is within HUNT_RANGE,
// or toward where it saw him last for HUNT_MEMORY_MS, instead of turning at random. Always 1.
int MonsterThink(uint32_t nowMs);

// Whether the player's circle (radius 0.3) touches the 10-unit line of sight ahead of a monster at
// `position` with `angles` (heading = angles[1]). Walls do not block sight, unless SOLIDWALLS is set.
bool PlayerInSight(const float position[3], const int32_t angles[3]);

// Whether the player stands inside the 40-unit square around the monster (all four bounds strict).
bool ProximityGuard(const ObjectRecord& monster);
