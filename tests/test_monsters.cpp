// Monster behaviour: the decision clock, each state's decisions and draws, sight and the guard.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/app.h"
#include "core/random.h"
#include "core/settings.h"
#include "game/monsters.h"
#include "game/tick.h"
#include "game/world.h"
#include "platform/headless/headless.h"
#include "support/random.h"
#include "test_util.h"

namespace {

// Finds a seed whose first draws give the wanted results of rand % n = 1 tests.
uint32_t SeedFor(std::initializer_list<std::pair<int, bool>> wanted) {
    for (uint32_t s = 1;; ++s) {
        const std::vector<int> d = DrawsFrom(s, int(wanted.size()));
        bool ok = true;
        size_t i = 0;
        for (auto [n, hit] : wanted)
            if ((d[i++] % n == 1) != hit) {
                ok = false;
                break;
            }
        if (ok) return s;
    }
}

class Monsters : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetWorld();
        World.ObjectTable[0].state = 1;
        World.ObjectTable[0].pos[0] = 1000;  // far away unless a test brings the player near
        HeadlessSetClock(10000);
    }
    void TearDown() override {
        ResetWorld();
        HeadlessSetClock(10000);
    }
    // A monster that decides at the next MonsterThink.
    ObjectRecord& M(int state, int type = 10) {
        ObjectRecord& m = World.ObjectTable[1];
        m.state = uint8_t(state);
        m.type = uint8_t(type);
        m.health = 100;
        m.thinkTime = 1;
        return m;
    }
    // One decision from a chosen seed; returns the number of draws it made.
    int Decide(uint32_t seed) {
        SeedRandom(seed);
        World.ObjectTable[1].thinkTime = 1;
        MonsterThink(PlatformTicksMs());
        return DrawsBetween(seed, RandomState());
    }
};

TEST_F(Monsters, DecisionsEveryTwentyFiveMillisecondsOnAnUnsignedClock) {
    ObjectRecord& m = M(99);  // an unknown state becomes a sentry at its first decision
    m.thinkTime = 0;
    MonsterThink(PlatformTicksMs());
    EXPECT_EQ(m.thinkTime, 10000u) << "the first visit only stamps the time";
    EXPECT_EQ(m.state, 99);
    HeadlessAdvanceClock(24);
    MonsterThink(PlatformTicksMs());
    EXPECT_EQ(m.state, 99);
    HeadlessAdvanceClock(1);
    MonsterThink(PlatformTicksMs());
    EXPECT_EQ(m.state, AI_SENTRY);
    EXPECT_EQ(m.thinkTime, 10025u);

    // Across the wrap of the millisecond counter.
    m.state = 6;  // DEFSTATE 6 is no state: sentry at the next decision
    m.thinkTime = 0xFFFFFFF0u;
    HeadlessSetClock(0x8);  // 24 ms later
    MonsterThink(PlatformTicksMs());
    EXPECT_EQ(m.state, 6);
    HeadlessSetClock(0x9);
    MonsterThink(PlatformTicksMs());
    EXPECT_EQ(m.state, AI_SENTRY);

    // Dying monsters and other types are never decided for.
    m.state = OBJ_DYING;
    HeadlessAdvanceClock(100);
    MonsterThink(PlatformTicksMs());
    EXPECT_EQ(m.state, OBJ_DYING);
    ObjectRecord& pack = World.ObjectTable[2];
    pack.state = 77, pack.type = OBJT_HEALTH;
    MonsterThink(PlatformTicksMs());
    EXPECT_EQ(pack.state, 77);
    EXPECT_EQ(pack.thinkTime, 0u);
}

TEST_F(Monsters, SentryAndPatrolAreGuardedByTheFortyUnitSquare) {
    ObjectRecord& m = M(AI_SENTRY);
    m.pos[0] = 5, m.pos[2] = 5;
    World.ObjectTable[0].pos[0] = 5 + 25, World.ObjectTable[0].pos[2] = 5;  // outside on x only
    EXPECT_EQ(Decide(1), 0);
    EXPECT_EQ(m.state, AI_SENTRY);
    EXPECT_EQ(m.controls.fire, 1);
    World.ObjectTable[0].pos[0] = 5 + 19.9f, World.ObjectTable[0].pos[2] = 5 - 19.9f;
    EXPECT_TRUE(ProximityGuard(m));
    Decide(1);
    EXPECT_EQ(m.state, AI_PATROL);
    World.ObjectTable[0].pos[0] = 5 - 20;  // exactly on the bound: outside
    EXPECT_FALSE(ProximityGuard(m));

    // Patrol: away from the player, no draw for the seek test.
    m.state = AI_PATROL;
    std::memset(&m.controls, 0, sizeof m.controls);
    m.controls.fire = 1;
    EXPECT_EQ(Decide(1), 0);
    EXPECT_EQ(m.controls.fire, 0);
    EXPECT_EQ(m.controls.back, 1) << "neither direction on: backwards";
    EXPECT_EQ(m.state, AI_PATROL);
    // Near the player, a successful 1-in-10 draw starts seeking.
    World.ObjectTable[0].pos[0] = 10;
    EXPECT_EQ(Decide(SeedFor({{10, true}})), 1);
    EXPECT_EQ(m.state, AI_SEEK);
}

