// The skill rule (SKILL): how hard the monsters are and how much ammunition the pickups give. Skill 2 is
// the classic game exactly, and so is SKILL=0 (not asked).
#pragma once
#include <cstdint>

constexpr int SKILL_LEVELS = 4;

// The skill in force: 1..4 (2 when SKILL is 0).
int32_t Skill();
// The skill's name, as the skill menu and the end screens show it ("" outside 1..4).
const char* SkillName(int32_t skill);
// A monster's health as a level loads: 1.5 times (rounded down) at skills 3 and 4.
int32_t SkillMonsterHealth(int32_t health);
// What a monster's shot takes from the player: half at skill 1, 1.5 times at skill 4, both rounded up (a
// loss of 1 stays 1 at skill 1 and becomes 2 at skill 4).
int64_t SkillLossToPlayer(int64_t loss);
// A monster's reload after a shot: two thirds of the weapon's (rounded to the nearest tick) at skill 3,
// so that it fires 1.5 times as often; a negative reload time is kept.
int32_t SkillMonsterReload(int32_t reloadTime);
// The ammunition a pickup gives the player: twice as much at skill 1.
int32_t SkillAmmo(int32_t amount);
// How far a hunting monster sees the player whichever way it faces: 30 units at skill 4, else 20.
float SkillHuntRange();
