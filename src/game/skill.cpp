// The skill rule: monster health, damage, fire rate and hunting range, and the pickups' ammunition.
#include "game/skill.h"

#include "core/settings.h"
#include "game/monsters.h"

int32_t Skill() { return Settings.SKILL >= 1 && Settings.SKILL <= SKILL_LEVELS ? Settings.SKILL : 2; }

const char* SkillName(int32_t skill) {
    switch (skill) {
    case 1: return "Recruit";
    case 2: return "Regular";
    case 3: return "Hardened";
    case 4: return "Relentless";
    default: return "";
    }
}

int32_t SkillMonsterHealth(int32_t health) {
    if (Skill() < 3 || health <= 0) return health;
    const int64_t v = int64_t(health) * 3 / 2;
    return v > INT32_MAX ? INT32_MAX : int32_t(v);
}

int64_t SkillLossToPlayer(int64_t loss) {
    if (Skill() == 1) return (loss + 1) / 2;
    if (Skill() == 4) return (loss * 3 + 1) / 2;
    return loss;
}

int32_t SkillMonsterReload(int32_t reloadTime) {
    if (Skill() != 3 || reloadTime <= 0) return reloadTime;
    return int32_t((int64_t(reloadTime) * 2 + 1) / 3);
}

int32_t SkillAmmo(int32_t amount) {
    if (Skill() != 1) return amount;
    const int64_t v = int64_t(amount) * 2;
    return v > INT32_MAX ? INT32_MAX : int32_t(v);
}

float SkillHuntRange() { return Skill() == 4 ? 30.0f : HUNT_RANGE; }