TEST_F(Monsters, PatrolKeepsCollidedUntilItsDrawSucceeds) {
    ObjectRecord& m = M(AI_PATROL);
    m.controls.forward = 1;
    m.collided = 1;
    EXPECT_EQ(Decide(SeedFor({{3, false}})), 1);
    EXPECT_EQ(m.collided, 1);
    EXPECT_EQ(m.controls.forward, 1);
    EXPECT_EQ(m.controls.back, 0);
    Decide(SeedFor({{3, true}}));
    EXPECT_EQ(m.collided, 0);
    EXPECT_EQ(m.controls.forward, 0);
    EXPECT_EQ(m.controls.back, 1);
    m.collided = 1;
    Decide(SeedFor({{3, true}}));
    EXPECT_EQ(m.controls.forward, 1);
    EXPECT_EQ(m.controls.back, 0);
}

TEST_F(Monsters, SeekTurnsUntilThePlayerIsInSight) {
    ObjectRecord& m = M(AI_SEEK);
    m.controls.fire = m.controls.forward = m.controls.back = 1;
    m.controls.turnLeft = m.controls.turnRight = 1;  // both on: choose anew
    EXPECT_EQ(Decide(SeedFor({{3, true}})), 1);
    EXPECT_EQ(m.controls.turnLeft, 1);
    EXPECT_EQ(m.controls.turnRight, 0);
    EXPECT_EQ(m.controls.fire + m.controls.forward + m.controls.back, 0);
    EXPECT_EQ(Decide(SeedFor({{3, false}})), 0) << "one turn on: it keeps turning that way, no draw";
    EXPECT_EQ(m.controls.turnLeft, 1);
    m.controls.turnLeft = 0;
    Decide(SeedFor({{3, false}}));
    EXPECT_EQ(m.controls.turnRight, 1);

    // In sight (10 units along (-sin, +cos) of heading 90, i.e. -x): walk at it, or attack.
    m.pos[0] = 0, m.pos[2] = 0;
    m.angles[1] = 90;
    World.ObjectTable[0].pos[0] = -9.5f, World.ObjectTable[0].pos[2] = 0.2f;
    ASSERT_TRUE(PlayerInSight(m.pos, m.angles));
    Decide(SeedFor({{3, false}}));
    EXPECT_EQ(m.controls.forward, 1);
    EXPECT_EQ(m.controls.turnLeft + m.controls.turnRight, 0);
    EXPECT_EQ(m.state, AI_SEEK);
    Decide(SeedFor({{3, true}}));
    EXPECT_EQ(m.state, AI_ATTACK);
}

TEST_F(Monsters, SightReachesTenUnitsTheGunTwenty) {
    ObjectRecord& m = M(AI_ATTACK);
    m.angles[1] = 180;  // looks along -z
    m.pos[2] = 15;
    m.radius = 0.5f;
    World.ObjectTable[0].pos[0] = 0, World.ObjectTable[0].pos[2] = 0, World.ObjectTable[0].radius = 0.5f;
    World.ObjectTable[0].health = 100;
    EXPECT_FALSE(PlayerInSight(m.pos, m.angles));
    World.ObjectTable[0].pos[2] = 5.31f;  // 9.69 plus the 0.3 circle
    EXPECT_TRUE(PlayerInSight(m.pos, m.angles));
    World.ObjectTable[0].pos[2] = 4.69f;
    EXPECT_FALSE(PlayerInSight(m.pos, m.angles));
    World.ObjectTable[0].pos[0] = 0.31f, World.ObjectTable[0].pos[2] = 10;
    EXPECT_FALSE(PlayerInSight(m.pos, m.angles)) << "a 0.3 circle, not the player's radius";

    // The attacking monster still shoots the player 15 units ahead.
    World.ObjectTable[0].pos[0] = 0, World.ObjectTable[0].pos[2] = 0;
    World.WeaponTable[WPN_GUN].damage = 10;
    m.weapon = WPN_GUN;
    const float half[3] = {0.5f, 0.5f, 0.5f};
    MakeBoxModel(m.models[0], half);
    SeedRandom(3);
    Decide(3);
    EXPECT_EQ(m.controls.fire, 1);
    int32_t saved = Program.GameState;
    Program.GameState = GS_PLAYING;
    World.ExitPoint[0] = World.ExitPoint[1] = 1000;
    GameStep();
    Program.GameState = saved;
    EXPECT_LT(World.ObjectTable[0].health, 100);
    ClearWeaponRecord(World.WeaponTable[WPN_GUN]);
}

