// Monster behaviour: one random decision per monster every 25 ms, written into its controls.
#include "game/monsters.h"

#include <cmath>
#include <cstring>

#include "core/random.h"
#include "core/settings.h"
#include "game/contact.h"
#include "game/players.h"
#include "game/skill.h"
#include "game/tick.h"
#include "game/walls.h"

namespace {

// A draw of the form rand % n = 1, each a fresh call of the generator.
bool Chance(int n) { return Random() % n == 1; }

// The hunting rule: whether the living player stands within the hunter's sight range, with no wall
// between them when walls are solid; facing him or not.
bool HunterSeesPlayer(const ObjectRecord& m) {
    const ObjectRecord& p = World.ObjectTable[TargetRecord(m.pos)];
    if (p.state == 0) return false;
    const float dx = p.pos[0] - m.pos[0], dz = p.pos[2] - m.pos[2];
    const float range = SkillHuntRange();
    if (!(dx * dx + dz * dz <= range * range)) return false;
    return !Settings.SOLIDWALLS || FirstWallAlong(m.pos[0], m.pos[2], p.pos[0], p.pos[2]) >= 1.0f;
}

// A hunter that sees the player remembers where, for HUNT_MEMORY_MS.
void Remember(ObjectRecord& m, uint32_t nowMs) {
    const ObjectRecord& p = World.ObjectTable[TargetRecord(m.pos)];
    m.huntX = p.pos[0];
    m.huntZ = p.pos[2];
    m.huntUntil = nowMs + HUNT_MEMORY_MS;
    if (m.huntUntil == 0) m.huntUntil = 1;  // 0 means no memory
}

// A seeking hunter that does not have the player in its line of sight: it turns toward the player when
// it sees him, or toward the place it last saw him while it remembers it, and walks when it faces that
// way. False when it has nothing to hunt (it then turns at random as every seeker does).
bool Hunt(ObjectRecord& m, uint32_t nowMs) {
    ControlFlags& c = m.controls;
    if (HunterSeesPlayer(m)) {
        Remember(m, nowMs);
    } else if (m.huntUntil == 0 || int32_t(nowMs - m.huntUntil) >= 0) {
        m.huntUntil = 0;
        return false;
    }
    const float dx = m.huntX - m.pos[0], dz = m.huntZ - m.pos[2];
    if (dx * dx + dz * dz < HUNT_ARRIVED * HUNT_ARRIVED && !HunterSeesPlayer(m)) {
        m.huntUntil = 0;  // the trail ends where the player was last seen
        return false;
    }
    // The look direction of heading a is (-sin a, cos a): the heading toward (dx, dz) is atan2(-dx, dz).
    const float want = std::atan2(-dx, dz) * 57.29578f;
    float error = std::fmod(want - float(m.angles[1]), 360.0f);
    if (error > 180.0f) error -= 360.0f;
    if (error < -180.0f) error += 360.0f;
    c.turnLeft = error > 1.0f ? 1 : 0;
    c.turnRight = error < -1.0f ? 1 : 0;
    c.forward = std::fabs(error) < HUNT_WALK_ANGLE ? 1 : 0;
    return true;
}

void Think(ObjectRecord& m, uint32_t nowMs) {
    ControlFlags& c = m.controls;
    switch (m.state) {
    case AI_SENTRY:
        c.fire = 1;
        if (ProximityGuard(m)) m.state = AI_PATROL;
        break;
    case AI_SEEK:
        c.fire = 0, c.forward = 0, c.back = 0;
        if (!PlayerInSight(m.pos, m.angles)) {
            if (Settings.HUNTERS && Hunt(m, nowMs)) break;
            // Keep turning the way it turns; with no (or both) turns on, pick one.
            if ((c.turnLeft != 0) == (c.turnRight != 0)) {
                if (Chance(3))
                    c.turnLeft = 1, c.turnRight = 0;
                else
                    c.turnLeft = 0, c.turnRight = 1;
            }
        } else {
            if (Settings.HUNTERS) Remember(m, nowMs);
            if (Chance(3)) {
                m.state = AI_ATTACK;
            } else {
                c.forward = 1, c.turnLeft = 0, c.turnRight = 0;
            }
        }
        break;
    case AI_EVADE:
        c.fire = 0, c.back = 1, c.strafeLeft = 1, c.strafeRight = 0;
        if (Chance(30)) m.state = AI_ATTACK;
        if (Chance(30)) m.state = AI_SEEK;
        if (Chance(30)) m.state = AI_PATROL;
        break;
    case AI_PATROL:
        c.fire = 0;
        if (m.collided && Chance(3)) {
            m.collided = 0;
            if (c.forward)
                c.forward = 0, c.back = 1;
            else if (c.back)
                c.back = 0, c.forward = 1;
        } else if (!c.forward && !c.back) {
            c.back = 1;
        }
        if (ProximityGuard(m) && Chance(10)) m.state = AI_SEEK;
        break;
    case AI_ATTACK:
        std::memset(&c, 0, sizeof c);
        c.fire = 1;
        if (Chance(90)) m.state = AI_FRENZY;
        if (Chance(50)) m.state = AI_SEEK;
        if (Chance(70)) m.state = AI_EVADE;
        if (!PlayerInSight(m.pos, m.angles) && Chance(6)) m.state = Chance(5) ? AI_FRENZY : AI_SEEK;
        break;
    case AI_FRENZY: {
        uint8_t* bytes = reinterpret_cast<uint8_t*>(&c);
        int k = Random() % 15;
        bytes[k] = bytes[k] == 0 ? 1 : 0;
        if (Chance(6)) c.fire = 0;
        if (Chance(4)) m.state = AI_SEEK;
        if (Chance(10)) m.state = AI_EVADE;
        if (Chance(10)) m.state = AI_ATTACK;
        break;
    }
    case OBJ_DYING: break;
    default: m.state = AI_SENTRY; break;
    }
}

}  // namespace

bool ProximityGuard(const ObjectRecord& m) {
    const ObjectRecord& p = World.ObjectTable[TargetRecord(m.pos)];
    float dx = m.pos[0] - p.pos[0];
    float dz = m.pos[2] - p.pos[2];
    return dx < GUARD_RANGE && dx > -GUARD_RANGE && dz < GUARD_RANGE && dz > -GUARD_RANGE;
}

bool PlayerInSight(const float position[3], const int32_t angles[3]) {
    const float a = DegreesToRadians(angles[1]);
    const float x = position[0], z = position[2];
    Segment sight{x, 0, z, x - SIGHT_RANGE * std::sin(a), 0, z + SIGHT_RANGE * std::cos(a)};
    float ignored[3];
    const float* p = World.ObjectTable[TargetRecord(position)].pos;
    if (!CirclePushFromSegment(p, SIGHT_RADIUS, sight, ignored)) return false;
    return !Settings.SOLIDWALLS || FirstWallAlong(x, z, p[0], p[2]) >= 1.0f;
}

int MonsterThink(uint32_t nowMs) {
    for (int i = 1; i < OBJECT_COUNT; ++i) {
        ObjectRecord& m = World.ObjectTable[i];
        if (m.state == OBJ_FREE || !IsMonsterType(m.type)) continue;
        if (m.thinkTime == 0) m.thinkTime = nowMs;
        if (uint32_t(nowMs - m.thinkTime) < THINK_INTERVAL_MS) continue;
        m.thinkTime = nowMs;
        Think(m, nowMs);
    }
    return 1;
}
