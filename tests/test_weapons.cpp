// Weapons: firing and reload, hit-scan shots and their damage, the automatic change, rockets.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/settings.h"
#include "audio/sound.h"
#include "console/console.h"
#include "core/random.h"
#include "game/contact.h"
#include "game/tick.h"
#include "game/weapons.h"
#include "game/world.h"
#include "game_fixture.h"
#include "render/passes.h"
#include "support/random.h"
#include "support/walls.h"
#include "test_util.h"

namespace {

class Weapons : public GameFixture {};

TEST_F(Weapons, GunShotHitsEveryMonsterOnItsLineThroughWalls) {
    World.WeaponTable[WPN_GUN].damage = 10;
    World.WeaponTable[WPN_GUN].reloadTime = 7;
    P().weapon = WPN_GUN;
    P().owned[WPN_GUN] = 1;
    P().ammo[WPN_GUN] = 5;
    P().controls.fire = 1;
    ObjectRecord& a = Monster(1, 0, 5, 0);
    ObjectRecord& pack = Monster(2, 0, 8, 0, OBJT_HEALTH);
    ObjectRecord& b = Monster(3, 0.4f, 12, 0, 13);
    ObjectRecord& far = Monster(4, 0, 21, 0);
    ObjectRecord& beside = Monster(5, 3, 10, 0);
    ObjectRecord& dying = Monster(6, 0, 15, 0, 11);
    dying.state = OBJ_DYING;
    a.controls.forward = 0;
    SetWalls({Segment{-5, 0, 3, 5, 0, 3}});  // a wall across the line of fire stops nothing
    const std::vector<int> r = DrawsFrom(77, 3);
    SeedRandom(77);
    GameStep();
    EXPECT_EQ(a.health, 100 - (10 - r[0] % 4));
    EXPECT_EQ(b.health, 100 - (10 - r[1] % 4));
    EXPECT_EQ(dying.health, 100 - (10 - r[2] % 4)) << "dying monsters are still targets";
    EXPECT_EQ(pack.health, 100) << "the player's shots hit only monsters";
    EXPECT_EQ(far.health, 100);
    EXPECT_EQ(beside.health, 100);
    EXPECT_EQ(DrawsBetween(77, RandomState()), 3) << "one draw per target hit, no other";
    EXPECT_EQ(Played(), (std::vector<int>{Buf(10, 0), Buf(13, 0), Buf(11, 0), Buf(3, 1)}));
    EXPECT_EQ(P().ammo[WPN_GUN], 4);
    EXPECT_EQ(P().reload, 7);
    EXPECT_EQ(P().fired, 1);
}

TEST_F(Weapons, DamageRulesForThePlayerAndForMonsters) {
    // A monster 10 units ahead of the player (heading 180 looks along -z) shoots the player.
    ObjectRecord& shooter = Monster(1, 0, 10, 180);
    shooter.weapon = WPN_GUN;
    ObjectRecord& between = Monster(2, 0, 5, 0);
    World.WeaponTable[WPN_GUN].damage = 3;
    std::set<int> monsterLosses;
    for (uint32_t seed = 1; seed < 40; ++seed) {
        SeedRandom(seed);
        P().health = 100, between.health = 100, shooter.health = 100;
        Segment shot{0, 0, 10, 0, 0, -10};
        ShotHits(shooter, 1, shot);
        EXPECT_EQ(P().health, 99) << "damage 3: max(1, 1 - r) is always 1";
        EXPECT_EQ(shooter.health, 100) << "a shooter never hits itself";
        monsterLosses.insert(100 - between.health);
    }
    EXPECT_EQ(monsterLosses, (std::set<int>{0, 1, 2, 3}));

    World.WeaponTable[WPN_GUN].damage = 2;
    monsterLosses.clear();
    for (uint32_t seed = 1; seed < 40; ++seed) {
        SeedRandom(seed);
        between.health = 100;
        ShotHits(shooter, 1, Segment{0, 0, 10, 0, 0, -10});
        monsterLosses.insert(100 - between.health);
    }
    EXPECT_EQ(monsterLosses, (std::set<int>{0, 1, 2}));

    // Extreme damage and health saturate instead of overflowing.
    World.WeaponTable[WPN_GUN].damage = INT32_MIN;
    between.health = 5;
    P().health = INT32_MIN + 1;
    ShotHits(shooter, 1, Segment{0, 0, 10, 0, 0, -10});
    EXPECT_EQ(between.health, 5);
    EXPECT_EQ(P().health, INT32_MIN);
    World.WeaponTable[WPN_GUN].damage = INT32_MAX;
    between.health = -100;
    ShotHits(shooter, 1, Segment{0, 0, 10, 0, 0, -10});
    EXPECT_EQ(between.health, INT32_MIN);

    // A weapon outside the arsenal deals nothing.
    shooter.weapon = 99;
    between.health = 100;
    ShotHits(shooter, 1, Segment{0, 0, 10, 0, 0, -10});
    EXPECT_EQ(between.health, 100);
}

// Whatever ShotHits does to skip far targets quickly, a target is hit exactly when its circle touches.
TEST_F(Weapons, EveryTouchingTargetIsHitAndNoOther) {
    std::mt19937 rng(21);
    std::uniform_real_distribution<float> u(-30, 30), ang(0, 6.2831853f), off(-1, 1);
    World.WeaponTable[WPN_GUN].damage = 10;
    ObjectRecord& s = Monster(1, 0, 0, 0);
    s.weapon = WPN_GUN;
    int hits = 0;
    for (int round = 0; round < 200; ++round) {
        float x = u(rng), z = u(rng), a = round % 2 ? ang(rng) : float(round % 8 / 2) * 1.5707964f;
        Segment shot{x, 0, z, x - 20 * std::sin(a), 0, z + 20 * std::cos(a)};
        for (int j = 2; j < 40; ++j) {
            // Along the shot, just inside or outside the circle's reach, or past the ends.
            ObjectRecord& t = Monster(j, 0, 0, 0, 10 + j % 4);
            t.radius = j % 7 == 0 ? -0.5f : 0.2f + float(j % 5) * 0.3f;
            float along = (off(rng) * 0.6f + 0.5f),
                  side = (j % 2 ? 1 : -1) * std::fabs(t.radius) * (1 + off(rng) * 1e-6f);
            t.pos[0] = shot.x1 + (shot.x2 - shot.x1) * along + side * std::cos(a);
            t.pos[2] = shot.z1 + (shot.z2 - shot.z1) * along + side * std::sin(a);
        }
        std::vector<int> expect(40, 0);
        for (int j = 2; j < 40; ++j) {
            float ignored[3];
            expect[size_t(j)] =
                CirclePushFromSegment(World.ObjectTable[j].pos, World.ObjectTable[j].radius, shot, ignored);
        }
        ShotHits(s, 1, shot);
        for (int j = 2; j < 40; ++j) {
            ASSERT_EQ(World.ObjectTable[j].health < 100, expect[size_t(j)] == 1) << round << " " << j;
            hits += expect[size_t(j)];
        }
    }
    EXPECT_GT(hits, 1000);
    EXPECT_LT(hits, 200 * 38 - 1000);
}

TEST_F(Weapons, ShotgunRunsTwoPassesKnifeCutsDiagonally) {
    World.WeaponTable[WPN_SHOTGUN].damage = 10;
    P().weapon = WPN_SHOTGUN;
    P().ammo[WPN_SHOTGUN] = 2;
    P().controls.fire = 1;
    ObjectRecord& m = Monster(1, 0, 6, 0);
    const std::vector<int> r = DrawsFrom(9, 2);
    SeedRandom(9);
    GameStep();
    EXPECT_EQ(m.health, 100 - (10 - r[0] % 4) - (10 - r[1] % 4));
    EXPECT_EQ(Played(), (std::vector<int>{Buf(10, 0), Buf(10, 0), Buf(4, 1)}));
    EXPECT_EQ(P().ammo[WPN_SHOTGUN], 1);

    // The knife cuts from (x - 0.4, z - 0.4) to (x + 0.4, z + 0.4) whatever the heading, without ammo.
    World.WeaponTable[WPN_KNIFE].damage = 50;
    P().weapon = WPN_KNIFE;
    P().angles[1] = 123;
    P().reload = 0;
    m.health = 100;
    m.pos[0] = 0.6f, m.pos[2] = 0.6f;
    ObjectRecord& side = Monster(2, -0.5f, 0.5f, 0);  // 0.71 off the cut's line
    GameStep();
    EXPECT_LE(m.health, 53);
    EXPECT_EQ(side.health, 100);
    EXPECT_EQ(Played().back(), Buf(2, 1));
}

TEST_F(Weapons, AutomaticChangeWhenTheLastRoundIsFired) {
    struct Case {
        int32_t ammo[5];
        int weapon;
        const char* message;
    } cases[] = {
        {{0, 1, 3, 3, 1}, 4, "Out of ammo, switching to rocket launcher"},
        {{0, 1, 3, 3, 0}, 3, "Out of ammo, switching to minigun"},
        {{0, 1, 3, 0, 0}, 2, "Out of ammo, switching to shotgun"},
        {{0, 1, 0, 0, 0}, 0, "Out of ammo, the knife is all you have"},
    };
    for (const Case& c : cases) {
        for (int w = 0; w < 5; ++w) P().ammo[w] = c.ammo[w], P().owned[w] = 0;
        P().owned[WPN_GUN] = 1;
        P().weapon = WPN_GUN;
        P().reload = 0;
        P().controls.fire = 1;
        GameStep();
        EXPECT_EQ(P().ammo[WPN_GUN], 0);
        EXPECT_EQ(P().weapon, c.weapon) << c.message;
        EXPECT_EQ(ConsoleText(53), c.message);
    }
    // Only the gun left, from another weapon run dry.
    for (int w = 0; w < 5; ++w) P().ammo[w] = 0;
    P().ammo[WPN_GUN] = 4;
    P().weapon = WPN_MINIGUN;
    GameStep();
    EXPECT_EQ(P().weapon, WPN_GUN);
    EXPECT_EQ(ConsoleText(53), "Out of ammo, switching to gun");

    // Releasing fire before the last round runs dry defers the change to the next press.
    P().ammo[WPN_GUN] = 1;
    P().ammo[WPN_SHOTGUN] = 2;
    P().reload = 0;
    GameStep();  // fires the last round and switches at once
    EXPECT_EQ(P().weapon, WPN_SHOTGUN);
    P().weapon = WPN_GUN;
    P().controls.fire = 0;
    GameStep();
    EXPECT_EQ(P().weapon, WPN_GUN);
    P().controls.fire = 1;
    GameStep();
    EXPECT_EQ(P().weapon, WPN_SHOTGUN);
}

// OWNEDSWITCH: the change passes over weapons the player has ammunition for but does not own.
TEST_F(Weapons, TheOwnedWeaponsRuleChangesOnlyToWeaponsHeld) {
    Settings.OWNEDSWITCH = 1;
    const int32_t ammo[5] = {0, 1, 3, 3, 1};  // an ammunition pack's rounds for everything
    for (int owned : {int(WPN_SHOTGUN), -1}) {
        for (int w = 0; w < 5; ++w) P().ammo[w] = ammo[w], P().owned[w] = w == WPN_GUN || w == owned;
        P().weapon = WPN_GUN;
        P().reload = 0;
        P().controls.fire = 1;
        GameStep();
        EXPECT_EQ(P().weapon, owned < 0 ? WPN_KNIFE : owned);
        EXPECT_EQ(ConsoleText(53),
                  owned < 0 ? "Out of ammo, the knife is all you have" : "Out of ammo, switching to shotgun");
    }
    Settings.OWNEDSWITCH = 0;
}

// SKILL: what a monster's shot takes from the player (half at 1, 1.5 times at 4), and how soon a monster
// fires again (two thirds of the reload at 3); the player's own reload and shots at monsters never change.
TEST_F(Weapons, TheSkillRuleScalesMonsterShotsAtThePlayer) {
    ObjectRecord& shooter = Monster(1, 0, 10, 180);
    shooter.weapon = WPN_GUN;
    World.WeaponTable[WPN_GUN].damage = 20;  // the player loses 10 - r, r = 0..3
    World.WeaponTable[WPN_GUN].reloadTime = 30;
    const int expected[5][4] = {{}, {5, 5, 4, 4}, {10, 9, 8, 7}, {10, 9, 8, 7}, {15, 14, 12, 11}};
    for (int skill = 1; skill <= 4; ++skill) {
        Settings.SKILL = skill;
        std::set<int> losses;
        for (uint32_t seed = 1; seed < 40; ++seed) {
            SeedRandom(seed);
            P().health = 100;
            ShotHits(shooter, 1, Segment{0, 0, 10, 0, 0, -10});
            losses.insert(100 - P().health);
        }
        EXPECT_EQ(losses, std::set<int>(expected[skill], expected[skill] + 4)) << "skill " << skill;
        shooter.reload = 0, shooter.controls.fire = 1;
        FiringStep(shooter, 1);
        EXPECT_EQ(shooter.reload, skill == 3 ? 20 : 30) << "skill " << skill;
        P().reload = 0, P().weapon = WPN_GUN, P().ammo[WPN_GUN] = 5, P().controls.fire = 1;
        FiringStep(P(), 0);
        EXPECT_EQ(P().reload, 30);
    }
    Settings.SKILL = 0;
    SeedRandom(3);
    P().health = 100;
    ShotHits(shooter, 1, Segment{0, 0, 10, 0, 0, -10});
    EXPECT_GE(P().health, 90) << "no skill set is skill 2";
    EXPECT_LE(P().health, 93);
}

TEST_F(Weapons, ReloadCountdownAndOddWeapons) {
    World.WeaponTable[WPN_MINIGUN].reloadTime = 3;
    P().weapon = WPN_MINIGUN;
    P().ammo[WPN_MINIGUN] = 100;
    P().controls.fire = 1;
    std::vector<int> shots;
    for (int t = 1; t <= 10; ++t) {
        int before = P().ammo[WPN_MINIGUN];
        GameStep();
        if (P().ammo[WPN_MINIGUN] != before) shots.push_back(t);
    }
    EXPECT_EQ(shots, (std::vector<int>{1, 4, 7, 10}));

    World.WeaponTable[WPN_MINIGUN].reloadTime = 0;
    P().reload = 0;
    GameStep();
    GameStep();
    EXPECT_EQ(P().ammo[WPN_MINIGUN], 100 - 4 - 2) << "reload time 0 fires every tick";

    // A negative reload time fires once and never again; the countdown never wraps round.
    World.WeaponTable[WPN_MINIGUN].reloadTime = -1;
    P().reload = 0;
    int before = P().ammo[WPN_MINIGUN];
    for (int t = 0; t < 20; ++t) GameStep();
    EXPECT_EQ(P().ammo[WPN_MINIGUN], before - 1);
    EXPECT_EQ(P().reload, -20);
    P().reload = INT32_MIN;
    GameStep();
    EXPECT_EQ(P().reload, INT32_MIN);

    // Monsters ignore ammunition; a weapon index outside 0..4 never fires, for anyone.
    ObjectRecord& m = Monster(1, 50, 50, 0);
    m.weapon = WPN_GUN;
    m.controls.fire = 1;
    GameStep();
    EXPECT_EQ(m.fired, 1);
    EXPECT_EQ(m.ammo[WPN_GUN], 0);
    for (int32_t odd : {5, 99, -1, INT32_MIN, INT32_MAX}) {
        m.weapon = odd, m.fired = 0, m.reload = 0;
        P().weapon = odd, P().fired = 0, P().reload = 0;
        GameStep();
        EXPECT_EQ(m.fired, 0);
        EXPECT_EQ(m.reload, 0);
        EXPECT_EQ(P().fired, 0);
        EXPECT_EQ(P().weapon, odd) << "no automatic change away from a weapon outside the arsenal";
    }
}

TEST_F(Weapons, RocketLaunchCopiesTheTemplateAndFlies) {
    ObjectRecord& tpl = World.MissileTable[0];
    tpl.state = 1;
    tpl.angles[0] = 7;
    tpl.angles[2] = 9;
    tpl.radius = 0.25f;
    MakeBoxModel(tpl.models[0], half);
    ObjectRecord& s = Monster(1, 1, 2, 30);
    s.pos[1] = 0.5f;
    s.ammo[WPN_ROCKET_LAUNCHER] = 3;
    Settings.SOUNDVOL = 50;
    P().pos[0] = 1, P().pos[2] = 5;  // 3 units away
    ASSERT_EQ(FireRocket(s), 1);
    const ObjectRecord& r = World.MissileTable[1];
    EXPECT_EQ(r.state, 1);
    EXPECT_EQ(r.type, OBJT_ROCKET);
    EXPECT_EQ(r.lifetime, 500);
    EXPECT_EQ(r.angles[0], 7);
    EXPECT_EQ(r.angles[1], -30);
    EXPECT_EQ(r.angles[2], 9);
    EXPECT_EQ(r.pos[0], 1);
    EXPECT_EQ(r.pos[1], 0.5f);
    EXPECT_EQ(r.pos[2], 2);
    EXPECT_EQ(r.radius, 0.25f);
    EXPECT_EQ(r.models[0].store.get(), tpl.models[0].store.get()) << "geometry shared, not copied";
    EXPECT_EQ(s.ammo[WPN_ROCKET_LAUNCHER], 2);
    ASSERT_EQ(SoundPlayCount(), 1);
    EXPECT_EQ(SoundPlayAt(0)->buffer, Buf(6, 1));
    EXPECT_EQ(SoundPlayAt(0)->volume, 30);
    SoundClearPlays();

    // Clearing the template leaves the rocket's geometry intact.
    ClearModel(tpl.models[0]);
    EXPECT_EQ(r.models[0].frameCount, 1);
    ASSERT_TRUE(r.models[0].store);

    // It flies 0.125 a tick along the launcher's ahead direction and lives 499 moves.
    P().pos[0] = P().pos[2] = 1000;
    s.state = 0;
    int steps = 0;
    float lastX = r.pos[0], lastZ = r.pos[2];
    while (r.state != OBJ_FREE && steps < 1000) {
        lastX = r.pos[0], lastZ = r.pos[2];
        RocketStep();
        ++steps;
    }
    EXPECT_EQ(steps, 500);
    const double a = 30 * M_PI / 180;
    EXPECT_NEAR(lastX, 1 - 499 * 0.125 * std::sin(a), 1e-3);
    EXPECT_NEAR(lastZ, 2 + 499 * 0.125 * std::cos(a), 1e-3);
}

TEST_F(Weapons, RocketsHitEverythingInTheirSquareButThePlayer) {
    World.MissileTable[0].state = 1;
    // A monster armed with rockets takes 80 from its own rocket in the same tick's rocket step.
    ObjectRecord& m = Monster(1, 10, 10, 0);
    m.weapon = WPN_ROCKET_LAUNCHER;
    m.controls.fire = 1;
    World.WeaponTable[WPN_ROCKET_LAUNCHER].reloadTime = 100;
    GameStep();
    EXPECT_EQ(m.health, 20);
    EXPECT_EQ(World.MissileTable[1].state, OBJ_FREE);
    EXPECT_EQ(m.fired, 1);

    // Two pickups within the square both take 80 in the same tick; the player beside them none.
    ObjectRecord& rocket = World.MissileTable[2];
    rocket.state = 1, rocket.type = OBJT_ROCKET, rocket.lifetime = 10;
    rocket.pos[0] = -20, rocket.pos[2] = -20.125f;  // heading 0 flies +z
    ObjectRecord& a = Monster(3, -20.3f, -20, 0, OBJT_AMMO);
    a.state = 1;
    ObjectRecord& b = Monster(4, -19.7f, -19.8f, 0, OBJT_SHOTGUN);
    b.state = 1;
    P().pos[0] = -20, P().pos[2] = -20;
    int health = P().health;
    RocketStep();
    EXPECT_EQ(a.health, 20);
    EXPECT_EQ(b.health, 20);
    EXPECT_EQ(P().health, health);
    EXPECT_EQ(rocket.state, OBJ_FREE);

    // All nine slots busy: no launch, no sound, no round used, but the shooter still reloads.
    for (int k = 1; k <= 9; ++k) World.MissileTable[k].state = 1, World.MissileTable[k].lifetime = 50;
    m.health = 100;
    m.reload = 0;
    m.fired = 0;
    m.ammo[WPN_ROCKET_LAUNCHER] = 2;
    m.pos[0] = 300;
    SoundClearPlays();
    EXPECT_EQ(FindFreeMissile(), 0);
    EXPECT_EQ(FireRocket(m), 0);
    EXPECT_EQ(m.ammo[WPN_ROCKET_LAUNCHER], 2);
    EXPECT_EQ(SoundPlayCount(), 0);
    FiringStep(m, 1);
    EXPECT_EQ(m.reload, 100);
    EXPECT_EQ(m.fired, 1);

    // A rocket whose lifetime was already used up ends instead of counting down for ever.
    World.MissileTable[5].lifetime = INT32_MIN;
    RocketStep();
    EXPECT_EQ(World.MissileTable[5].state, OBJ_FREE);
}

TEST_F(Weapons, ShotSoundsArePlacedRelativeToThePlayer) {
    Settings.SOUNDVOL = 50;
    ObjectRecord& m = Monster(1, 9, -12, 0);  // 15 units from the player
    m.weapon = WPN_GUN;
    m.controls.fire = 1;
    ObjectRecord& n = Monster(2, 0, 3, 90);  // 3 units
    n.weapon = WPN_MINIGUN;
    n.controls.fire = 1;
    GameStep();
    ASSERT_EQ(SoundPlayCount(), 2);
    EXPECT_EQ(SoundPlayAt(0)->buffer, Buf(3, 1));
    EXPECT_EQ(SoundPlayAt(0)->volume, 0);
    EXPECT_EQ(SoundPlayAt(1)->buffer, Buf(5, 1));
    EXPECT_EQ(SoundPlayAt(1)->volume, 30);
}

}  // namespace