TEST_F(Monsters, AttackEvadeAndFrenzyDrawInTheWrittenOrder) {
    ObjectRecord& m = M(AI_ATTACK);
    m.controls.forward = m.controls.select[3] = m.controls.spare[2] = 1;
    // Out of sight: the three transition draws, then rand % 6 and rand % 5.
    uint32_t s = SeedFor({{90, false}, {50, false}, {70, false}, {6, true}, {5, true}});
    EXPECT_EQ(Decide(s), 5);
    EXPECT_EQ(m.state, AI_FRENZY);
    EXPECT_EQ(m.controls.fire, 1);
    EXPECT_EQ(m.controls.forward + m.controls.select[3] + m.controls.spare[2], 0);
    m.state = AI_ATTACK;
    EXPECT_EQ(Decide(SeedFor({{90, false}, {50, false}, {70, false}, {6, true}, {5, false}})), 5);
    EXPECT_EQ(m.state, AI_SEEK);
    m.state = AI_ATTACK;
    EXPECT_EQ(Decide(SeedFor({{90, true}, {50, true}, {70, false}, {6, false}})), 4);
    EXPECT_EQ(m.state, AI_SEEK) << "a later success overrides an earlier one";
    // In sight: only the three draws.
    m.state = AI_ATTACK;
    m.angles[1] = 0;
    World.ObjectTable[0].pos[0] = 0, World.ObjectTable[0].pos[2] = 5;
    EXPECT_EQ(Decide(SeedFor({{90, false}, {50, false}, {70, true}})), 3);
    EXPECT_EQ(m.state, AI_EVADE);

    // Evade: backwards and strafing left, then three 1-in-30 draws.
    m.controls = ControlFlags{};
    m.controls.fire = m.controls.strafeRight = m.controls.forward = m.controls.turnLeft = 1;
    EXPECT_EQ(Decide(SeedFor({{30, true}, {30, false}, {30, true}})), 3);
    EXPECT_EQ(m.state, AI_PATROL);
    EXPECT_EQ(m.controls.fire, 0);
    EXPECT_EQ(m.controls.back, 1);
    EXPECT_EQ(m.controls.strafeLeft, 1);
    EXPECT_EQ(m.controls.strafeRight, 0);
    EXPECT_EQ(m.controls.forward, 1) << "forward and the turns keep their values";
    EXPECT_EQ(m.controls.turnLeft, 1);

    // Frenzy flips control byte rand % 15, then four draws.
    for (int c = 0; c < 15; ++c) {
        m.state = AI_FRENZY;
        m.controls = ControlFlags{};
        uint8_t* bytes = reinterpret_cast<uint8_t*>(&m.controls);
        bytes[c] = 5;
        uint32_t seed = 1;
        for (;; ++seed) {
            const std::vector<int> d = DrawsFrom(seed, 5);
            if (d[0] % 15 == c && d[1] % 6 != 1 && d[2] % 4 != 1 && d[3] % 10 != 1 && d[4] % 10 != 1) break;
        }
        EXPECT_EQ(Decide(seed), 5);
        EXPECT_EQ(bytes[c], 0) << c;
        EXPECT_EQ(m.state, AI_FRENZY);
        bytes[c] = 0;
        for (int k = 0; k < 16; ++k) EXPECT_EQ(bytes[k], 0);
    }
    m.controls = ControlFlags{};
    Decide(SeedFor({{15, true}, {6, true}, {4, true}, {10, false}, {10, true}}));
    EXPECT_EQ(m.controls.back, 1) << "byte 1 turned on";
    EXPECT_EQ(m.state, AI_ATTACK);
}

}  // namespace

namespace {

// The hunting rule sees the player within 20 units whichever way the monster faces; at skill 4 within 30.
TEST_F(Monsters, HuntersSeeFartherAtSkillFour) {
    Settings.HUNTERS = 1;
    for (int skill : {2, 4}) {
        Settings.SKILL = skill;
        ObjectRecord& m = M(AI_SEEK);
        m.pos[0] = m.pos[2] = 0;
        m.angles[1] = 0;  // looking along +z, away from the player
        m.huntUntil = 0;
        m.controls = ControlFlags{};
        World.ObjectTable[0].pos[0] = 0, World.ObjectTable[0].pos[2] = -25;
        const int draws = Decide(7);
        if (skill == 4) {
            EXPECT_EQ(draws, 0) << "it turns toward the player, not at random";
            EXPECT_NE(m.huntUntil, 0u);
            EXPECT_TRUE(m.controls.turnLeft || m.controls.turnRight);
        } else {
            EXPECT_EQ(draws, 1) << "25 units off: it turns at random";
            EXPECT_EQ(m.huntUntil, 0u);
        }
    }
    Settings.HUNTERS = 0;
    Settings.SKILL = 0;
}

}  // namespace
