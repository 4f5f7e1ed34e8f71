// The game tick: exit, death camera, mouse look, weapon selection, pickups, movement, walls, death, score.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/settings.h"
#include "audio/sound.h"
#include "console/console.h"
#include "core/random.h"
#include "game/contact.h"
#include "game/tick.h"
#include "game/walls.h"
#include "game/world.h"
#include "game_fixture.h"
#include "input/input.h"
#include "render/passes.h"
#include "render/video.h"
#include "support/walls.h"
#include "test_util.h"

namespace {

bool Contains(const std::vector<int>& v, int b) { return std::find(v.begin(), v.end(), b) != v.end(); }

class Tick : public GameFixture {
  protected:
    void SetUp() override {
        GameFixture::SetUp();
        SeedRandom(1);
    }
};

TEST_F(Tick, ExitWithinOneUnitEndsTheLevelAndTheStepRunsOn) {
    World.ExitPoint[0] = 4, World.ExitPoint[1] = -3;
    P().pos[0] = 4 + 1.01f, P().pos[2] = -3;
    GameStep();
    EXPECT_EQ(Program.GameState, GS_PLAYING);
    EXPECT_TRUE(Played().empty());

    P().pos[0] = 4, P().pos[2] = -3 - 0.99f;
    P().controls.forward = 1;  // heading 0: +z, towards the exit
    GameStep();
    EXPECT_EQ(Program.GameState, GS_LEVEL_DONE);
    EXPECT_EQ(ConsoleText(53), "You reached the exit.. alive!");
    EXPECT_EQ(Played(), std::vector<int>{Buf(18, 1)});
    EXPECT_FLOAT_EQ(P().score, 200) << "one present record, nothing to kill or collect: 100 % + 100 %";
    EXPECT_FLOAT_EQ(P().pos[2], -3 - 0.99f + 0.06f) << "the rest of the step still ran";

    GameStep();  // not playing any more: nothing moves
    EXPECT_FLOAT_EQ(P().pos[2], -3 - 0.99f + 0.06f);
}

TEST_F(Tick, DeathCameraRisesForOneHundredAndOneTicksWithItsSound) {
    P().state = 0;
    P().pos[1] = 0;
    P().angles[1] = 300;
    P().controls.forward = 1;  // a dead player neither walks nor picks up
    ObjectRecord& pack = Monster(5, 0, 0, 0, OBJT_HEALTH);
    pack.state = 1;
    int ticks = 0;
    while (P().pos[1] < 1.0f && ticks < 1000) {
        GameStep();
        ++ticks;
        EXPECT_EQ(Played(), std::vector<int>{Buf(1, 1)}) << "tick " << ticks;
    }
    EXPECT_EQ(ticks, 101);
    EXPECT_EQ(P().angles[1], 41) << "300 + 101 wrapped";
    EXPECT_EQ(P().pos[2], 0);
    EXPECT_EQ(pack.state, 1);
    GameStep();
    EXPECT_TRUE(Played().empty());
    EXPECT_EQ(P().angles[1], 41);
}

TEST_F(Tick, MouseLookTurnsByHalfTheOffsetTruncatedAndRecentres) {
    const int cx = int(Settings.ScreenCentreX), cy = int(Settings.ScreenCentreY);
    P().angles[1] = 0;
    Input.PointerX = cx - 3, Input.PointerY = cy + 7;
    GameStep();
    EXPECT_EQ(P().angles[1], 1);
    EXPECT_EQ(Input.PointerX, cx);
    EXPECT_EQ(Input.PointerY, cy);

    Input.PointerX = cx + 3;  // -3 / 2 truncates to -1, not -2
    GameStep();
    EXPECT_EQ(P().angles[1], 0);

    Input.PointerX = cx + 3;
    GameStep();
    EXPECT_EQ(P().angles[1], 359);

    Input.PointerX = cx + 1, Input.PointerY = cy + 1;  // under two pixels: no turn, the offset stays
    GameStep();
    EXPECT_EQ(P().angles[1], 359);
    EXPECT_EQ(Input.PointerX, cx + 1);
    EXPECT_EQ(Input.PointerY, cy + 1);

    Settings.MOUSELOOK = 0;
    Input.PointerX = cx - 100;
    GameStep();
    EXPECT_EQ(P().angles[1], 359);
    EXPECT_EQ(Input.PointerX, cx - 100);
}

TEST_F(Tick, WeaponSelectionHighestPermittedWins) {
    P().owned[2] = P().owned[4] = 1;
    P().controls.select[2] = P().controls.select[4] = 1;
    GameStep();
    EXPECT_EQ(P().weapon, 4);

    P().controls = ControlFlags{};
    P().controls.select[3] = 1;  // not held
    GameStep();
    EXPECT_EQ(P().weapon, 4);

    P().controls.select[0] = 1;  // the knife always
    GameStep();
    EXPECT_EQ(P().weapon, 0);
}

TEST_F(Tick, PickupsGiveTheirAmountsMessagesAndSounds) {
    struct Case {
        int type;
        const char* message;
        int weapon;
        int32_t ammo;  // of that weapon afterwards, from 0
    } cases[] = {
        {OBJT_GUN, "You found yourself a gun", 1, 10},
        {OBJT_SHOTGUN, "Got the shotgun, wo0t!", 2, 10},
        {OBJT_MINIGUN, "Picked up an automatic minigun", 3, 50},
        {OBJT_ROCKET_LAUNCHER, "Got the rocket launcher!", 4, 5},  // 10, limited to 5
    };
    for (const Case& c : cases) {
        for (int w = 0; w < 5; ++w) P().ammo[w] = 0, P().owned[w] = 0;
        P().weapon = 0;
        ObjectRecord& r = Monster(7, 0.3f, -0.4f, 0, c.type);
        r.state = 1;
        GameStep();
        EXPECT_EQ(r.state, OBJ_FREE) << c.type;
        EXPECT_EQ(P().owned[c.weapon], 1);
        EXPECT_EQ(P().ammo[c.weapon], c.ammo);
        EXPECT_EQ(P().weapon, c.weapon);
        EXPECT_EQ(ConsoleText(53), c.message);
        EXPECT_EQ(Played(), std::vector<int>{Buf(c.type, 2)});
    }

    // Ammunition pack: +20, +15, +100, +1, each limited.
    P().ammo[1] = 95, P().ammo[2] = 45, P().ammo[3] = 150, P().ammo[4] = 5;
    ObjectRecord& ammo = Monster(8, 0, 0, 0, OBJT_AMMO);
    ammo.state = 1;
    GameStep();
    EXPECT_EQ(ammo.state, OBJ_FREE);
    EXPECT_EQ(P().ammo[1], 100);
    EXPECT_EQ(P().ammo[2], 50);
    EXPECT_EQ(P().ammo[3], 200);
    EXPECT_EQ(P().ammo[4], 5);
    EXPECT_EQ(ConsoleText(53), "Picked up an ammo pack");
    EXPECT_EQ(Played(), std::vector<int>{Buf(8, 2)});

    // Health pack of 40 at 120 gives 150.
    P().health = 120;
    ObjectRecord& health = Monster(9, 0, 0, 0, OBJT_HEALTH);
    health.state = 1;
    health.health = 40;
    GameStep();
    EXPECT_EQ(P().health, 150);
    EXPECT_EQ(health.state, OBJ_FREE);
    EXPECT_EQ(ConsoleText(53), "Picked up a health pack");
    EXPECT_EQ(Played(), std::vector<int>{Buf(7, 2)});
}

// The level's record (what LEVELSTATS shows and the dump's stats hold): ticks played, monsters that died
// (whoever killed them, counted once), pickups taken (not those a rocket destroyed); the exit adds them
// to the campaign's; the skill rule's doubled ammunition at skill 1; the ticks since the player died.
TEST_F(Tick, TheLevelsRecordAndTheCampaignsAndSkillOnesAmmunition) {
    World.MonstersAtStart = 2, World.ItemsAtStart = 3;
    ObjectRecord& a = Monster(1, 20, 20, 0);
    Monster(2, 25, 20, 0);
    ObjectRecord& gun = Monster(3, 0.2f, 0.2f, 0, OBJT_GUN);
    ObjectRecord& pack = Monster(4, 30, 30, 0, OBJT_AMMO);
    Settings.SKILL = 1;
    GameStep();
    EXPECT_EQ(World.Stats.items, 1);
    EXPECT_EQ(P().ammo[WPN_GUN], 20) << "skill 1: the gun's 10 rounds doubled";
    EXPECT_EQ(gun.state, OBJ_FREE);
    a.health = 0;
    pack.health = 0;  // destroyed, not taken
    GameStep();
    GameStep();
    EXPECT_EQ(World.Stats.kills, 1) << "counted when it starts dying, once";
    EXPECT_EQ(World.Stats.items, 1);
    EXPECT_EQ(World.Stats.ticks, 3);
    P().pos[0] = World.ExitPoint[0], P().pos[2] = World.ExitPoint[1];
    World.Campaign = WorldRecord::CampaignRecord{1, 4, 2, 5, 1, 1000};
    GameStep();
    EXPECT_EQ(Program.GameState, GS_LEVEL_DONE);
    const WorldRecord::CampaignRecord& c = World.Campaign;
    EXPECT_EQ(c.kills, 2);
    EXPECT_EQ(c.killsTotal, 6);
    EXPECT_EQ(c.items, 3);
    EXPECT_EQ(c.itemsTotal, 8);
    EXPECT_EQ(c.levels, 2);
    EXPECT_EQ(c.ticks, 1001);

    Program.GameState = GS_PLAYING;
    P().pos[0] = P().pos[2] = 0;
    P().health = 0;
    GameStep();
    EXPECT_EQ(World.DeadTicks, 0) << "the tick he dies in";
    for (int i = 0; i < 5; ++i) GameStep();
    EXPECT_EQ(World.DeadTicks, 5);
}

TEST_F(Tick, PickupReachLimitsAndOtherRecordsNearThePlayer) {
    // Just outside the square, and a knife inside it: neither is collected.
    ObjectRecord& gun = Monster(3, 0.5f, 0, 0, OBJT_GUN);
    gun.state = 1;
    ObjectRecord& knife = Monster(4, 0.1f, 0.1f, 0, OBJT_KNIFE);
    knife.state = 1;
    GameStep();
    EXPECT_EQ(gun.state, 1);
    EXPECT_EQ(knife.state, 1);
    EXPECT_EQ(P().owned[1], 0);

    // Any present record near the player, a dying monster too, applies the ammunition limits.
    knife.state = 0;
    P().ammo[1] = 150, P().ammo[3] = 900;
    ObjectRecord& dying = Monster(5, 0, 0.2f, 0);
    dying.state = OBJ_DYING;
    GameStep();
    EXPECT_EQ(P().ammo[1], 100);
    EXPECT_EQ(P().ammo[3], 200);
    EXPECT_EQ(dying.state, OBJ_DYING);

    // Extreme pack amounts saturate instead of overflowing.
    dying.state = 0;
    P().health = 100;
    ObjectRecord& huge = Monster(6, 0, 0, 0, OBJT_HEALTH);
    huge.state = 1;
    huge.health = INT32_MAX;
    GameStep();
    EXPECT_EQ(P().health, 150);
    ObjectRecord& poison = Monster(6, 0, 0, 0, OBJT_HEALTH);
    poison.state = 1;
    poison.health = INT32_MIN;
    P().health = -100;
    GameStep();
    EXPECT_EQ(P().health, INT32_MIN);
    EXPECT_EQ(P().state, 0) << "and the player dies of it in the same tick";
}

TEST_F(Tick, MovementSpeedsHeadingsAndTurning) {
    // The player walks 0.06 along (-sin, +cos) of the heading; turning applies after the move.
    P().angles[1] = 0;
    P().controls.forward = 1;
    P().controls.turnLeft = 1;
    GameStep();
    EXPECT_FLOAT_EQ(P().pos[0], 0);
    EXPECT_FLOAT_EQ(P().pos[2], 0.06f);
    EXPECT_EQ(P().angles[1], 2);
    GameStep();
    EXPECT_NEAR(P().pos[0], -0.06 * std::sin(2 * M_PI / 180), 1e-6);
    EXPECT_EQ(P().angles[1], 4);

    // Forward and strafe together: 0.06 * sqrt 2.
    P().pos[0] = P().pos[2] = 0;
    P().angles[1] = 30;
    P().controls = ControlFlags{};
    P().controls.forward = 1;
    P().controls.strafeLeft = 1;
    GameStep();
    EXPECT_NEAR(std::hypot(P().pos[0], P().pos[2]), 0.06 * std::sqrt(2.0), 1e-6);
    // Strafe left and right cancel; back undoes forward.
    P().controls.strafeRight = 1;
    P().controls.back = 1;
    float x = P().pos[0], z = P().pos[2];
    GameStep();
    EXPECT_NEAR(P().pos[0], x, 1e-6);
    EXPECT_NEAR(P().pos[2], z, 1e-6);

    // A monster walks 0.02 along the mirrored heading (+sin, +cos) and looks along (-sin, +cos).
    ObjectRecord& m = Monster(1, 10, 10, 90);
    m.controls.forward = 1;
    GameStep();
    EXPECT_NEAR(m.pos[0], 10.02, 1e-5);
    EXPECT_NEAR(m.pos[2], 10, 1e-5);
    EXPECT_EQ(m.animState, ANIM_IDLE) << "forward alone keeps the idle animation";
    m.controls.strafeRight = 1;
    GameStep();
    EXPECT_EQ(m.animState, ANIM_WALK);
}

TEST_F(Tick, FiringMonsterStandsStillAndFramelessMonsterIsStuck) {
    World.WeaponTable[0].reloadTime = 5;
    ObjectRecord& m = Monster(1, 10, 10, 0);
    m.controls.forward = 1;
    m.controls.turnLeft = 1;
    m.controls.fire = 1;
    m.controls.select[2] = 1;
    GameStep();
    EXPECT_FLOAT_EQ(m.pos[2], 10);
    EXPECT_EQ(m.angles[1], 0);
    EXPECT_EQ(m.controls.forward + m.controls.turnLeft + m.controls.select[2], 0);
    EXPECT_EQ(m.controls.fire, 1);
    EXPECT_EQ(m.animState, ANIM_ATTACK);
    EXPECT_EQ(m.fired, 1);
    EXPECT_EQ(m.reload, 5);

    // Without frames in model slot 0, asking to move skips the rest of the tick: no move, no death.
    ObjectRecord& stuck = Monster(2, -10, -10, 0);
    ClearModel(stuck.models[0]);
    stuck.controls.forward = 1;
    stuck.controls.turnRight = 1;
    stuck.health = 0;
    stuck.reload = 3;
    for (int i = 0; i < 3; ++i) GameStep();
    EXPECT_FLOAT_EQ(stuck.pos[2], -10);
    EXPECT_EQ(stuck.angles[1], 354) << "turning comes before the skip";
    EXPECT_EQ(stuck.state, AI_SENTRY);
    EXPECT_EQ(stuck.reload, 3);
    stuck.controls.forward = 0;
    GameStep();
    EXPECT_EQ(stuck.state, OBJ_DYING) << "standing still, it dies";
}

TEST_F(Tick, AnglesOfEveryRecordAreBroughtIntoRange) {
    ObjectRecord& free = World.ObjectTable[200];
    free.angles[0] = -1, free.angles[1] = 361, free.angles[2] = 360;
    ObjectRecord& m = Monster(3, 50, 50, 720);
    m.angles[0] = 100000;
    m.angles[2] = INT32_MIN;
    P().angles[1] = -360;
    GameStep();
    EXPECT_EQ(free.angles[0], 359);
    EXPECT_EQ(free.angles[1], 1);
    EXPECT_EQ(free.angles[2], 360);
    EXPECT_EQ(m.angles[1], 360);
    EXPECT_EQ(m.angles[0], 100000 - 277 * 360);
    EXPECT_EQ(m.angles[2], int32_t((int64_t(INT32_MIN) % 360 + 360) % 360));
    EXPECT_EQ(P().angles[1], 0);
}

TEST_F(Tick, DeathsCountsAndScore) {
    World.MonstersAtStart = 3, World.ItemsAtStart = 2;
    Monster(1, 30, 30, 0);
    Monster(2, 40, 40, 0, 11).state = OBJ_DYING;
    Monster(3, 50, 50, 0, OBJT_HEALTH).state = 1;
    ObjectRecord& scenery = Monster(4, 60, 60, 0, 200);  // a type beyond every sound row
    scenery.state = 1;
    scenery.health = -5;
    P().health = 0;
    GameStep();
    EXPECT_EQ(P().state, 0);
    EXPECT_EQ(ConsoleText(53), "Whoops, you need more than a facelift now...");
    EXPECT_EQ(World.MonstersLeft, 2) << "the dying monster still counts";
    EXPECT_EQ(World.ItemsLeft, 1);
    // Running terms: player (0, 0) 200; monster (1, 0) 166.7; dying (2, 0) 133.3; pack (2, 1) 83.3;
    // scenery (2, 1) 83.3; then once more with the final counts 83.3.
    EXPECT_NEAR(P().score, 200 + 500.0 / 3 + 400.0 / 3 + 250.0 / 3 + 250.0 / 3 + 250.0 / 3, 1e-3);
    std::vector<int> played = Played();
    EXPECT_TRUE(Contains(played, Buf(1, 1)));
    EXPECT_EQ(scenery.state, OBJ_DYING);
    EXPECT_EQ(scenery.animState, ANIM_DEATH);
    EXPECT_EQ(scenery.frame, 0);

    // A level without monsters or items: every term is 100 % + 100 %, never NaN.
    for (int i = 1; i < 256; ++i) World.ObjectTable[i].state = 0;
    World.MonstersAtStart = World.ItemsAtStart = 0;
    P().state = 1;
    P().score = 0;
    CountAndScore();
    EXPECT_EQ(P().score, 200);
    EXPECT_EQ(CompletionPercent(0, 0), 100);
    EXPECT_EQ(CompletionPercent(4, 1), 75);
}

TEST_F(Tick, MonsterDeathStartsItsAnimationAndSound) {
    ObjectRecord& m = Monster(9, 20, 20, 0, 12);
    m.health = 0;
    m.frame = 3;
    m.animState = ANIM_WALK;
    GameStep();
    EXPECT_EQ(m.state, OBJ_DYING);
    EXPECT_EQ(m.frame, 0);
    EXPECT_EQ(m.animState, ANIM_DEATH);
    EXPECT_EQ(Played(), std::vector<int>{Buf(12, 1)});
    m.controls.forward = 1;
    GameStep();  // dying records are left alone
    EXPECT_FLOAT_EQ(m.pos[2], 20);
    EXPECT_TRUE(Played().empty());
}

TEST_F(Tick, WallsPushWithRadiusOnePointFourLastToFirst) {
    SetWalls({Wall(-50, 10, 50, 10)});
    ObjectRecord& m = Monster(1, 0, 8.57f, 0);  // mirrored heading 0 still walks +z
    m.controls.forward = 1;
    GameStep();
    EXPECT_FLOAT_EQ(m.pos[2], 8.59f);
    EXPECT_EQ(m.collided, 0);
    m.pos[2] = 8.59f;
    GameStep();  // target 8.61: 1.39 from the wall
    EXPECT_NEAR(m.pos[2], 8.6, 1e-5);
    EXPECT_EQ(m.collided, 1);

    // A corner where the order of the pushes matters: the last segment pushes first.
    const Segment a = Wall(0, 0, 10, 0), b = Wall(0, 0, 3, 1.2f);
    SetWalls({a, b});
    P().pos[0] = 2, P().pos[2] = 0.94f;
    P().controls.forward = 1;
    float expect[3] = {2, 0, 1.0f}, other[3] = {2, 0, 1.0f};
    CirclePushFromSegment(expect, 1.4f, b, expect);
    CirclePushFromSegment(expect, 1.4f, a, expect);
    CirclePushFromSegment(other, 1.4f, a, other);
    CirclePushFromSegment(other, 1.4f, b, other);
    ASSERT_TRUE(expect[0] != other[0] || expect[2] != other[2]) << "the scene must tell the orders apart";
    GameStep();
    EXPECT_EQ(P().pos[0], expect[0]);
    EXPECT_EQ(P().pos[2], expect[2]);
}

TEST_F(Tick, StartInsideWallsAndDegenerateWallsStayFinite) {
    std::vector<Segment> walls;
    for (int i = 0; i < 3000; ++i) walls.push_back(Wall(1, 1, 1, 1));  // zero length
    for (int i = 0; i < 500; ++i) walls.push_back(Wall(-5, 0, 5, 0));  // duplicates
    for (int i = 0; i < 100; ++i) walls.push_back(Wall(0, -5, 0, 5));
    SetWalls(walls);
    P().controls.forward = 1;
    ObjectRecord& m = Monster(1, 0, 0, 45);  // on the crossing
    m.controls.back = 1;
    for (int t = 0; t < 50; ++t) {
        GameStep();
        ASSERT_TRUE(std::isfinite(P().pos[0]) && std::isfinite(P().pos[2]));
        ASSERT_TRUE(std::isfinite(m.pos[0]) && std::isfinite(m.pos[2]));
    }
    EXPECT_EQ(m.collided, 1);
}

// The wall grid must give the plain last-to-first loop's result bit for bit.
TEST_F(Tick, WallGridMatchesThePlainLoopForPushesAndSightLines) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> u(-60, 60), s(-3, 3), ang(0, 6.2831853f);
    int farPushes = 0, contacts = 0, sightHits = 0;
    for (int scene = 0; scene < 3; ++scene) {
        std::vector<Segment> walls;
        // The last scene lies far from the origin, where float rounding is coarser.
        const float ox = scene == 2 ? 50000.0f : 0.0f, oz = scene == 2 ? -30000.0f : 0.0f;
        for (int i = 0; i < 2000; ++i) {
            float x = ox + u(rng), z = oz + u(rng);
            walls.push_back(Wall(x, z, x + s(rng), z + s(rng)));
        }
        for (int i = 0; i < 20; ++i) walls.push_back(Wall(ox + u(rng), oz + u(rng), ox + u(rng), oz + u(rng)));
        for (int i = 0; i < 50; ++i) walls.push_back(walls[size_t(rng() % walls.size())]);  // duplicates
        for (int i = 0; i < 50; ++i) {
            float x = ox + u(rng), z = oz + u(rng);
            walls.push_back(Wall(x, z, x, z));
        }
        // Stars: many walls through one point push a target a long way, in many steps.
        for (int k = 0; k < 6; ++k) {
            float cx = ox + u(rng), cz = oz + u(rng);
            for (int i = 0; i < 24; ++i) {
                float a = ang(rng), l = 0.5f + std::fabs(s(rng));
                walls.push_back(Wall(cx, cz, cx + l * std::cos(a), cz + l * std::sin(a)));
            }
        }
        std::shuffle(walls.begin(), walls.end(), rng);
        SetWalls(walls);
        for (int t = 0; t < 4000; ++t) {
            const Segment& near = walls[size_t(rng() % walls.size())];
            float target[3] = {near.x1 + s(rng), 0, near.z1 + s(rng)};
            if (t % 4 == 0) target[0] = ox + u(rng) * 1.2f, target[2] = oz + u(rng) * 1.2f;
            float plain[3] = {target[0], 0, target[2]};
            const float start[3] = {target[0], 0, target[2]};
            int hit = PushFromWalls(target);
            ASSERT_EQ(hit, PushFromWallsPlain(plain));
            ASSERT_EQ(target[0], plain[0]) << scene << " " << t;
            ASSERT_EQ(target[2], plain[2]) << scene << " " << t;
            contacts += hit;
            // Drifting more than half a unit sends the grid to its plain fallback.
            if (std::fmax(std::fabs(target[0] - start[0]), std::fabs(target[2] - start[2])) > 0.5f) ++farPushes;
        }
        // Sight lines and shots through the grid find the first wall the plain loop over every wall finds
        // (worked out here in double precision); a line that only grazes a wall's end may go either way.
        for (int t = 0; t < 1500; ++t) {
            const float x1 = ox + u(rng), z1 = oz + u(rng);
            const float len = t % 3 == 0 ? 150.0f : 6.0f, a = ang(rng);
            const float x2 = x1 + len * std::cos(a), z2 = z1 + len * std::sin(a);
            double first = 1.0;
            bool grazing = false;
            for (const Segment& w : walls) {
                const double dx = double(x2) - x1, dz = double(z2) - z1, ex = double(w.x2) - w.x1,
                             ez = double(w.z2) - w.z1;
                const double denom = dx * ez - dz * ex;
                if (denom == 0) continue;
                const double ax = double(w.x1) - x1, az = double(w.z1) - z1;
                const double along = (ax * ez - az * ex) / denom, on = (ax * dz - az * dx) / denom;
                const double slack = 1e-4 + 1e-7 * std::fabs(ox + oz) / (len + std::hypot(ex, ez) + 1e-3);
                if (along >= -slack && along <= 1 + slack && on >= -slack && on <= 1 + slack) {
                    if (along < slack || along > 1 - slack || on < slack || on > 1 - slack) grazing = true;
                    if (along >= 0 && along <= 1 && on >= 0 && on <= 1) first = std::min(first, along);
                }
            }
            const float got = FirstWallAlong(x1, z1, x2, z2);
            if (grazing) continue;
            ASSERT_NEAR(got, first, 1e-3) << scene << " " << t;
            sightHits += first < 1;
        }
    }
    EXPECT_GT(sightHits, 500);
    EXPECT_GT(contacts, 2000);
    EXPECT_GT(farPushes, 10) << "the scenes should push some targets beyond the gathered cells";

    // A new floor plan replaces the grid.
    SetWalls(std::vector<Segment>(100, Wall(-1, 0, 1, 0)));
    float t[3] = {0, 0, 0.5f};
    EXPECT_EQ(PushFromWalls(t), 1);
    EXPECT_FLOAT_EQ(t[2], 1.4f);
}

TEST_F(Tick, NothingRunsOutsidePlaying) {
    for (int state : {GS_MENU, GS_PAUSED, GS_LEVEL_DONE, GS_WON}) {
        Program.GameState = state;
        P().controls.forward = 1;
        P().health = 0;
        GameStep();
        EXPECT_EQ(P().pos[2], 0);
        EXPECT_EQ(P().state, 1);
    }
}

}  // namespace
