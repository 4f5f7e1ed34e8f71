// Firing, the hit-scan weapons, the player's automatic weapon change, rocket launches and rocket flight.
#pragma once
#include <cstdint>

#include "game/world.h"
#include "model/dxf.h"

// Range and speed of the weapons, in world units.
constexpr float SHOT_LENGTH = 20.0f;      // gun, shotgun and minigun
constexpr float KNIFE_REACH = 0.4f;       // half of the knife's diagonal shot, whatever the heading
constexpr int32_t ROCKET_LIFETIME = 500;  // ticks
constexpr int32_t ROCKET_DAMAGE = 80;
constexpr float ROCKET_HIT_HALF_WIDTH = 0.5f;
constexpr float ROCKET_BLAST_RADIUS = 3.0f;  // solid walls: a burst at a wall reaches this far
constexpr int32_t HIT_MARK_TICKS = 25;       // how long the crosshair's hit mark shows

// The firing step of one present, non-dying record r at ObjectTable index i (run by GameStep after the
// reload countdown): fires r's current weapon when fire is on and reload is 0 (the player also needs
// ammunition except for the knife; monsters ignore it), then starts the reload countdown and sets
// fired; then, for the player only, switches to another weapon when the current one has run dry while
// fire is held. A weapon index outside 0..4 never fires and never changes. Returns 1.
int FiringStep(ObjectRecord& r, int i);

// The player's switch after the last round with fire held: rockets, minigun, shotgun, gun, knife, the
// first with ammunition (owned or not), with its message.
void AutoWeaponChange(ObjectRecord& player);

// The weapon actions of shooter s at ObjectTable index k: hit-scan passes, firing sound (placed
// relative to the player), then one round of the weapon's ammunition when there is any. Return 1.
int FireKnife(ObjectRecord& s, int k);
int FireGun(ObjectRecord& s, int k);
int FireShotgun(ObjectRecord& s, int k);
int FireMinigun(ObjectRecord& s, int k);

// Launches a rocket from s: a copy of the missile template (sharing its geometry) at s's position,
// flying along s's heading. 1 launched, 0 when all nine rocket slots are busy (then nothing happens).
int FireRocket(ObjectRecord& s);
// 1..9: the first free rocket slot of the MissileTable; 0 when none is free.
int FindFreeMissile();

// Applies a hit-scan shot of s (ObjectTable index k) along `shot` (x1, z1 - x2, z2) to the player and
// every monster (dying ones too) whose circle it touches, except s itself: each takes s's weapon damage
// less a random 0..3 (the player half of it, at least 1) and plays its pain sound. Walls do not stop
// shots, unless SOLIDWALLS is set: then a target with a wall between it and s is not hit (the hit-scan
// weapons also end their shot at the first wall). A hit of the player's on a monster starts the
// crosshair's hit mark. Returns 1.
int ShotHits(const ObjectRecord& s, int k, const Segment& shot);

// Flies every rocket one tick: lifetime, movement along the launcher's heading, angles, and 80 damage
// to every non-player record within the 0.5 square (the rocket is used up then). Run after all records.
// With SOLIDWALLS a rocket whose step crosses a wall bursts there: the monsters within
// ROCKET_BLAST_RADIUS on its side of the walls take 80 less with distance, and the rocket is gone.
int RocketStep();
